// Each program's Qt window as a screen reader finds it: the captions that
// name its lists, texts and bars (expected_reading_order.h, which the native
// view's windows are held to as well), each its control's first label and
// read with the words a reader says.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QWidget>
#include <string>
#include <vector>

#include "config/frm_main.h"
#include "devlink/ui/qt/qt_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "tests/expected_reading_order.h"
#ifdef TQ_TEST_MONITOR
#include "monitor/frm_main.h"
#endif

namespace tq::ui {
namespace {

QAccessibleInterface* Reader(const QtView& view, const Window& window, const std::string& name) {
  return QAccessible::queryAccessibleInterface(view.WidgetOf(testing::ControlNamed(window, name)));
}

void ExpectNamedAsBothViewsAre(const QtView& view, const Window& window,
                               const std::vector<testing::Naming>& namings) {
  for (const testing::Naming& naming : namings) {
    QAccessibleInterface* control = Reader(view, window, naming.control);
    if (control == nullptr) {
      ADD_FAILURE() << naming.control << " tells a reader nothing";
      continue;
    }
    const auto labels = control->relations(QAccessible::Label);
    if (labels.empty()) {
      ADD_FAILURE() << naming.control << " has no label";
      continue;
    }
    EXPECT_EQ(labels.front().first, Reader(view, window, naming.label))
        << naming.control << " is not named first by " << naming.label;
    EXPECT_EQ(labels.front().first->text(QAccessible::Name).toStdString(), naming.spoken)
        << naming.control;
  }
}

TEST(QtProgramNames, EncoderWindowNamesEachListByTheCaptionBesideIt) {
  emu::SimulatedHid hid;
  encoders::frmMain form(hid);
  QtView view(form.Form());
  ExpectNamedAsBothViewsAre(view, form.Form(), testing::EncoderNamings());
}

TEST(QtProgramNames, ConfigurationWindowNamesEachModeListByItsInput) {
  emu::SimulatedHid hid;
  config::frmMain form(hid);
  QtView view(form.Form());
  ExpectNamedAsBothViewsAre(view, form.Form(), testing::ConfigurationNamings());
}

#ifdef TQ_TEST_MONITOR
TEST(QtProgramNames, MonitorNamesItsListAndEachBar) {
  emu::SimulatedHid hid;
  monitor::frmMain form(hid, nullptr, HostHints{IdsFromDevicePath, "install the udev rule"});
  QtView view(form.Form());
  ExpectNamedAsBothViewsAre(view, form.Form(), testing::MonitorNamings());
}
#endif

}  // namespace
}  // namespace tq::ui
