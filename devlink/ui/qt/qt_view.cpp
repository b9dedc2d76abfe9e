#include "devlink/ui/qt/qt_view.h"
#include "devlink/ui/qt/indicators.h"
#include "devlink/ui/qt/text_label.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>
#include <QWheelEvent>
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

// What a style draws beside a text in a control of the given height: the
// control's width less the room its text gets.
int ComboBoxChrome(const QComboBox& combo) {
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = false;
  option.frame = combo.hasFrame();
  constexpr int kProbeWidth = 1000;
  option.rect = QRect(0, 0, kProbeWidth, combo.height());
  const QRect field =
      combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
  // Styles draw the item one pixel in from each side of the field.
  return kProbeWidth - field.width() + 2;
}

int CheckBoxChrome(const QCheckBox& box) {
  QStyleOptionButton option;
  option.initFrom(&box);
  constexpr int kProbeWidth = 1000;
  option.rect = QRect(0, 0, kProbeWidth, box.height());
  return kProbeWidth - box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
}

// What the style draws around a button's caption: its bevel and margins.
// Measured beside a wide caption, past any least width the style gives a
// button with a short one.
int PushButtonChrome(const QPushButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  constexpr int kProbeWidth = 1000;
  const QSize around = button.style()->sizeFromContents(
      QStyle::CT_PushButton, &option, QSize(kProbeWidth, button.fontMetrics().height()), &button);
  return around.width() - kProbeWidth;
}

int GroupBoxChrome(const QGroupBox& frame) {
  QStyleOptionGroupBox option;
  option.initFrom(&frame);
  option.text = frame.title();
  option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
  option.lineWidth = 1;
  option.rect = QRect(0, 0, 1000, frame.height());
  const QRect label =
      frame.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &frame);
  // As much room after the caption as before it.
  return label.width() - frame.fontMetrics().horizontalAdvance(frame.title()) + 2 * label.left();
}

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
  widgets_[&window] = top_.get();

  Build(window, top_.get());
  for (const auto& [control, widget] : widgets_) {
    if (widget) needs_.Set(*control, control == &window ? TitleNeed() : MeasureNeed(*control, widget));
  }
  Relayout();
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

int QtView::IndicatorBorder() const { return std::max(1, Pixels(kIndicatorBorderTwips)); }

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
    case Kind::Label:
      widget = new TextLabel(parent);
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
      auto* timer = new QTimer(top_.get());
      auto& model = static_cast<Timer&>(control);
      QObject::connect(timer, &QTimer::timeout, [&model] { model.Tick(); });
      timers_[&control] = timer;
      MirrorTimer(model);
      return nullptr;
    }
    case Kind::Bar:
      widget = new BarWidget(parent, static_cast<const Bar&>(control), IndicatorBorder());
      break;
    case Kind::Lamp:
      widget = new LampWidget(parent, static_cast<const Lamp&>(control), IndicatorBorder());
      break;
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
  MirrorAll(control);
  widget->show();
  return widget;
}

PixelRect QtView::Designed(const Control& control) const {
  return DesignedRect(control, [this](int twips) { return Pixels(twips); });
}

// Each widget's size is fixed at what the layout gives it. Qt asks the
// parent of a widget whose size may vary to lay out again whenever its
// contents change: a label's new caption would post a layout request to
// its frame, which a group box answers by building its style's options,
// sixty times a second for a monitor's value. The layout here is ours, so
// nothing is lost.
void QtView::Place(const Control& control, QWidget* widget) const {
  const auto it = layout_.rects.find(&control);
  const PixelRect r = DrawnRect(control, it == layout_.rects.end() ? Designed(control) : it->second);
  widget->setFixedSize(r.width, r.height);
  widget->move(r.left, r.top);
}

// How wide `text` is in the window's font, which every control draws in,
// shaped now.
int QtView::MeasureText(const std::string& text) const {
  return top_->fontMetrics().horizontalAdvance(ToQt(text));
}

// Read-backs fill the same items again and again: each text is shaped once
// (text_needs.h).
int QtView::TextWidth(const std::string& text) {
  return needs_.TextWidth(text, [this](const std::string& t) { return MeasureText(t); });
}

// The width `control` needs for its text in the font it is drawn with: the
// text plus what the style draws around it at the control's height.
int QtView::MeasureNeed(const Control& control, QWidget* widget) {
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
      const int widest = needs_.WidestNewItem(
          static_cast<const ComboBox&>(control),
          [this](const std::string& item) { return MeasureText(item); });
      if (widest == 0) return 0;
      // The style's frame and arrow take the same room at every width.
      int& chrome = comboChrome_[&control];
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
int QtView::TitleNeed() const {
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance(ToQt(window_.Caption())) + 6 * metrics.height();
}

// Records what `control` needs now; lays the window out again when that no
// longer fits (text_needs.h).
void QtView::UpdateNeed(const Control& control) {
  QWidget* widget = WidgetOf(control);
  if (!widget) return;
  const int need = control.GetKind() == Kind::Window ? TitleNeed() : MeasureNeed(control, widget);
  if (needs_.Grow(control, need, layout_)) Relayout();
}

void QtView::Relayout() {
  layout_ = needs_.Fit(window_, [this](const Control& c) { return Designed(c); });
  top_->setFixedSize(layout_.clientWidth, layout_.clientHeight);
  for (const auto& [control, widget] : widgets_) {
    if (widget && widget != top_.get()) Place(*control, widget);
  }
}

void QtView::MirrorTimer(const Timer& model) {
  QTimer* timer = TimerOf(model);
  if (!timer) return;
  // A new interval starts the count afresh, as it does on the desktop.
  if (timer->interval() != model.Interval()) timer->setInterval(model.Interval());
  if (model.Enabled() && !timer->isActive()) timer->start();
  if (!model.Enabled()) timer->stop();
}

void QtView::MirrorAll(Control& control) {
  for (const Change change : {Change::Enabled, Change::Hint, Change::Caption, Change::Colors,
                              Change::Items, Change::Value, Change::Marked}) {
    Mirror(control, change);
  }
}

// Only the property that changed is applied: a read-back changes hundreds of
// properties, and re-applying a widget's whole state for each costs many
// times what the change itself does.
void QtView::Mirror(Control& control, Change change) {
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
      if (layout_.clientWidth > 0) UpdateNeed(control);
      if (kind == Kind::Window) widget->setWindowTitle(ToQt(control.Caption()));
      if (kind == Kind::Frame) static_cast<QGroupBox*>(widget)->setTitle(ToQt(control.Caption()));
      if (kind == Kind::Label) static_cast<TextLabel*>(widget)->setText(ToQt(control.Caption()));
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
      if (layout_.clientWidth > 0) UpdateNeed(control);
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
}

// Only what the widget lacks is appended (list_mirror.h).
void QtView::MirrorItems(const ComboBox& model, QComboBox* combo) {
  const ListMirror::Steps steps = lists_.Mirror(model, combo->count());
  if (steps.clear) combo->clear();
  const std::vector<std::string>& items = model.Items();
  for (std::size_t i = steps.appendFrom; i < items.size(); ++i) combo->addItem(ToQt(items[i]));
}

void QtView::OnChanged(Control& control, Change change) {
  if (change == Change::Shown) {
    top_->show();
    top_->repaint();  // painted before the program goes on searching
    return;
  }
  Mirror(control, change);
}

}  // namespace tq::ui
