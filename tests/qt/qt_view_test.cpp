// The Qt view against a small model window: where it puts things, that it
// mirrors the model, and that each user action reaches the model once and
// each program-made change raises nothing twice.
#include "devlink/ui/qt/qt_view.h"
#include "devlink/ui/qt/text_label.h"
#include "tests/indicator_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QFile>
#include <QGroupBox>
#include <QFontInfo>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QAccessible>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <thread>

namespace tq::ui {
namespace {

struct Sample {
  Window window{"frmMain", "Sample", 3000, 1500};
  Frame frame{window, "Frame1", {120, 0, 2800, 1400}, "Group"};
  Label value{frame, "lblValue", {240, 360, 1500, 300}};
  ComboBox list{frame, "List", {240, 720, 900, 360}};
  CheckBox check{frame, "Check", {1500, 720, 1200, 300}, "Invert"};
  Timer timer{frame, "Timer", 50};
  Line rule{window, "Line1", 120, 1440, 2880, 1440};
  int listClicks = 0;
  int checkClicks = 0;
  int ticks = 0;
  int unloads = 0;
  Sample() {
    value.SetColors(SystemColor::WindowBackground, SystemColor::WindowText);
    list.Click = [this] { ++listClicks; };
    check.Click = [this] { ++checkClicks; };
    timer.TimerEvent = [this] { ++ticks; };
    window.Unload = [this] { ++unloads; };
  }
};

template <typename W>
W* As(const QtView& view, const Control& control) {
  return dynamic_cast<W*>(view.WidgetOf(control));
}

TEST(QtView, PlacesControlsAtTheirTwipsScaledToTheScreen) {
  Sample s;
  QtView view(s.window);
  // 96 dpi on the offscreen screen: 1440 twips an inch / 96 = 15 twips a
  // pixel, and every figure below is the designed twips / 15.
  ASSERT_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInch(), 96.0);
  ASSERT_EQ(view.Pixels(1440), qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
  EXPECT_EQ(view.Widget()->size(), QSize(200, 100));  // 3000 x 1500 twips
  EXPECT_EQ(view.Widget()->windowTitle(), "Sample");
  auto* list = As<QComboBox>(view, s.list);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->parentWidget(), view.WidgetOf(s.frame));
  EXPECT_EQ(list->geometry(), QRect(16, 48, 60, 24));  // 240, 720, 900, 360 twips
  EXPECT_FALSE(list->isEditable());
  EXPECT_EQ(As<QGroupBox>(view, s.frame)->title(), "Group");
  // From (120, 1440) to (2880, 1440) twips: x 8, y 96, 2760 / 15 = 184
  // long, two pixels thick, centred on its row (one above, one on it).
  EXPECT_EQ(view.WidgetOf(s.rule)->geometry(), QRect(8, 95, 184, 2));
  // Arial, or the metric-compatible face that stands in for it, so the
  // captions fit the boxes laid out for them.
  const QFontInfo face(view.Widget()->font());
  EXPECT_TRUE(face.family() == "Arial" || face.family() == "Liberation Sans")
      << face.family().toStdString();
  EXPECT_EQ(face.pointSize(), 10);
  // Value labels take the colours of the system's text fields.
  const TextLabel* label = As<TextLabel>(view, s.value);
  EXPECT_EQ(label->palette().color(QPalette::Window), QPalette().color(QPalette::Base));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QPalette().color(QPalette::Text));
  // ... greyed in the system's way when disabled.
  EXPECT_EQ(label->palette().color(QPalette::Disabled, QPalette::WindowText),
            QPalette().color(QPalette::Disabled, QPalette::Text));
}

TEST(QtView, MirrorsTheModel) {
  Sample s;
  QtView view(s.window);
  s.value.SetCaption(" 1.21");
  s.list.SetHint("pick one");
  s.check.SetValue(1);
  s.value.SetColors(SystemColor::ButtonFace, SystemColor::ButtonText);
  EXPECT_EQ(As<TextLabel>(view, s.value)->text(), " 1.21");
  EXPECT_EQ(view.WidgetOf(s.list)->toolTip(), "pick one");
  EXPECT_TRUE(As<QCheckBox>(view, s.check)->isChecked());
  EXPECT_EQ(view.WidgetOf(s.value)->palette().color(QPalette::Window),
            QPalette().color(QPalette::Window));

  // A disabled frame greys all it holds; enabling it again brings back each
  // control as the model holds it.
  s.list.SetEnabled(false);
  s.frame.SetEnabled(false);
  EXPECT_FALSE(view.WidgetOf(s.frame)->isEnabled());
  EXPECT_FALSE(view.WidgetOf(s.check)->isEnabled());
  s.frame.SetEnabled(true);
  EXPECT_TRUE(view.WidgetOf(s.check)->isEnabled());
  EXPECT_FALSE(view.WidgetOf(s.list)->isEnabled());
  s.window.SetCaption("Other");
  EXPECT_EQ(view.Widget()->windowTitle(), "Other");
}

TEST(QtView, ListsShowOnlyWhatTheModelSelects) {
  Sample s;
  QtView view(s.window);
  auto* list = As<QComboBox>(view, s.list);
  // Qt would select the first item appended to an empty list.
  s.list.AddItem("OFF");
  s.list.AddItem("1:1");
  EXPECT_EQ(list->count(), 2);
  EXPECT_EQ(list->currentIndex(), -1);
  EXPECT_EQ(s.list.ListIndex(), -1);
  EXPECT_EQ(s.listClicks, 0);

  s.list.SetListIndex(1);  // a program-made selection raises once, in the model
  EXPECT_EQ(s.listClicks, 1);
  EXPECT_EQ(list->currentIndex(), 1);

  // The user's pick, from the keyboard: one click, and the model holds it.
  QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
  QApplication::sendEvent(list, &up);
  EXPECT_EQ(s.listClicks, 2);
  EXPECT_EQ(s.list.ListIndex(), 0);
  EXPECT_EQ(list->currentIndex(), 0);

  s.list.Clear();
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(s.listClicks, 2);
  // Refilled with other items: the widget shows those, still unselected.
  s.list.AddItem("8 ms");
  EXPECT_EQ(list->count(), 1);
  EXPECT_EQ(list->itemText(0), "8 ms");
  EXPECT_EQ(list->currentIndex(), -1);
}

// A button in a frame, one with a caption too wide for it beside a label
// that must move out of its way.
struct ButtonSample {
  Window window{"frmMain", "Buttons", 3000, 1500};
  Frame frame{window, "fraCounts", {120, 0, 2800, 1400}, "Counts"};
  PushButton reset{frame, "cmdReset", {240, 360, 1200, 360}, "Reset"};
  PushButton narrow{frame, "cmdNarrow", {240, 840, 300, 360}, "Read the settings again"};
  Label beside{frame, "lblBeside", {540, 840, 600, 360}, "X"};
  int clicks = 0;
  ButtonSample() { reset.Click = [this] { ++clicks; }; }
};

void Press(QWidget* widget, QEvent::Type type) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

TEST(QtView, APushButtonMirrorsTheModelAndRaisesClickOncePerPress) {
  ButtonSample s;
  QtView view(s.window);
  s.window.Show();
  auto* button = As<QPushButton>(view, s.reset);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->parentWidget(), view.WidgetOf(s.frame));
  ASSERT_EQ(view.Pixels(1440), 96);
  EXPECT_EQ(button->geometry(), QRect(16, 24, 80, 24));  // as designed: "Reset" fits
  EXPECT_EQ(button->text(), "Reset");

  s.reset.SetCaption("Reset all");
  EXPECT_EQ(button->text(), "Reset all");
  EXPECT_EQ(s.clicks, 0);

  // Pressed and released with the mouse: one click, on the release.
  Press(button, QEvent::MouseButtonPress);
  EXPECT_EQ(s.clicks, 0);
  Press(button, QEvent::MouseButtonRelease);
  EXPECT_EQ(s.clicks, 1);

  // Disabled: greyed and not pressed.
  s.reset.SetEnabled(false);
  EXPECT_FALSE(button->isEnabled());
  Press(button, QEvent::MouseButtonPress);
  Press(button, QEvent::MouseButtonRelease);
  EXPECT_EQ(s.clicks, 1);
  s.reset.SetEnabled(true);
  button->click();
  EXPECT_EQ(s.clicks, 2);
}

TEST(QtView, APushButtonWidensForItsCaption) {
  ButtonSample s;
  QtView view(s.window);
  // Where the style draws the caption inside the bevel, for a button `width`
  // pixels wide as laid out.
  const auto room = [&](const QPushButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.rect = QRect(QPoint(0, 0), button.size());
    return button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button).width();
  };
  const auto advance = [](const QPushButton& button) {
    return button.fontMetrics().horizontalAdvance(button.text());
  };
  auto* narrow = As<QPushButton>(view, s.narrow);
  ASSERT_EQ(view.Pixels(300), 20);
  EXPECT_GT(narrow->width(), 20);
  EXPECT_LE(advance(*narrow), room(*narrow));
  // The label beside it moved right by what the button grew.
  EXPECT_EQ(view.WidgetOf(s.beside)->x(), 36 + narrow->width() - 20);
  EXPECT_EQ(As<QPushButton>(view, s.reset)->width(), 80);

  // A caption set later that no longer fits widens it again.
  s.reset.SetCaption("Reset the counts, lowest and highest, and the marks");
  auto* reset = As<QPushButton>(view, s.reset);
  EXPECT_GT(reset->width(), 80);
  EXPECT_LE(advance(*reset), room(*reset));
}

// A wheel turn over the list, as the window system delivers it to the
// widget under the pointer.
void TurnWheel(QWidget* widget, int notches) {
  const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
  QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120 * notches),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &wheel);
}

TEST(QtView, WheelMovesOnlyAFocusedListAndARepickIsAClick) {
  Sample s;
  QtView view(s.window);
  auto* list = As<QComboBox>(view, s.list);
  for (const char* item : {"OFF", "1:1", "1:2", "1:4"}) s.list.AddItem(item);
  s.list.SetListIndex(1);
  s.window.Show();
  QApplication::setActiveWindow(view.Widget());
  view.WidgetOf(s.check)->setFocus();
  ASSERT_TRUE(view.WidgetOf(s.check)->hasFocus());
  s.listClicks = 0;

  // Over the list while the check box has the focus: nothing changes, and
  // the list does not take the focus either.
  TurnWheel(list, 2);
  EXPECT_EQ(s.list.ListIndex(), 1);
  EXPECT_EQ(list->currentIndex(), 1);
  EXPECT_EQ(s.listClicks, 0);
  EXPECT_FALSE(list->hasFocus());

  // Once the user has given it the focus, the wheel picks.
  list->setFocus();
  ASSERT_TRUE(list->hasFocus());
  TurnWheel(list, 1);
  EXPECT_EQ(s.list.ListIndex(), 2);
  EXPECT_EQ(s.listClicks, 1);

  // The user picks the item already shown: a click. Code setting the same
  // position: none.
  list->showPopup();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(list->view(), &enter);
  EXPECT_EQ(s.listClicks, 2);
  EXPECT_EQ(s.list.ListIndex(), 2);
  s.list.SetListIndex(2);
  EXPECT_EQ(s.listClicks, 2);
}

TEST(QtView, UserToggleAndTimerAndClose) {
  Sample s;
  QtView view(s.window);
  auto* check = As<QCheckBox>(view, s.check);
  check->click();
  EXPECT_EQ(s.checkClicks, 1);
  EXPECT_EQ(s.check.Value(), 1);
  EXPECT_TRUE(check->isChecked());
  s.check.SetValue(1);  // the state it has: nothing
  EXPECT_EQ(s.checkClicks, 1);

  QTimer* timer = view.TimerOf(s.timer);
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());
  s.timer.SetEnabled(true);
  s.timer.SetInterval(20);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 20);
  QElapsedTimer clock;
  clock.start();
  while (s.ticks < 2 && clock.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_GE(s.ticks, 2);
  s.timer.SetEnabled(false);
  EXPECT_FALSE(timer->isActive());

  s.window.Show();
  EXPECT_TRUE(view.Widget()->isVisible());
  view.Widget()->close();
  EXPECT_EQ(s.unloads, 1);
  EXPECT_FALSE(view.Widget()->isVisible());
  // A second close request from the window system, queued behind the first.
  QCloseEvent again;
  QApplication::sendEvent(view.Widget(), &again);
  EXPECT_EQ(s.unloads, 1);
}

// A reading thread's requests: one tick each, from the event loop, an
// interval after the first of them, and none without one.
TEST(QtView, ATimerOnRequestTicksOnceForManyRequestsFromAnotherThread) {
  Window window{"frmMain", "Sample", 3000, 1500};
  Timer wake{window, "Timer", 20, TimerMode::OnRequest};
  int ticks = 0;
  wake.TimerEvent = [&] { ++ticks; };
  QtView view(window);
  QTimer* timer = view.TimerOf(wake);
  ASSERT_NE(timer, nullptr);
  wake.SetEnabled(true);
  EXPECT_FALSE(timer->isActive()) << "enabled, but nothing asked for";
  const auto pump = [](int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
  };
  pump(100);
  EXPECT_EQ(ticks, 0);

  std::thread news([&] {
    for (int i = 0; i < 100; ++i) wake.Request();
  });
  news.join();
  EXPECT_EQ(ticks, 0) << "never inside the requesting call";
  pump(200);
  EXPECT_EQ(ticks, 1);
  EXPECT_FALSE(timer->isActive());

  // Disabled while a request waits: no tick until enabled again.
  std::thread([&] { wake.Request(); }).join();
  wake.SetEnabled(false);
  pump(100);
  EXPECT_EQ(ticks, 1);
  std::thread([&] { wake.Request(); }).join();
  wake.SetEnabled(true);
  pump(200);
  EXPECT_EQ(ticks, 2);
}

TEST(QtView, WritesAScreenshot) {
  Sample s;
  QtView view(s.window);
  s.window.Show();
  const QString path = QDir::temp().filePath("tq_qt_view_test.png");
  QFile::remove(path);
  ASSERT_TRUE(view.SaveScreenshot(path.toStdString()));
  const QImage image(path);
  EXPECT_EQ(image.size(), view.Widget()->size() * view.Widget()->devicePixelRatio());
  // Drawn, not blank: text, borders and the value label's field colour.
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  EXPECT_GT(colours.size(), 8);
  QFile::remove(path);
}

// The control as painted, one pixel of the image to each of the view's
// pixels whatever the screen's scale.
QImage Grab(const QtView& view, const Control& control) {
  QWidget* widget = view.WidgetOf(control);
  QImage image(widget->size(), QImage::Format_RGB32);
  widget->render(&image);
  return image;
}

// As 8-bit RGB, as the picture holds it (a palette's colours are finer).
QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & RGB_MASK; }
QRgb Rgb(const QColor& colour) { return colour.rgb() & RGB_MASK; }

TEST(QtView, BarsAndLampsShowTheModelInTheDesktopsColours) {
  IndicatorWindow s;
  QtView view(s.window);
  s.window.Show();
  const QPalette colours = view.WidgetOf(s.x)->palette();
  const QRgb warning = kWarningColor;
  const int border = view.IndicatorBorder();
  EXPECT_EQ(border, 1);  // kIndicatorBorderTwips, 15, at 15 twips a pixel

  // Half of 0 .. 127 filled, to the pixel the model gives.
  QImage bar = Grab(view, s.x);
  const int inner = bar.width() - 2 * border;
  const int filled = s.x.FilledWidth(inner);
  EXPECT_EQ(filled, (64 * inner + 63) / 127);
  EXPECT_EQ(At(bar, 0, 0), Rgb(colours.color(QPalette::Dark)));
  EXPECT_EQ(At(bar, border + 1, border + 1), Rgb(colours.color(QPalette::Highlight)));
  EXPECT_EQ(At(bar, border + filled - 1, border + 1), Rgb(colours.color(QPalette::Highlight)));
  EXPECT_EQ(At(bar, border + filled, border + 1), Rgb(colours.color(QPalette::Base)));
  // The caption across the middle, in both parts' text colours.
  QSet<QRgb> middle;
  for (int x = border; x < bar.width() - border; ++x) middle.insert(bar.pixel(x, bar.height() / 2));
  EXPECT_GT(middle.size(), 2);
  // A quarter of -100 .. 100.
  bar = Grab(view, s.slider);
  EXPECT_EQ(At(bar, border + s.slider.FilledWidth(inner) - 1, border + 1), Rgb(colours.color(QPalette::Highlight)));
  EXPECT_EQ(At(bar, border + s.slider.FilledWidth(inner), border + 1), Rgb(colours.color(QPalette::Base)));
  EXPECT_NEAR(s.slider.FilledWidth(inner), inner / 4, 1);

  // Lit, unlit; marked lit fills in the warning colour, marked unlit frames in it.
  const auto inside = [&](const Lamp& lamp) { return At(Grab(view, lamp), border, border); };
  const auto frame = [&](const Lamp& lamp) { return At(Grab(view, lamp), 0, 0); };
  EXPECT_EQ(inside(s.button1), Rgb(colours.color(QPalette::Highlight)));
  EXPECT_EQ(frame(s.button1), Rgb(colours.color(QPalette::Dark)));
  EXPECT_EQ(inside(s.button2), Rgb(colours.color(QPalette::Base)));
  EXPECT_EQ(inside(s.button5), warning);
  EXPECT_EQ(frame(s.button5), warning);
  EXPECT_EQ(inside(s.button6), Rgb(colours.color(QPalette::Base)));
  EXPECT_EQ(frame(s.button6), warning);
  // The mark goes with the state; the lamp shows the model when painted.
  s.button6.SetMarked(false);
  s.button2.SetLit(true);
  EXPECT_EQ(frame(s.button6), Rgb(colours.color(QPalette::Dark)));
  EXPECT_EQ(inside(s.button2), Rgb(colours.color(QPalette::Highlight)));
  // Greyed with their frame, a mark included.
  s.frame.SetEnabled(false);
  EXPECT_NE(frame(s.button5), warning);
  EXPECT_EQ(inside(s.button1), Rgb(colours.color(QPalette::Disabled, QPalette::Highlight)));

  if (const QByteArray folder = qgetenv("TQ_PICTURES"); !folder.isEmpty()) {
    s.frame.SetEnabled(true);
    s.button6.SetMarked(true);
    s.button2.SetLit(false);
    EXPECT_TRUE(view.SaveScreenshot(QDir(QString::fromLocal8Bit(folder)).filePath("indicators_qt.png").toStdString()));
  }
}

// Counts the paints each widget gets.
class PaintCounter final : public QObject {
 public:
  QMap<QObject*, int> paints;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints[watched];
    return false;
  }
};

void PaintPending() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST(QtView, RepaintsOnlyTheBarsAndLampsThatChanged) {
  IndicatorWindow s;
  QtView view(s.window);
  s.window.Show();
  PaintPending();
  PaintCounter counter;
  const std::vector<const Control*> indicators{&s.x, &s.slider, &s.button1, &s.button2, &s.button5, &s.button6};
  for (const Control* control : indicators) view.WidgetOf(*control)->installEventFilter(&counter);
  const auto paints = [&](const Control& c) { return counter.paints.value(view.WidgetOf(c)); };
  const auto total = [&] {
    int sum = 0;
    for (const Control* control : indicators) sum += paints(*control);
    return sum;
  };

  // What they already show: no paint at all.
  s.x.SetValue(64);
  s.x.SetValue(500);  // beyond the range: held at 127 ...
  PaintPending();
  counter.paints.clear();
  s.x.SetValue(127);  // ... so this is no change
  s.x.SetCaption("64");
  s.button1.SetLit(true);
  s.button5.SetMarked(true);
  s.slider.SetRange(-100, 100);
  PaintPending();
  EXPECT_EQ(total(), 0);

  // Many changes between two frames: one paint of each control changed.
  s.x.SetValue(10);
  s.x.SetValue(11);
  s.x.SetCaption("11");
  s.button2.SetLit(true);
  s.button2.SetLit(false);
  s.button2.SetLit(true);
  PaintPending();
  EXPECT_EQ(paints(s.x), 1);
  EXPECT_EQ(paints(s.button2), 1);
  EXPECT_EQ(total(), 2);
  counter.paints.clear();
  s.button6.SetMarked(false);
  PaintPending();
  EXPECT_EQ(paints(s.button6), 1);
  EXPECT_EQ(total(), 1);
}

// A label's caption changing sixty times a second in the monitor costs its
// frame nothing: no layout request (the view lays out itself) and no paint
// behind the label (it paints its whole rectangle).
TEST(QtView, ACaptionChangeAsksNothingOfItsFrame) {
  Sample s;
  QtView view(s.window);
  s.window.Show();
  PaintPending();
  struct FrameEvents final : QObject {
    int layoutRequests = 0;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::LayoutRequest) ++layoutRequests;
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } frame;
  view.WidgetOf(s.frame)->installEventFilter(&frame);
  QWidget* label = view.WidgetOf(s.value);
  const QRect placed = label->geometry();
  for (const char* caption : {"1", "1023", "", " 65535 reports", "7"}) {
    s.value.SetCaption(caption);
    PaintPending();
    EXPECT_EQ(As<TextLabel>(view, s.value)->text(), caption);
  }
  EXPECT_EQ(frame.layoutRequests, 0);
  EXPECT_EQ(frame.paints, 0);
  // Where the layout put it, whatever its caption asked of Qt.
  EXPECT_EQ(label->geometry(), placed);
  // A caption too wide for the room lays the window out again, still in the
  // view's own hands: the label widens and its size stays fixed there.
  s.value.SetCaption(std::string(60, 'W'));
  PaintPending();
  EXPECT_GT(label->width(), placed.width());
  EXPECT_EQ(label->minimumSize(), label->maximumSize());
  EXPECT_EQ(label->size(), label->minimumSize());
  view.WidgetOf(s.frame)->removeEventFilter(&frame);
}

// The view's label looks as a plain QLabel laid out the same way, enabled
// and greyed, shows a caption as it is written (never as markup) and reads
// to accessibility tools as a label's static text.
TEST(QtView, LabelsDrawAsAPlainQLabelAndReadAsStaticText) {
  QWidget window;
  window.setFont(QFont("Arial", 10));
  window.resize(300, 100);
  auto* own = new TextLabel(&window);
  auto* stock = new QLabel(&window);
  stock->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  stock->setWordWrap(true);
  stock->setAutoFillBackground(true);
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Base));
  for (QWidget* label : {static_cast<QWidget*>(own), static_cast<QWidget*>(stock)}) {
    label->setGeometry(0, 0, 120, 60);
    label->setPalette(palette);
  }
  const QString caption = "A caption long enough to wrap at a word";
  own->setText(caption);
  stock->setText(caption);
  for (const bool enabled : {true, false}) {
    own->setEnabled(enabled);
    stock->setEnabled(enabled);
    const QImage drawn = own->grab().toImage();
    EXPECT_EQ(drawn, stock->grab().toImage()) << "enabled " << enabled;
    // The text is there, wrapped onto a second line.
    const QColor background = drawn.pixelColor(drawn.width() - 1, drawn.height() - 1);
    int inkBelowFirstLine = 0;
    for (int y = own->fontMetrics().height(); y < drawn.height(); ++y) {
      for (int x = 0; x < drawn.width(); ++x) inkBelowFirstLine += drawn.pixelColor(x, y) != background;
    }
    EXPECT_GT(inkBelowFirstLine, 20) << "enabled " << enabled;
  }
  own->setText("<b>1:2</b>");
  EXPECT_EQ(own->text(), "<b>1:2</b>");
  QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(own);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->role(), QAccessible::StaticText);
  EXPECT_EQ(reader->text(QAccessible::Name), "<b>1:2</b>");
}

TEST(QtView, BarsAndLampsWidenForTheirCaptions) {
  IndicatorWindow s;
  QtView view(s.window);
  const QFontMetrics metrics(view.Widget()->font());
  // Twice kIndicatorInsetTwips (60) at 15 twips a pixel (96 dpi, asserted
  // below).
  const int inset = 2 * 4;
  const auto room = [&](const Control& c) { return view.WidgetOf(c)->width(); };
  const auto need = [&](const Control& c) {
    return metrics.horizontalAdvance(QString::fromStdString(c.Caption())) + inset;
  };
  ASSERT_EQ(view.Pixels(1440), 96);
  // Designed 150 / 15 = 10 pixels wide for "32": grown, and the label
  // beside it (2850 / 15 = 190 pixels in) moved right by as much.
  ASSERT_GT(need(s.narrow), 10);
  EXPECT_EQ(room(s.narrow), need(s.narrow));
  EXPECT_EQ(view.WidgetOf(s.beside)->x(), 190 + need(s.narrow) - 10);
  // The rest as designed: 360 / 15 = 24 for a lamp, 2400 / 15 = 160 for X.
  EXPECT_EQ(room(s.button1), 24);
  EXPECT_EQ(room(s.button5), 24);
  EXPECT_EQ(room(s.x), 160);
  // A caption set later that no longer fits widens the bar and its window.
  const int before = view.Widget()->width();
  s.slider.SetCaption(std::string(40, 'W'));
  EXPECT_GE(room(s.slider), need(s.slider));
  EXPECT_GT(view.Widget()->width(), before);
}

}  // namespace
}  // namespace tq::ui
