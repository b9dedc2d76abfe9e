// Draws a window of the toolkit model with Qt Widgets and feeds the user's
// picks, toggles, timer ticks and the close back into the model. Widgets
// mirror the model; they never raise a program's event themselves.
#pragma once

#include <memory>
#include <string>

#include "devlink/ui/controls.h"

class QWidget;
class QTimer;

namespace tq::ui {

class QtView final : public ViewObserver {
 public:
  // Builds the widgets and attaches itself to `window`. The caller owns the
  // QApplication and runs its event loop.
  explicit QtView(Window& window);
  ~QtView() override;
  QtView(const QtView&) = delete;
  QtView& operator=(const QtView&) = delete;

  QWidget* Widget() const;
  QWidget* WidgetOf(const Control& control) const;
  QTimer* TimerOf(const Control& control) const;
  // Pixels for a length in twips at the screen's logical resolution.
  int Pixels(int twips) const;
  // The frame of a bar or a lamp, in pixels.
  int IndicatorBorder() const;

  // The window as drawn now, in device pixels.
  bool SaveScreenshot(const std::string& pngPath) const;

  void OnChanged(Control& control, Change change) override;
  void OnTickRequested(Timer& timer) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tq::ui
