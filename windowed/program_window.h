// What every windowed program's frmMain is built on: the device link and
// the window, with the calls the program's main makes (main_qt.cpp.in,
// main_win32.cpp.in). A frmMain derives from it, so both exist before any
// of its own flags and controls, which refer to them.
#pragma once

#include <string>
#include <utility>

#include "devlink/device_link.h"
#include "devlink/ui/controls.h"

namespace tq {

class ProgramWindow {
 public:
  ui::Window& Form() { return form_; }
  DeviceLink& Link() { return link_; }

 protected:
  // The window is named frmMain, as each program's one window is.
  ProgramWindow(HidApi& api, const BoardVariant& variant, std::string caption,
                int clientWidthTwips, int clientHeightTwips)
      : link_(api, variant),
        form_("frmMain", std::move(caption), clientWidthTwips, clientHeightTwips) {}
  ~ProgramWindow() = default;
  ProgramWindow(const ProgramWindow&) = delete;
  ProgramWindow& operator=(const ProgramWindow&) = delete;

  DeviceLink link_;
  ui::Window form_;
};

}  // namespace tq
