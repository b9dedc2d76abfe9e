// Every list, check box and button of each program's native window reached
// by Tab in reading order, round to the first again, with the focus shown
// once the keyboard is used.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "config/frm_main.h"
#include "devlink/platform/win32/host_hints.h"
#include "devlink/ui/win32/win32_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "monitor/frm_main.h"
#include "tests/expected_reading_order.h"

namespace tq::ui {
namespace {

std::string NameOf(const Win32View& view, const Window& window, HWND hwnd) {
  for (const Control* control : window.AllControls()) {
    if (view.HandleOf(*control) == hwnd) return control->Name();
  }
  return hwnd ? "(not a control)" : "(none)";
}

// The names the focus visits, from the first tab stop through `presses`
// presses of Tab, as the message loop hands them to the dialog manager.
std::vector<std::string> TabWalk(const Win32View& view, const Window& window, int presses,
                                 bool& focusShown) {
  const auto top = static_cast<HWND>(view.Handle());
  SetForegroundWindow(top);
  SetFocus(GetNextDlgTabItem(top, nullptr, FALSE));
  std::vector<std::string> visited{NameOf(view, window, GetFocus())};
  focusShown = true;
  for (int i = 0; i < presses; ++i) {
    MSG press{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    IsDialogMessageW(top, &press);
    MSG release{GetFocus(), WM_KEYUP, VK_TAB, 0, 0, {}};
    IsDialogMessageW(top, &release);
    visited.push_back(NameOf(view, window, GetFocus()));
    const auto state = SendMessageW(GetFocus(), WM_QUERYUISTATE, 0, 0);
    if (state & UISF_HIDEFOCUS) focusShown = false;
  }
  return visited;
}

using testing::RoundOf;

TEST(NativeKeyboard, EncoderWindowInReadingOrder) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00001"));
  hid.Attach(emu::MakeTQ5271(u"00002"));  // a list to pick from only with two
  encoders::frmMain form(hid);
  Win32View view(form.Form());
  form.Form_Load();
  const std::vector<std::string> order = testing::EncoderTabOrder();
  bool focusShown = false;
  EXPECT_EQ(TabWalk(view, form.Form(), static_cast<int>(order.size()), focusShown), RoundOf(order));
  EXPECT_TRUE(focusShown);
  form.Form().Close();
}

TEST(NativeKeyboard, ConfigurationWindowInReadingOrder) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00007"));
  config::frmMain form(hid);
  Win32View view(form.Form());
  form.Form_Load();
  const std::vector<std::string> order = testing::ConfigurationTabOrder(form.Form());
  ASSERT_GE(order.size(), 15u) << "too few controls are enabled for the walk to say much";
  bool focusShown = false;
  EXPECT_EQ(TabWalk(view, form.Form(), static_cast<int>(order.size()), focusShown), RoundOf(order));
  EXPECT_TRUE(focusShown);
  form.Form().Close();
}

TEST(NativeKeyboard, MonitorReachesItsListAndReset) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"M1"));
  monitor::frmMain form(hid, nullptr, win32::WindowsHostHints());
  Win32View view(form.Form());
  form.Form_Load();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!form.cmdReset.Enabled() && std::chrono::steady_clock::now() < end) {
    form.Timer.Tick();
    Sleep(2);
  }
  ASSERT_TRUE(form.cmdReset.Enabled()) << form.lblStatus.Caption();
  bool focusShown = false;
  const std::vector<std::string> order = testing::MonitorTabOrder();
  EXPECT_EQ(TabWalk(view, form.Form(), static_cast<int>(order.size()), focusShown), RoundOf(order));
  EXPECT_TRUE(focusShown);
  form.Form().Close();
}

}  // namespace
}  // namespace tq::ui
