// Every list, check box and button of each program's Qt window reached by
// Tab in reading order, round to the first again, the window told that the
// keyboard moved the focus (which is when a style draws it).
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <string>
#include <vector>

#include "config/frm_main.h"
#include "devlink/ui/qt/qt_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "tests/expected_reading_order.h"
#ifdef TQ_TEST_MONITOR
#include <chrono>
#include <thread>

#include "monitor/frm_main.h"
#endif

namespace tq::ui {
namespace {

std::string NameOf(const QtView& view, const Window& window, const QWidget* widget) {
  for (const Control* control : window.AllControls()) {
    if (view.WidgetOf(*control) == widget) return control->Name();
  }
  return widget ? "(not a control)" : "(none)";
}

std::vector<std::string> TabWalk(const QtView& view, const Window& window, QWidget& first,
                                 int presses) {
  QWidget& top = *view.Widget();
  top.show();
  top.activateWindow();
  QApplication::processEvents();
  first.setFocus(Qt::OtherFocusReason);
  std::vector<std::string> visited{NameOf(view, window, QApplication::focusWidget())};
  for (int i = 0; i < presses; ++i) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &press);
    visited.push_back(NameOf(view, window, QApplication::focusWidget()));
  }
  EXPECT_TRUE(top.testAttribute(Qt::WA_KeyboardFocusChange)) << "the focus is not drawn";
  return visited;
}

using testing::RoundOf;

TEST(QtKeyboard, EncoderWindowInReadingOrder) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00001"));
  hid.Attach(emu::MakeTQ5271(u"00002"));  // a list to pick from only with two
  encoders::frmMain form(hid);
  QtView view(form.Form());
  form.Form_Load();
  const std::vector<std::string> order = testing::EncoderTabOrder();
  EXPECT_EQ(TabWalk(view, form.Form(), *view.WidgetOf(form.SerNo), static_cast<int>(order.size())),
            RoundOf(order));
  form.Form().Close();
}

TEST(QtKeyboard, ConfigurationWindowInReadingOrder) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00007"));
  config::frmMain form(hid);
  QtView view(form.Form());
  form.Form_Load();
  const std::vector<std::string> order = testing::ConfigurationTabOrder(form.Form());
  ASSERT_GE(order.size(), 15u) << "too few controls are enabled for the walk to say much";
  EXPECT_EQ(TabWalk(view, form.Form(), *view.WidgetOf(form.ModeCh(1)), static_cast<int>(order.size())),
            RoundOf(order));
  form.Form().Close();
}

#ifdef TQ_TEST_MONITOR
TEST(QtKeyboard, MonitorReachesItsListAndReset) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"M1"));
  monitor::frmMain form(hid, nullptr, HostHints{IdsFromDevicePath, "install the udev rule"});
  QtView view(form.Form());
  form.Form_Load();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!form.cmdReset.Enabled() && std::chrono::steady_clock::now() < end) {
    form.Timer.Tick();
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_TRUE(form.cmdReset.Enabled()) << form.lblStatus.Caption();
  const std::vector<std::string> order = testing::MonitorTabOrder();
  EXPECT_EQ(TabWalk(view, form.Form(), *view.WidgetOf(form.SerNo), static_cast<int>(order.size())),
            RoundOf(order));
  form.Form().Close();
}
#endif

}  // namespace
}  // namespace tq::ui
