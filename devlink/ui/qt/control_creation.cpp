// The widgets made for the model's controls, each placed and showing the
// model's state from the start, and the user's actions on them fed back
// into the model.
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>

#include "devlink/ui/qt/indicator_paint.h"
#include "devlink/ui/qt/qt_view_impl.h"
#include "devlink/ui/qt/text_label.h"

namespace tq::ui {
namespace {

// A list takes the mouse wheel only while it has the keyboard focus: each
// pick is written to the board at once, so a wheel turned over a list on the
// way elsewhere must not change it. The wheel no longer gives it the focus.
class FocusedWheelComboBox final : public QComboBox {
 public:
  explicit FocusedWheelComboBox(QWidget* parent) : QComboBox(parent) {
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void wheelEvent(QWheelEvent* event) override {
    if (hasFocus()) {
      QComboBox::wheelEvent(event);
    } else {
      event->ignore();
    }
  }
};

QWidget* NewLine(const Line& model, QWidget* parent) {
  if (model.Y1() == model.Y2() || model.X1() == model.X2()) {
    auto* line = new QFrame(parent);
    line->setFrameShape(model.Y1() == model.Y2() ? QFrame::HLine : QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
  }
  const bool falling = (model.X2() > model.X1()) == (model.Y2() > model.Y1());
  return NewSlantedLine(parent, falling);
}

}  // namespace

void TopLevel::closeEvent(QCloseEvent* event) {
  // The program's unload is never cancelled, and runs once: Qt sends a
  // close to a hidden widget too, and quitting closes what is still open.
  if (!unloaded_) {
    unloaded_ = true;
    window_.Close();
  }
  event->accept();
}

void QtView::Impl::Build(Container& container, QWidget* parent) {
  for (Control* control : container.Children()) {
    QWidget* widget = Create(*control, parent);
    if (control->GetKind() == Kind::Frame) {
      Build(static_cast<Container&>(*control), widget);
    }
  }
}

QWidget* QtView::Impl::Create(Control& control, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (control.GetKind()) {
    case Kind::Window:
      return nullptr;
    case Kind::Frame:
      widget = new QGroupBox(parent);
      break;
    case Kind::Label:
      // Only a label that names a control need be one of Qt's (text_label.h).
      if (static_cast<const Label&>(control).LabelFor()) {
        widget = new BuddyLabel(parent);
      } else {
        widget = new TextLabel(parent);
      }
      break;
    case Kind::ComboBox: {
      auto* combo = new FocusedWheelComboBox(parent);
      combo->setEditable(false);
      auto& model = static_cast<ComboBox&>(control);
      // Only the user's own pick reaches the model, a pick of the item
      // already selected included; selections the view mirrors are made
      // under a signal blocker.
      QObject::connect(combo, qOverload<int>(&QComboBox::activated), [this, &model](int index) {
        model.UserPick(index);
        Mirror(model, Change::Selection);  // the handler may have moved it again
      });
      widget = combo;
      break;
    }
    case Kind::CheckBox: {
      auto* box = new QCheckBox(parent);
      auto& model = static_cast<CheckBox&>(control);
      QObject::connect(box, &QCheckBox::clicked, [this, &model] {
        model.UserToggle();
        Mirror(model, Change::Value);  // the model may have refused; show what it holds
      });
      widget = box;
      break;
    }
    case Kind::PushButton: {
      auto* button = new QPushButton(parent);
      auto& model = static_cast<PushButton&>(control);
      QObject::connect(button, &QPushButton::clicked, [&model] { model.UserPress(); });
      widget = button;
      break;
    }
    case Kind::Timer: {
      auto* timer = new QTimer(top.get());
      auto& model = static_cast<Timer&>(control);
      timer->setSingleShot(model.Mode() == TimerMode::OnRequest);
      QObject::connect(timer, &QTimer::timeout, [&model] { model.Tick(); });
      timers[&control] = timer;
      MirrorTimer(model);
      return nullptr;
    }
    case Kind::Bar:
      widget = new BarWidget(parent, static_cast<const Bar&>(control), IndicatorBorder());
      break;
    case Kind::Lamp:
      widget = new LampWidget(parent, static_cast<const Lamp&>(control), IndicatorBorder());
      break;
    case Kind::Line:
      widget = NewLine(static_cast<const Line&>(control), parent);
      break;
  }
  widgets[&control] = widget;
  Place(control, widget);
  MirrorAll(control);
  widget->show();
  return widget;
}

}  // namespace tq::ui
