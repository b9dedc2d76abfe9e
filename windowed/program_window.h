// What every windowed program's frmMain is built on: the window, with the
// calls the program's main makes (main_qt.cpp.in, main_win32.cpp.in), and,
// for a program that talks to its board from the window's thread, the device
// link. A frmMain derives from one of them, so both exist before any of its
// own flags and controls, which refer to them.
#pragma once

#include <string>
#include <utility>

#include "devlink/device_link.h"
#include "devlink/ui/controls.h"

namespace tq {

class ProgramWindow {
 public:
  ui::Window& Form() { return form_; }

 protected:
  // The window is named frmMain, as each program's one window is.
  ProgramWindow(std::string caption, int clientWidthTwips, int clientHeightTwips)
      : form_("frmMain", std::move(caption), clientWidthTwips, clientHeightTwips) {}
  ~ProgramWindow() = default;
  ProgramWindow(const ProgramWindow&) = delete;
  ProgramWindow& operator=(const ProgramWindow&) = delete;

  ui::Window form_;
};

// The window and the one device link the program's routines share (the
// encoder and configuration utilities). The monitor has none here: its
// reading thread opens the board (monitor/board_worker.h).
class LinkedProgramWindow : public ProgramWindow {
 public:
  DeviceLink& Link() { return link_; }

 protected:
  LinkedProgramWindow(HidApi& api, const BoardVariant& variant, std::string caption,
                      int clientWidthTwips, int clientHeightTwips)
      : ProgramWindow(std::move(caption), clientWidthTwips, clientHeightTwips),
        link_(api, variant) {}
  ~LinkedProgramWindow() = default;

  DeviceLink link_;
};

}  // namespace tq
