// The window laid out at the screen's logical resolution: every text
// measured in the window's font, the layout widened where a text needs more
// room (text_needs.h, text_fit.h), and each widget placed where it lands.
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "devlink/ui/qt/qt_view_impl.h"

namespace tq::ui {

int QtView::Impl::Pixels(int twips) const {
  return static_cast<int>(std::lround(twips * pixelsPerTwip));
}

int QtView::Impl::IndicatorBorder() const { return std::max(1, Pixels(kIndicatorBorderTwips)); }

PixelRect QtView::Impl::Designed(const Control& control) const {
  return DesignedRect(control, [this](int twips) { return Pixels(twips); });
}

// Each widget's size is fixed at what the layout gives it. Qt asks the
// parent of a widget whose size may vary to lay out again whenever its
// contents change: a label's new caption would post a layout request to
// its frame, which a group box answers by building its style's options,
// sixty times a second for a monitor's value. The layout here is ours, so
// nothing is lost.
void QtView::Impl::Place(const Control& control, QWidget* widget) const {
  const auto it = layout.rects.find(&control);
  const PixelRect r = DrawnRect(control, it == layout.rects.end() ? Designed(control) : it->second);
  widget->setFixedSize(r.width, r.height);
  widget->move(r.left, r.top);
}

// How wide `text` is in the window's font, which every control draws in,
// shaped now.
int QtView::Impl::MeasureText(const std::string& text) const {
  return top->fontMetrics().horizontalAdvance(ToQt(text));
}

// Read-backs fill the same items again and again: each text is shaped once
// (text_needs.h).
int QtView::Impl::TextWidth(const std::string& text) {
  return needs.TextWidth(text, [this](const std::string& t) { return MeasureText(t); });
}

// The width `control` needs for its text in the font it is drawn with: the
// text plus what the style draws around it at the control's height.
int QtView::Impl::MeasureNeed(const Control& control, QWidget* widget) {
  const std::string& caption = control.Caption();
  switch (control.GetKind()) {
    case Kind::Label:
      // A space's room, so a caption does not touch the control beside it.
      return caption.empty() ? 0 : TextWidth(caption) + TextWidth(" ");
    case Kind::Frame:
      return caption.empty() ? 0 : TextWidth(caption) + GroupBoxChrome(*static_cast<QGroupBox*>(widget));
    case Kind::CheckBox:
      return TextWidth(caption) + CheckBoxChrome(*static_cast<QCheckBox*>(widget));
    case Kind::PushButton:
      return caption.empty() ? 0 : TextWidth(caption) + PushButtonChrome(*static_cast<QPushButton*>(widget));
    case Kind::Bar:
    case Kind::Lamp:
      return caption.empty() ? 0 : TextWidth(caption) + 2 * Pixels(kIndicatorInsetTwips);
    case Kind::ComboBox: {
      const int widest = needs.WidestNewItem(
          static_cast<const ComboBox&>(control),
          [this](const std::string& item) { return MeasureText(item); });
      if (widest == 0) return 0;
      // The style's frame and arrow take the same room at every width.
      int& chrome = comboChrome[&control];
      if (chrome == 0) chrome = ComboBoxChrome(*static_cast<QComboBox*>(widget));
      return widest + chrome;
    }
    case Kind::Window:
    case Kind::Timer:
    case Kind::Line:
      break;
  }
  return 0;
}

// The window manager draws the caption, in its own font, beside the window's
// icon and buttons; the desktop's title font in bold with room for four
// title-bar buttons (icon, minimise, maximise, close) half again as wide as
// the text is high stands in for it.
int QtView::Impl::TitleNeed() const {
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance(ToQt(window.Caption())) + 6 * metrics.height();
}

// Records what `control` needs now; lays the window out again when that no
// longer fits (text_needs.h).
void QtView::Impl::UpdateNeed(const Control& control) {
  QWidget* widget = WidgetOf(control);
  if (!widget) return;
  const int need = control.GetKind() == Kind::Window ? TitleNeed() : MeasureNeed(control, widget);
  if (needs.Grow(control, need, layout)) Relayout();
}

void QtView::Impl::Relayout() {
  layout = needs.Fit(window, [this](const Control& c) { return Designed(c); });
  top->setFixedSize(layout.clientWidth, layout.clientHeight);
  for (const auto& [control, widget] : widgets) {
    if (widget && widget != top.get()) Place(*control, widget);
  }
}

}  // namespace tq::ui
