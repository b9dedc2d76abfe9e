// A small window of bars and lamps as a monitor shows them, for the views'
// tests: two axes, a pair of buttons, a pair marked for pulses that differ
// from its setting, and a lamp designed too narrow for its caption.
#pragma once

#include "devlink/ui/controls.h"

namespace tq::ui {

struct IndicatorWindow {
  Window window{"frmMain", "Indicators", 3600, 1500};
  Frame frame{window, "Frame1", {120, 0, 3360, 1400}, "Inputs"};
  Bar x{frame, "barX", {240, 300, 2400, 300}, 0, 127};
  Bar slider{frame, "barSlider", {240, 660, 2400, 300}, -100, 100};
  Lamp button1{frame, "Button1", {240, 1020, 360, 300}, "1"};
  Lamp button2{frame, "Button2", {660, 1020, 360, 300}, "2"};
  Lamp button5{frame, "Button5", {1200, 1020, 360, 300}, "5"};
  Lamp button6{frame, "Button6", {1620, 1020, 360, 300}, "6"};
  Lamp narrow{frame, "Button32", {2700, 300, 150, 300}, "32"};
  Label beside{frame, "lblBeside", {2850, 300, 400, 300}, "X"};

  IndicatorWindow() {
    x.SetValue(64);
    x.SetCaption("64");
    slider.SetValue(-50);
    slider.SetCaption("-50");
    button1.SetLit(true);
    button5.SetMarked(true);
    button5.SetLit(true);
    button6.SetMarked(true);
  }
};

}  // namespace tq::ui
