// What the view tells a screen reader beyond what Qt's widgets tell it:
// which label names which control, and what a bar or a lamp shows now.
#include <QAccessible>

#include "devlink/ui/qt/qt_view_impl.h"
#include "devlink/ui/qt/text_label.h"

namespace tq::ui {

// Qt says a label names a control where the label is a QLabel whose buddy
// the control is, and looks for it among the control's siblings: the
// programs put a caption in the frame of what it names.
void QtView::Impl::NameLabelled() {
  for (Control* control : window.AllControls()) {
    if (control->GetKind() != Kind::Label) continue;
    const Control* named = static_cast<const Label&>(*control).LabelFor();
    auto* label = dynamic_cast<BuddyLabel*>(WidgetOf(*control));
    QWidget* buddy = named ? WidgetOf(*named) : nullptr;
    if (label && buddy) label->setBuddy(buddy);
  }
}

// Only while a reader listens. A label tells of its own new caption, and
// Qt's widgets of theirs; a bar's value and a lamp's state are the view's.
void QtView::Impl::TellReaders(const Control& control, Change change) {
  const Kind kind = control.GetKind();
  if (kind != Kind::Bar && kind != Kind::Lamp) return;
  if (change != Change::Value && change != Change::Caption) return;
  QWidget* widget = WidgetOf(control);
  if (!widget) return;
  if (kind == Kind::Bar && change == Change::Value) {
    QAccessibleValueChangeEvent value(widget, static_cast<const Bar&>(control).Value());
    QAccessible::updateAccessibility(&value);
  }
  QAccessibleEvent state(widget, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&state);
}

}  // namespace tq::ui
