// The model mirrored into the widgets, one changed property at a time.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <vector>

#include "devlink/ui/qt/qt_view_impl.h"
#include "devlink/ui/qt/text_label.h"

namespace tq::ui {

void QtView::Impl::MirrorTimer(const Timer& model) {
  QTimer* timer = TimerOf(model);
  if (!timer) return;
  // A new interval starts the count afresh, as it does on the desktop.
  if (timer->interval() != model.Interval()) timer->setInterval(model.Interval());
  // A timer on request runs only while a request waits for its tick.
  const bool wanted = model.Mode() == TimerMode::Periodic || model.Requested();
  if (model.Enabled() && wanted && !timer->isActive()) timer->start();
  if (!model.Enabled()) timer->stop();
}

void QtView::Impl::MirrorAll(Control& control) {
  for (const Change change : {Change::Enabled, Change::Hint, Change::Caption, Change::Colors,
                              Change::Items, Change::Value, Change::Marked}) {
    Mirror(control, change);
  }
}

// Only the property that changed is applied: a read-back changes hundreds of
// properties, and re-applying a widget's whole state for each costs many
// times what the change itself does.
void QtView::Impl::Mirror(Control& control, Change change) {
  if (control.GetKind() == Kind::Timer) {
    if (change == Change::Enabled || change == Change::Interval) {
      MirrorTimer(static_cast<Timer&>(control));
    }
    return;
  }
  QWidget* widget = WidgetOf(control);
  if (!widget) return;
  const QSignalBlocker blocker(widget);
  const Kind kind = control.GetKind();
  switch (change) {
    case Change::Enabled:
      // Each widget keeps its own state: a disabled frame greys its children
      // in Qt, and re-enabling it restores exactly those the model holds
      // enabled.
      widget->setEnabled(control.Enabled());
      break;
    case Change::Hint:
      widget->setToolTip(ToQt(control.Hint()));
      break;
    case Change::Caption:
      if (layout.clientWidth > 0) UpdateNeed(control);
      if (kind == Kind::Window) widget->setWindowTitle(ToQt(control.Caption()));
      if (kind == Kind::Frame) static_cast<QGroupBox*>(widget)->setTitle(ToQt(control.Caption()));
      if (kind == Kind::Label) SetLabelCaption(*widget, ToQt(control.Caption()));
      if (kind == Kind::CheckBox) static_cast<QCheckBox*>(widget)->setText(ToQt(control.Caption()));
      if (kind == Kind::PushButton) static_cast<QPushButton*>(widget)->setText(ToQt(control.Caption()));
      if (kind == Kind::Bar || kind == Kind::Lamp) widget->update();
      break;
    case Change::Colors:
      if (kind == Kind::Label) {
        const auto& model = static_cast<const Label&>(control);
        QPalette palette = widget->palette();
        SetSystemColor(palette, QPalette::Window, model.BackColor());
        SetSystemColor(palette, QPalette::WindowText, model.ForeColor());
        widget->setPalette(palette);
      }
      break;
    case Change::Items:
      if (kind != Kind::ComboBox) break;
      MirrorItems(static_cast<const ComboBox&>(control), static_cast<QComboBox*>(widget));
      if (layout.clientWidth > 0) UpdateNeed(control);
      [[fallthrough]];
    case Change::Selection: {
      // Qt selects the first item appended to an empty list; the model has
      // the last word.
      auto* combo = static_cast<QComboBox*>(widget);
      const int index = static_cast<const ComboBox&>(control).ListIndex();
      if (combo->currentIndex() != index) combo->setCurrentIndex(index);
      break;
    }
    case Change::Value:
      if (kind == Kind::CheckBox) {
        static_cast<QCheckBox*>(widget)->setChecked(static_cast<const CheckBox&>(control).Value() != 0);
      }
      // Painted from the model when the event loop next draws: changes
      // made between two frames cost one paint.
      if (kind == Kind::Bar || kind == Kind::Lamp) widget->update();
      break;
    case Change::Marked:
      if (kind == Kind::Lamp) widget->update();
      break;
    case Change::Interval:
    case Change::Shown:
      break;
  }
  if (QAccessible::isActive()) TellReaders(control, change);
}

// Only what the widget lacks is appended (list_mirror.h).
void QtView::Impl::MirrorItems(const ComboBox& model, QComboBox* combo) {
  const ListMirror::Steps steps = lists.Mirror(model, combo->count());
  if (steps.clear) combo->clear();
  const std::vector<std::string>& items = model.Items();
  for (std::size_t i = steps.appendFrom; i < items.size(); ++i) combo->addItem(ToQt(items[i]));
}

}  // namespace tq::ui
