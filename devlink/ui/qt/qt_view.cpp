#include "ui/qt/qt_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QWidget>
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

}  // namespace

// The top-level widget: closing it is the user closing the program's window.
class QtView::TopLevel final : public QWidget {
 public:
  explicit TopLevel(Window& window) : window_(window) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    // The program's unload is never cancelled.
    window_.Close();
    event->accept();
  }

 private:
  Window& window_;
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
  window_.AttachView(nullptr);
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
  return top_->grab().save(ToQt(pngPath), "PNG");
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
      QObject::connect(combo, qOverload<int>(&QComboBox::activated),
                       [&model](int index) { model.UserPick(index); });
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
      auto* line = new QFrame(parent);
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Sunken);
      widget = line;
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
    // A horizontal rule two pixels high, centred on the line.
    const auto& line = static_cast<const Line&>(control);
    const int width = std::max(1, Pixels(line.X2() - line.X1()));
    widget->setGeometry(Pixels(line.X1()), Pixels(line.Y1()) - 1, width, 2);
    return;
  }
  widget->setGeometry(Pixels(r.left), Pixels(r.top), Pixels(r.width), Pixels(r.height));
}

void QtView::Mirror(Control& control) {
  if (control.GetKind() == Kind::Timer) {
    auto& model = static_cast<Timer&>(control);
    QTimer* timer = TimerOf(control);
    if (!timer) return;
    timer->setInterval(model.Interval());
    if (model.Enabled() && !timer->isActive()) timer->start();
    if (!model.Enabled()) timer->stop();
    return;
  }
  QWidget* widget = WidgetOf(control);
  if (!widget) return;
  const QSignalBlocker blocker(widget);
  if (&control != &window_) {
    widget->setEnabled(control.Enabled());
    widget->setToolTip(ToQt(control.Hint()));
  }
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
      const QPalette system;
      palette.setColor(QPalette::Window, system.color(RoleOf(model.BackColor())));
      palette.setColor(QPalette::WindowText, system.color(RoleOf(model.ForeColor())));
      label->setPalette(palette);
      break;
    }
    case Kind::ComboBox: {
      auto& model = static_cast<ComboBox&>(control);
      auto* combo = static_cast<QComboBox*>(widget);
      if (combo->count() != model.ListCount()) {
        combo->clear();
        for (const std::string& item : model.Items()) combo->addItem(ToQt(item));
      } else {
        for (int i = 0; i < model.ListCount(); ++i) {
          combo->setItemText(i, ToQt(model.Items()[static_cast<std::size_t>(i)]));
        }
      }
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

void QtView::OnChanged(Control& control, Change change) {
  if (change == Change::Shown) {
    top_->show();
    top_->repaint();  // painted before the program goes on searching
    return;
  }
  Mirror(control);
}

}  // namespace tq::ui
