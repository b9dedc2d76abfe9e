// Paints the bar and the lamp of the toolkit model into their owner-drawn
// statics. The common progress bar would do for a bar but eases its fill
// towards each new position under visual styles, so a value would show late,
// and it draws no text; neither control exists for a lamp. A monitor
// repaints dozens of these up to 60 times a second, so every pixel is
// painted once, by ExtTextOutW filling a rectangle and drawing the caption
// clipped to it in the same call: no brushes are made and nothing flickers.
#pragma once

#include <windows.h>

#include <string>

#include "devlink/ui/controls.h"

namespace tq::ui {

struct IndicatorLook {
  HFONT font;
  int border;    // the frame's thickness in pixels
  bool enabled;  // the control and every container up to the window
};

void PaintBar(HDC dc, const RECT& area, const Bar& bar, const std::wstring& caption,
              const IndicatorLook& look);
void PaintLamp(HDC dc, const RECT& area, const Lamp& lamp, const std::wstring& caption,
               const IndicatorLook& look);

}  // namespace tq::ui
