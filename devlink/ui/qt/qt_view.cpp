#include "ui/qt/qt_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace tq::ui {
namespace {

constexpr double kTwipsPerInch = 1440.0;

QPalette::ColorRole RoleOf(SystemColor color) {
  switch (color) {
    case SystemColor::WindowBackground: return QPalette::Base;
    case SystemColor::WindowText: return QPalette::Text;
    case SystemColor::ButtonFace: return QPalette::Window;
    case SystemColor::ButtonText: return QPalette::WindowText;
  }
  return QPalette::Window;
}

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// The desktop's colour for `color` in every state, so a disabled label greys
// its text the way the desktop does rather than keeping its active colour.
void SetSystemColor(QPalette& palette, QPalette::ColorRole target, SystemColor color) {
  const QPalette system = QGuiApplication::palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, target, system.color(group, RoleOf(color)));
  }
}

}  // namespace

// The top-level widget: closing it is the user closing the program's window.
class QtView::TopLevel final : public QWidget {
 public:
  explicit TopLevel(Window& window) : window_(window) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    // The program's unload is never cancelled, and runs once: Qt sends a
    // close to a hidden widget too, and quitting closes what is still open.
    if (!unloaded_) {
      unloaded_ = true;
      window_.Close();
    }
    event->accept();
  }

 private:
  Window& window_;
  bool unloaded_ = false;
};

// A line that is neither level nor upright, drawn corner to corner.
class QtView::SlantedLine final : public QWidget {
 public:
  SlantedLine(QWidget* parent, bool falling) : QWidget(parent), falling_(falling) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect r = rect();
    if (falling_) {
      painter.drawLine(r.topLeft(), r.bottomRight());
    } else {
      painter.drawLine(r.bottomLeft(), r.topRight());
    }
  }

 private:
  bool falling_;
};

QtView::QtView(Window& window)
    : window_(window), top_(std::make_unique<TopLevel>(window)) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  pixelsPerTwip_ = dpi / kTwipsPerInch;

  const Font& font = window.GetFont();
  QFont qfont(ToQt(font.face));
  qfont.setPointSize(font.pointSize);
  // Where the face is missing, fontconfig's metric-compatible substitute
  // keeps the layout's text widths.
  qfont.setStyleHint(QFont::SansSerif);
  top_->setFont(qfont);
  top_->setWindowTitle(ToQt(window.Caption()));
  top_->setFixedSize(Pixels(window.ClientWidth()), Pixels(window.ClientHeight()));
  widgets_[&window] = top_.get();

  Build(window, top_.get());
  window.AttachView(this);
}

QtView::~QtView() {
  if (window_.View() == this) window_.AttachView(nullptr);
  for (auto& [control, timer] : timers_) timer->stop();
}

QWidget* QtView::Widget() const { return top_.get(); }

QWidget* QtView::WidgetOf(const Control& control) const {
  const auto it = widgets_.find(&control);
  return it == widgets_.end() ? nullptr : it->second;
}

QTimer* QtView::TimerOf(const Control& control) const {
  const auto it = timers_.find(&control);
  return it == timers_.end() ? nullptr : it->second;
}

int QtView::Pixels(int twips) const {
  return static_cast<int>(std::lround(twips * pixelsPerTwip_));
}

bool QtView::SaveScreenshot(const std::string& pngPath) const {
  const QPixmap picture = top_->grab();
  return !picture.isNull() && picture.save(ToQt(pngPath), "PNG");
}

void QtView::Build(Container& container, QWidget* parent) {
  for (Control* control : container.Children()) {
    QWidget* widget = Create(*control, parent);
    if (control->GetKind() == Kind::Frame) {
      Build(static_cast<Container&>(*control), widget);
    }
  }
}

QWidget* QtView::Create(Control& control, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (control.GetKind()) {
    case Kind::Window:
      return nullptr;
    case Kind::Frame:
      widget = new QGroupBox(parent);
      break;
    case Kind::Label: {
      auto* label = new QLabel(parent);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setWordWrap(true);
      label->setAutoFillBackground(true);
      widget = label;
      break;
    }
    case Kind::ComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(false);
      auto& model = static_cast<ComboBox&>(control);
      // Only the user's own pick reaches the model; selections the view
      // mirrors are made under a signal blocker.
      QObject::connect(combo, qOverload<int>(&QComboBox::activated), [this, &model](int index) {
        model.UserPick(index);
        Mirror(model);  // a pick of the item already held raises nothing; show the model
      });
      widget = combo;
      break;
    }
    case Kind::CheckBox: {
      auto* box = new QCheckBox(parent);
      auto& model = static_cast<CheckBox&>(control);
      QObject::connect(box, &QCheckBox::clicked, [this, &model] {
        model.UserToggle();
        Mirror(model);  // the model may have refused; show what it holds
      });
      widget = box;
      break;
    }
    case Kind::Timer: {
      auto* timer = new QTimer(top_.get());
      auto& model = static_cast<Timer&>(control);
      QObject::connect(timer, &QTimer::timeout, [&model] { model.Tick(); });
      timers_[&control] = timer;
      Mirror(control);
      return nullptr;
    }
    case Kind::Line: {
      const auto& model = static_cast<const Line&>(control);
      if (model.Y1() == model.Y2() || model.X1() == model.X2()) {
        auto* line = new QFrame(parent);
        line->setFrameShape(model.Y1() == model.Y2() ? QFrame::HLine : QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        widget = line;
      } else {
        const bool falling = (model.X2() > model.X1()) == (model.Y2() > model.Y1());
        widget = new SlantedLine(parent, falling);
      }
      break;
    }
  }
  widgets_[&control] = widget;
  Place(control, widget);
  Mirror(control);
  widget->show();
  return widget;
}

void QtView::Place(const Control& control, QWidget* widget) const {
  const TwipsRect r = control.Position();
  if (control.GetKind() == Kind::Line) {
    const auto& line = static_cast<const Line&>(control);
    const int left = Pixels(std::min(line.X1(), line.X2()));
    const int top = Pixels(std::min(line.Y1(), line.Y2()));
    const int width = Pixels(std::abs(line.X2() - line.X1()));
    const int height = Pixels(std::abs(line.Y2() - line.Y1()));
    // Level and upright rules are two pixels thick, centred on the line.
    if (height == 0) {
      widget->setGeometry(left, top - 1, std::max(1, width), 2);
    } else if (width == 0) {
      widget->setGeometry(left - 1, top, 2, height);
    } else {
      widget->setGeometry(left, top, width + 1, height + 1);
    }
    return;
  }
  widget->setGeometry(Pixels(r.left), Pixels(r.top), Pixels(r.width), Pixels(r.height));
}

void QtView::Mirror(Control& control) {
  if (control.GetKind() == Kind::Timer) {
    auto& model = static_cast<Timer&>(control);
    QTimer* timer = TimerOf(control);
    if (!timer) return;
    // A new interval starts the count afresh, as it does on the desktop.
    if (timer->interval() != model.Interval()) timer->setInterval(model.Interval());
    if (model.Enabled() && !timer->isActive()) timer->start();
    if (!model.Enabled()) timer->stop();
    return;
  }
  QWidget* widget = WidgetOf(control);
  if (!widget) return;
  const QSignalBlocker blocker(widget);
  // Each widget keeps its own state: a disabled frame greys its children in
  // Qt, and re-enabling it restores exactly those the model holds enabled.
  widget->setEnabled(control.Enabled());
  widget->setToolTip(ToQt(control.Hint()));
  switch (control.GetKind()) {
    case Kind::Window:
      widget->setWindowTitle(ToQt(control.Caption()));
      break;
    case Kind::Frame:
      static_cast<QGroupBox*>(widget)->setTitle(ToQt(control.Caption()));
      break;
    case Kind::Label: {
      auto& model = static_cast<Label&>(control);
      auto* label = static_cast<QLabel*>(widget);
      label->setText(ToQt(model.Caption()));
      QPalette palette = label->palette();
      SetSystemColor(palette, QPalette::Window, model.BackColor());
      SetSystemColor(palette, QPalette::WindowText, model.ForeColor());
      label->setPalette(palette);
      break;
    }
    case Kind::ComboBox: {
      auto& model = static_cast<ComboBox&>(control);
      auto* combo = static_cast<QComboBox*>(widget);
      MirrorItems(model, combo);
      // Qt selects the first item appended to an empty list; the model has
      // the last word.
      combo->setCurrentIndex(model.ListIndex());
      break;
    }
    case Kind::CheckBox: {
      auto& model = static_cast<CheckBox&>(control);
      auto* box = static_cast<QCheckBox*>(widget);
      box->setText(ToQt(model.Caption()));
      box->setChecked(model.Value() != 0);
      break;
    }
    case Kind::Timer:
    case Kind::Line:
      break;
  }
}

// Lists grow one item per notification while a program fills them, so only
// what the widget lacks is appended; anything else rebuilds the list.
void QtView::MirrorItems(const ComboBox& model, QComboBox* combo) {
  const std::vector<std::string>& items = model.Items();
  const int held = combo->count();
  bool prefix = held <= model.ListCount();
  for (int i = 0; prefix && i < held; ++i) {
    prefix = combo->itemText(i) == ToQt(items[static_cast<std::size_t>(i)]);
  }
  if (!prefix) combo->clear();
  for (int i = combo->count(); i < model.ListCount(); ++i) {
    combo->addItem(ToQt(items[static_cast<std::size_t>(i)]));
  }
}

void QtView::OnChanged(Control& control, Change change) {
  if (change == Change::Shown) {
    top_->show();
    top_->repaint();  // painted before the program goes on searching
    return;
  }
  Mirror(control);
}

}  // namespace tq::ui
