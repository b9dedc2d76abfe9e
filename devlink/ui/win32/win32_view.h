// Draws a window of the toolkit model with the desktop's own controls
// (user32 and comctl32) and feeds the user's picks, toggles, timer ticks and
// the close back into the model. Native controls mirror the model; a change
// the program made never comes back from them as a second event.
//
// Positions in twips are scaled to the DPI of the monitor the window is on,
// and again when it moves to a monitor of another DPI (the program declares
// itself per-monitor aware in its manifest). The window's icon is the
// program's icon resource 1.
//
// The Windows headers stay in the .cpp: native handles appear here as void*.
#pragma once

#include <memory>

#include "devlink/ui/controls.h"
#include "devlink/ui/win32/accessible_annotations.h"

namespace tq::ui {

class Win32View final : public ViewObserver {
 public:
  // Creates the native window, hidden, with every control of `window`, and
  // attaches itself to it. Window::Show() shows and paints it.
  // The names and states it tells the system's accessibility layer go
  // through `annotations` (null: none); the first constructor takes the
  // system's (accessible_annotations.h).
  explicit Win32View(Window& window);
  Win32View(Window& window, std::unique_ptr<AccessibleAnnotations> annotations);
  // Destroys what is left of the native window without raising Unload.
  ~Win32View() override;
  Win32View(const Win32View&) = delete;
  Win32View& operator=(const Win32View&) = delete;

  // Dispatches the thread's messages until the user has closed the window
  // and it is destroyed; returns the exit code it posted.
  static int RunMessageLoop();

  void* Handle() const;  // the top-level HWND; null once destroyed
  void* HandleOf(const Control& control) const;  // null for timers
  unsigned Dpi() const;
  // Pixels for a length in twips at the window's DPI.
  int Pixels(int twips) const;

  void OnChanged(Control& control, Change change) override;
  void OnTickRequested(Timer& timer) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tq::ui
