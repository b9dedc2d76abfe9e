// The Qt view's inside, shared by the files that do its jobs: measuring what
// the style draws around a text (style_metrics.cpp), creating the widgets and
// wiring the user's actions back to the model (control_creation.cpp),
// measuring texts and laying the window out (window_layout.cpp), mirroring
// the model (model_mirror.cpp), what the view paints itself
// (control_paint.cpp, indicator_paint.h) and what it tells a screen reader
// (accessibility.cpp, accessible_widgets.h); qt_view.cpp makes the window
// and holds the public calls. Only those files include it.
#pragma once

#include <QPalette>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>
#include <unordered_map>

#include "devlink/ui/list_mirror.h"
#include "devlink/ui/qt/qt_view.h"
#include "devlink/ui/text_fit.h"
#include "devlink/ui/text_needs.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QTimer;

namespace tq::ui {

inline constexpr double kTwipsPerInch = 1440.0;

inline QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// style_metrics.cpp: what a style draws beside a control's text, at the
// control's height: the control's width less the room its text gets.
int ComboBoxChrome(const QComboBox& combo);
int CheckBoxChrome(const QCheckBox& box);
int PushButtonChrome(const QPushButton& button);
int GroupBoxChrome(const QGroupBox& frame);

// control_paint.cpp: the desktop's colour for `color` in every state of
// `target`; a line that is neither level nor upright.
void SetSystemColor(QPalette& palette, QPalette::ColorRole target, SystemColor color);
QWidget* NewSlantedLine(QWidget* parent, bool falling);

// The top-level widget: closing it is the user closing the program's window.
class TopLevel final : public QWidget {
 public:
  explicit TopLevel(Window& window) : window_(window) {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  Window& window_;
  bool unloaded_ = false;
};

struct QtView::Impl {
  explicit Impl(Window& w) : window(w) {}

  Window& window;
  double pixelsPerTwip = 96.0 / kTwipsPerInch;
  std::unique_ptr<TopLevel> top;
  // Looked up on every change the model makes: hashed, not ordered.
  std::unordered_map<const Control*, QWidget*> widgets;
  std::unordered_map<const Control*, QTimer*> timers;
  // What the texts need, in pixels, and the layout they gave; what each
  // list widget holds; the room a list's frame and arrow take, per list.
  TextNeeds needs;
  ListMirror lists;
  std::unordered_map<const Control*, int> comboChrome;
  FittedLayout layout;

  QWidget* WidgetOf(const Control& control) const {
    const auto it = widgets.find(&control);
    return it == widgets.end() ? nullptr : it->second;
  }
  QTimer* TimerOf(const Control& control) const {
    const auto it = timers.find(&control);
    return it == timers.end() ? nullptr : it->second;
  }

  // control_creation.cpp
  void Build(Container& container, QWidget* parent);
  QWidget* Create(Control& control, QWidget* parent);

  // window_layout.cpp
  int Pixels(int twips) const;
  int IndicatorBorder() const;
  PixelRect Designed(const Control& control) const;
  void Place(const Control& control, QWidget* widget) const;
  int MeasureText(const std::string& text) const;
  int TextWidth(const std::string& text);
  int MeasureNeed(const Control& control, QWidget* widget);
  int TitleNeed() const;
  void UpdateNeed(const Control& control);
  void Relayout();

  // model_mirror.cpp
  void MirrorAll(Control& control);
  void Mirror(Control& control, Change change);
  void MirrorTimer(const Timer& model);
  void MirrorItems(const ComboBox& model, QComboBox* combo);

  // accessibility.cpp
  void NameLabelled();
  void TellReaders(const Control& control, Change change);
};

}  // namespace tq::ui
