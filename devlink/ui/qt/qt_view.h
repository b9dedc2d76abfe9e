// Draws a window of the toolkit model with Qt Widgets and feeds the user's
// picks, toggles, timer ticks and the close back into the model. Widgets
// mirror the model; they never raise a program's event themselves.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "devlink/ui/controls.h"
#include "devlink/ui/list_mirror.h"
#include "devlink/ui/text_fit.h"
#include "devlink/ui/text_needs.h"

class QWidget;
class QComboBox;
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

 private:
  class TopLevel;
  class SlantedLine;

  void Build(Container& container, QWidget* parent);
  QWidget* Create(Control& control, QWidget* parent);
  void MirrorAll(Control& control);
  void Mirror(Control& control, Change change);
  void MirrorTimer(const Timer& model);
  PixelRect Designed(const Control& control) const;
  void Place(const Control& control, QWidget* widget) const;
  int MeasureText(const std::string& text) const;
  int TextWidth(const std::string& text);
  int MeasureNeed(const Control& control, QWidget* widget);
  int TitleNeed() const;
  void UpdateNeed(const Control& control);
  void Relayout();
  void MirrorItems(const ComboBox& model, QComboBox* combo);

  Window& window_;
  double pixelsPerTwip_;
  std::unique_ptr<TopLevel> top_;
  // Looked up on every change the model makes: hashed, not ordered.
  std::unordered_map<const Control*, QWidget*> widgets_;
  std::unordered_map<const Control*, QTimer*> timers_;
  // What the texts need, in pixels, and the layout they gave; what each
  // list widget holds; the room a list's frame and arrow take, per list.
  TextNeeds needs_;
  ListMirror lists_;
  std::unordered_map<const Control*, int> comboChrome_;
  FittedLayout layout_;
};

}  // namespace tq::ui
