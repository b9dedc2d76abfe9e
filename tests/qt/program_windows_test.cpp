// Both programs' windows in the Qt view: every caption and every list item
// fits the room its control gives it, with the font the view draws in, at
// the DPI the run is given (CTest runs this at 96, 144 and 192 dpi with
// QT_FONT_DPI); disabled controls look the same after an unplug as at a
// start with no board.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <string>

#include "config/frm_main.h"
#include "devlink/ui/qt/qt_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#ifdef TQ_TEST_MONITOR

#include "monitor/frm_main.h"
#include "tests/busiest_monitor.h"
#include "tests/scripted_game_view.h"
#endif

namespace tq::ui {
namespace {

int Advance(const QWidget& widget, const std::string& text) {
  return widget.fontMetrics().horizontalAdvance(QString::fromStdString(text));
}

// The room a label's text has: its own width, as far as its container
// shows it.
int LabelRoom(const QWidget& label) {
  const QWidget& parent = *label.parentWidget();
  const int visible = parent.contentsRect().right() + 1 - label.x();
  return std::min(label.contentsRect().width(), visible);
}

int CheckBoxRoom(const QCheckBox& box) {
  QStyleOptionButton option;
  option.initFrom(&box);
  return box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
}

int ComboBoxRoom(const QComboBox& combo) {
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.frame = combo.hasFrame();
  const QRect field =
      combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
  return field.width() - 2;  // the item is drawn a pixel in from each side
}

// Where a frame's caption ends, and the frame's inner right edge.
std::pair<int, int> FrameCaption(const QGroupBox& frame) {
  QStyleOptionGroupBox option;
  option.initFrom(&frame);
  option.text = frame.title();
  option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
  option.lineWidth = 1;
  const QRect label =
      frame.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &frame);
  return {label.left() + Advance(frame, frame.title().toStdString()), frame.width() - label.left()};
}

void ExpectEveryTextFits(const QtView& view, const Window& window) {
  const std::string dpi =
      std::to_string(qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch())) + " dpi: ";
  int checked = 0;
  for (const Control* control : window.AllControls()) {
    const QWidget* widget = view.WidgetOf(*control);
    if (!widget) continue;
    const std::string where = dpi + control->Name() + " \"" + control->Caption() + "\"";
    switch (control->GetKind()) {
      case Kind::Label:
        EXPECT_LE(Advance(*widget, control->Caption()), LabelRoom(*widget)) << where;
        break;
      case Kind::CheckBox:
        EXPECT_LE(Advance(*widget, control->Caption()),
                  CheckBoxRoom(static_cast<const QCheckBox&>(*widget)))
            << where;
        break;
      case Kind::Frame: {
        const auto [ends, room] = FrameCaption(static_cast<const QGroupBox&>(*widget));
        EXPECT_LE(ends, room) << where;
        break;
      }
      case Kind::ComboBox:
        for (const std::string& item : static_cast<const ComboBox&>(*control).Items()) {
          EXPECT_LE(Advance(*widget, item), ComboBoxRoom(static_cast<const QComboBox&>(*widget)))
              << where << " item \"" << item << "\"";
          ++checked;
        }
        break;
      default:
        continue;
    }
    ++checked;
  }
  EXPECT_GT(checked, 30);
  // The window manager's caption, bold, beside an icon and three buttons.
  QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  titleFont.setBold(true);
  const QFontMetrics title(titleFont);
  EXPECT_LE(title.horizontalAdvance(QString::fromStdString(window.Caption())) + 6 * title.height(),
            view.Widget()->width())
      << dpi << "window caption";
}

TEST(QtTextFit, EncoderWindow) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"TQ-00042"));
  hid.Attach(emu::MakeTQ5271(u"TQ-00043"));
  encoders::frmMain form(hid);
  QtView view(form.Form());
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  ASSERT_EQ(form.ModeCh1.Items().back(), "200 ms");
  ExpectEveryTextFits(view, form.Form());
  // Where lists grew, what lies right of them moved: no caption starts
  // under the list beside it.
  for (int pair = 1; pair <= 8; ++pair) {
    EXPECT_LE(view.WidgetOf(form.Enc(pair))->geometry().right(),
              view.WidgetOf(form.PairLabel(pair))->x())
        << "pair " << pair;
  }
  EXPECT_LE(view.WidgetOf(form.ModeCh1)->geometry().right(), view.WidgetOf(form.Label1)->x());
  form.Form().Close();
}

TEST(QtTextFit, ConfigWindow) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"TQ-00042"));
  config::frmMain form(hid);
  QtView view(form.Form());
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  ExpectEveryTextFits(view, form.Form());
  for (int input = 1; input <= 8; ++input) {
    const QWidget* label = view.WidgetOf(form.InputLabel(input));
    EXPECT_LE(label->x() + Advance(*label, form.InputLabel(input).Caption()),
              view.WidgetOf(form.ModeCh(input))->x())
        << "input " << input;
  }
  form.Form().Close();
}

#ifdef TQ_TEST_MONITOR
// The monitor at its busiest (busiest_monitor.h). Every text fits, no check
// had to grow, and the window still fits a 1024 x 768 screen at 100 % and
// a 1920 x 1080 one at 150 % (taskbar and title bar left over).
TEST(QtTextFit, MonitorWindow) {
  emu::SimulatedHid hid;
  const auto board = hid.Attach(testing::BusiestBoard());
  testing::ScriptedGameView game;
  for (int axis = 0; axis < 8; ++axis) {
    game.snapshot.axes.push_back({"ABS_THROTTLE", axis, 65535, 0, 65535});
  }
  monitor::frmMain form(hid, &game, HostHints{IdsFromDevicePath, "install the udev rule"}, [&] {
    return hid.WithBoard(board, [](emu::EmulatedBoard& b) { return static_cast<std::int64_t>(b.clockMs); });
  });
  QtView view(form.Form());
  const QSize designed = view.Widget()->size();
  form.Form_Load();
  ASSERT_TRUE(testing::ShowBusiest(hid, board, form, [] { QApplication::processEvents(); }));
  ExpectEveryTextFits(view, form.Form());
  for (int pair = 1; pair <= 16; ++pair) {
    const Lamp& check = form.Pair(pair).mark;
    const QWidget& lamp = *view.WidgetOf(check);
    EXPECT_LE(Advance(lamp, check.Caption()), lamp.width() - 4) << "pair " << pair << " \"" << check.Caption() << "\"";
  }
  EXPECT_EQ(view.Widget()->size(), designed) << "nothing had to grow";
  const double scale = QGuiApplication::primaryScreen()->logicalDotsPerInch() / 96.0;
  EXPECT_LE(view.Widget()->width() / scale, 1008.0);
  EXPECT_LE(view.Widget()->height() / scale, 650.0);
  if (const char* folder = std::getenv("TQ_PICTURES")) {
    EXPECT_TRUE(view.SaveScreenshot(std::string(folder) + "/monitor_marks_" +
                                    std::to_string(qRound(scale * 96)) + "dpi.png"));
  }
  form.Form().Close();
}
#endif

// A control as it draws itself, without the controls it holds.
QImage Drawn(QWidget& widget) {
  QImage image(widget.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  widget.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
  return image;
}

TEST(DisabledLook, AfterAnUnplugAsAtAStartWithNoBoard) {
  // Encoder utility: started with no board ...
  emu::SimulatedHid none;
  encoders::frmMain empty(none);
  QtView emptyView(empty.Form());
  empty.Form_Load();
  // ... and started with one that is then unplugged: the next tick finds it
  // gone and brings the window back to its no-board state (the device
  // details' frame stays as the board left it).
  emu::SimulatedHid hid;
  const auto board = hid.Attach(emu::MakeTQ5271(u"TQ-00042"));
  encoders::frmMain form(hid);
  QtView view(form.Form());
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  hid.Detach(board);
  form.Timer.Tick();
  ASSERT_FALSE(form.DeviceDetected);
  int compared = 0;
  for (const Control* control : form.Form().AllControls()) {
    const Control* twin = empty.Form().Find(control->Name());
    ASSERT_NE(twin, nullptr);
    QWidget* widget = view.WidgetOf(*control);
    QWidget* twinWidget = emptyView.WidgetOf(*twin);
    // Only what stands in the same state, and in containers of the same
    // state, in both windows.
    bool same = widget != nullptr;
    for (const Control *a = control, *b = twin; same && a && b; a = a->Parent(), b = b->Parent()) {
      same = a->Enabled() == b->Enabled();
    }
    if (!same) continue;
    EXPECT_EQ(widget->isEnabled(), twinWidget->isEnabled()) << control->Name();
    // Drawn alike, pixel for pixel: each control by itself, without what
    // it holds (lists grown for a board's items stay grown).
    if (widget->size() != twinWidget->size()) continue;
    EXPECT_EQ(Drawn(*widget), Drawn(*twinWidget)) << control->Name();
    ++compared;
  }
  EXPECT_GT(compared, 30);
  form.Form().Close();
  empty.Form().Close();
}

}  // namespace
}  // namespace tq::ui
