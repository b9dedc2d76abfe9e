// The programs on native controls against emulated boards. The view must
// not change what a program sends: each session of the two that write runs
// twice, once on the model alone with the user's actions handed to it
// directly, once on the native controls with the same actions as key
// presses and clicks. The two call logs must be the same, and afterwards
// every native control must show what its model holds. The monitor only
// reads, on a thread of its own: its native window must show what its
// model holds while the board moves, and a key press in its list must
// reach the reading thread.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "config/frm_main.h"
#include "devlink/platform/win32/host_hints.h"
#include "devlink/ui/win32/win32_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "monitor/frm_main.h"
#include "tests/board_samples.h"
#include "tests/check_programs/win32/photograph.h"
#include "tests/scripted_game_view.h"

namespace tq {
namespace {

using emu::SimulatedHid;
using ui::Win32View;

struct Logged {
  std::string op;
  std::uint32_t index;
  std::vector<std::uint8_t> bytes;
  std::int64_t result;
  friend bool operator==(const Logged&, const Logged&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Logged& call) {
    out << call.op << " #" << call.index << " ->" << call.result << " [";
    for (std::size_t i = 0; i < call.bytes.size() && i < 4; ++i) out << ' ' << int{call.bytes[i]};
    return out << " ]";
  }
};

std::vector<Logged> Log(const SimulatedHid& hid) {
  std::vector<Logged> log;
  for (const emu::Call& call : hid.Calls()) log.push_back({call.op, call.index, call.bytes, call.result});
  return log;
}

// The first call where two logs differ, or nothing when they are the same.
std::string FirstDifference(const std::vector<Logged>& expected, const std::vector<Logged>& actual) {
  for (std::size_t i = 0; i < expected.size() || i < actual.size(); ++i) {
    if (i < expected.size() && i < actual.size() && expected[i] == actual[i]) continue;
    std::ostringstream out;
    out << "call " << i << " of " << expected.size() << " / " << actual.size() << ": model ";
    if (i < expected.size()) out << expected[i]; else out << "(ended)";
    out << ", native ";
    if (i < actual.size()) out << actual[i]; else out << "(ended)";
    return out.str();
  }
  return {};
}

int SetReports(const std::vector<Logged>& log) {
  int count = 0;
  for (const Logged& call : log) count += call.op == "HidD_SetFeature";
  return count;
}

std::wstring Wide(const std::string& utf8) {
  wchar_t buffer[512] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, buffer, 512);
  return buffer;
}

std::wstring NativeText(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

void ExpectNativeShowsModel(const Win32View& view, const ui::Window& window) {
  for (const ui::Control* control : window.AllControls()) {
    const auto hwnd = static_cast<HWND>(view.HandleOf(*control));
    if (!hwnd) continue;
    const std::string& name = control->Name();
    EXPECT_EQ(IsWindowEnabled(hwnd) != FALSE, control->Enabled()) << name;
    switch (control->GetKind()) {
      case ui::Kind::Frame:
      case ui::Kind::Label:
        EXPECT_EQ(NativeText(hwnd), Wide(control->Caption())) << name;
        break;
      case ui::Kind::CheckBox:
        EXPECT_EQ(NativeText(hwnd), Wide(control->Caption())) << name;
        EXPECT_EQ(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED,
                  static_cast<const ui::CheckBox*>(control)->Value() == 1)
            << name;
        break;
      case ui::Kind::ComboBox: {
        const auto& list = static_cast<const ui::ComboBox&>(*control);
        ASSERT_EQ(SendMessageW(hwnd, CB_GETCOUNT, 0, 0), list.ListCount()) << name;
        for (int i = 0; i < list.ListCount(); ++i) {
          wchar_t item[256] = {};
          SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
          EXPECT_EQ(std::wstring(item), Wide(list.Items()[static_cast<std::size_t>(i)])) << name;
        }
        EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), list.ListIndex()) << name;
        break;
      }
      case ui::Kind::Bar:
      case ui::Kind::Lamp:
      case ui::Kind::PushButton:
        EXPECT_EQ(NativeText(hwnd), Wide(control->Caption())) << name;
        break;
      case ui::Kind::Window:
      case ui::Kind::Timer:
      case ui::Kind::Line:
        break;
    }
  }
}

// The user's actions, on the model or on the native control that shows it.
class User {
 public:
  explicit User(const Win32View* view) : view_(view) {}

  void Pick(ui::ComboBox& list, int step) {
    ASSERT_TRUE(list.Enabled()) << list.Name() << " cannot be reached";
    // One item per key press, as the user moves through a closed list.
    const int by = step > 0 ? 1 : -1;
    for (int i = 0; i != step; i += by) {
      if (!view_) {
        list.UserPick(list.ListIndex() + by);
        continue;
      }
      const auto hwnd = static_cast<HWND>(view_->HandleOf(list));
      const WPARAM key = by > 0 ? VK_DOWN : VK_UP;
      SendMessageW(hwnd, WM_KEYDOWN, key, 0);
      SendMessageW(hwnd, WM_KEYUP, key, 0);
    }
  }

  void Toggle(ui::CheckBox& box) {
    ASSERT_TRUE(box.Enabled()) << box.Name() << " cannot be reached";
    if (!view_) {
      box.UserToggle();
      return;
    }
    SendMessageW(static_cast<HWND>(view_->HandleOf(box)), BM_CLICK, 0, 0);
  }

  void Close(ui::Window& window) {
    if (!view_) {
      window.Close();
      return;
    }
    SendMessageW(static_cast<HWND>(view_->Handle()), WM_CLOSE, 0, 0);
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop would not end";
  }

 private:
  const Win32View* view_;
};

std::vector<Logged> EncodersSession(bool native) {
  SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00001"));
  hid.Attach(emu::MakeTQ5271(u"00002"));
  encoders::frmMain form(hid);
  std::unique_ptr<Win32View> view;
  if (native) view = std::make_unique<Win32View>(form.Form());
  User user(view.get());

  form.Form_Load();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.SerNo.Text(), "00002");
  EXPECT_EQ(SetReports(Log(hid)), 0) << "the read-back's own selections were sent";
  user.Pick(form.Enc(3), 1);
  user.Pick(form.Enc(12), 1);
  user.Pick(form.ModeCh1, -2);
  user.Pick(form.SerNo, -1);  // the other board: closed, opened, read back
  EXPECT_EQ(form.SerNo.Text(), "00001");
  user.Pick(form.Enc(1), 2);
  if (view) ExpectNativeShowsModel(*view, form.Form());
  user.Close(form.Form());
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.DoubleCloses(), 0);
  return Log(hid);
}

std::vector<Logged> ConfigSession(bool native) {
  SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00007"));
  config::frmMain form(hid);
  std::unique_ptr<Win32View> view;
  if (native) view = std::make_unique<Win32View>(form.Form());
  User user(view.get());

  form.Form_Load();
  EXPECT_TRUE(form.DeviceDetected);
  user.Toggle(form.InvertCh(2));
  user.Toggle(form.InvertCh(1));
  user.Pick(form.ModeCh(1), 1);
  user.Pick(form.ModeCh(2), -1);
  user.Toggle(form.AutoCh);
  if (view) ExpectNativeShowsModel(*view, form.Form());
  user.Close(form.Form());
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.DoubleCloses(), 0);
  return Log(hid);
}

TEST(NativePrograms, EncodersSendExactlyWhatTheModelSends) {
  const std::vector<Logged> model = EncodersSession(false);
  ASSERT_GT(SetReports(model), 4) << "the session sent too little to compare";
  EXPECT_EQ(FirstDifference(model, EncodersSession(true)), "");
}

TEST(NativePrograms, ConfigurationSendsExactlyWhatTheModelSends) {
  const std::vector<Logged> model = ConfigSession(false);
  ASSERT_GT(SetReports(model), 4) << "the session sent too little to compare";
  EXPECT_EQ(FirstDifference(model, ConfigSession(true)), "");
}

// Ticks the monitor's timer, as its loop would, until `shown` holds; at
// most 5 s.
bool TickUntil(monitor::frmMain& form, const std::function<bool()>& shown) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < end) {
    form.Timer.Tick();
    if (shown()) return true;
    Sleep(2);
  }
  return false;
}

TEST(NativePrograms, MonitorShowsTheBoardAndTheUsersPickReachesItsReader) {
  SimulatedHid hid;
  emu::EmulatedBoard first = emu::MakeTQ5271(u"M1");
  testing::SetEncoders(first, {{3, 2}}, 48);  // pair 3 at "1:2", "48 ms"
  const auto board = hid.Attach(std::move(first));
  hid.Attach(emu::MakeTQ5271(u"M2"));
  testing::ScriptedGameView game;
  game.snapshot.axes = {{"X", 0, 65535, 0, 65535}, {"Y", 1, 39456, 0, 65535}, {"R", -1, 0, 0, 65535}};
  game.snapshot.buttons.set(31);
  const auto boardClock = [&] {
    return hid.WithBoard(board, [](emu::EmulatedBoard& b) { return static_cast<std::int64_t>(b.clockMs); });
  };
  monitor::frmMain form(hid, &game, win32::WindowsHostHints(), boardClock);
  Win32View view(form.Form());
  form.Form_Load();
  // The reading thread opens one of the two; the test watches M1.
  ASSERT_TRUE(TickUntil(form, [&] { return !form.Shown().openSerial.empty(); }))
      << form.lblStatus.Caption();
  const auto hwnd = [&](const ui::Control& control) { return static_cast<HWND>(view.HandleOf(control)); };
  const auto press = [&](WPARAM key) {
    SendMessageW(hwnd(form.SerNo), WM_KEYDOWN, key, 0);
    SendMessageW(hwnd(form.SerNo), WM_KEYUP, key, 0);
  };
  ASSERT_EQ(form.SerNo.Items(), (std::vector<std::string>{"M1", "M2"}));
  if (form.Shown().openSerial != "M1") press(VK_UP);
  ASSERT_TRUE(TickUntil(form, [&] {
    return form.Shown().openSerial == "M1" && form.lblStatus.Caption().find("input report") != std::string::npos;
  })) << form.lblStatus.Caption();

  hid.WithBoard(board, [](emu::EmulatedBoard& b) {
    b.SetAxis(2, 77);
    b.SetButton(32, true);
    b.TurnEncoder(3, 5);
  });
  ASSERT_TRUE(TickUntil(form, [&] { return form.Pair(3).counts.Caption() == "10 / 0"; }))
      << form.Pair(3).counts.Caption();
  ASSERT_TRUE(TickUntil(form, [&] { return form.Axis(2).game.Caption() == "Y 39456"; }));
  EXPECT_EQ(form.Axis(2).value.Caption(), "77");
  EXPECT_TRUE(form.Button(32).Lit());
  EXPECT_TRUE(form.GameButton(32).Lit());
  RedrawWindow(static_cast<HWND>(view.Handle()), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  ExpectNativeShowsModel(view, form.Form());

  // Y's bar is filled as far as 77 of 0 … 127 reaches, in the selection's
  // colour; button 32's lamp is lit, button 31's is not.
  const auto pixel = [&](const ui::Control& control, int x, int y) {
    const HDC dc = GetDC(hwnd(control));
    const COLORREF at = GetPixel(dc, x, y);
    ReleaseDC(hwnd(control), dc);
    return at;
  };
  RECT bar{};
  GetClientRect(hwnd(form.Axis(2).bar), &bar);
  const int border = std::max(1, view.Pixels(ui::kIndicatorBorderTwips));
  const int filled = form.Axis(2).bar.FilledWidth(bar.right - 2 * border);
  EXPECT_GT(filled, 0);
  EXPECT_EQ(pixel(form.Axis(2).bar, border + filled - 1, bar.bottom / 2), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(pixel(form.Axis(2).bar, border + filled, bar.bottom / 2), GetSysColor(COLOR_WINDOW));
  // An axis at its lowest is not filled at all; X, inverted on the factory
  // board, reads its highest.
  for (int axis = 1; axis <= 8; ++axis) {
    const ui::Bar& other = form.Axis(axis).bar;
    const bool full = other.Value() == other.Maximum();
    if (axis == 2 || (!full && other.Value() != other.Minimum())) continue;
    EXPECT_EQ(pixel(other, bar.right - border - 1, bar.bottom / 2),
              GetSysColor(full ? COLOR_HIGHLIGHT : COLOR_WINDOW))
        << form.Axis(axis).name.Caption();
  }
  EXPECT_EQ(form.Axis(1).bar.Value(), 127);
  EXPECT_EQ(pixel(form.Button(32), border + 1, border + 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(pixel(form.Button(31), border + 1, border + 1), GetSysColor(COLOR_WINDOW));

  // Photographed as it stands, where the caller asks for a picture.
  if (const char* folder = std::getenv("TQ_PICTURES")) {
    std::size_t colours = 0;
    EXPECT_TRUE(Photograph(static_cast<HWND>(view.Handle()),
                           (std::string(folder) + "\\monitor_board_win32.bmp").c_str(), colours));
  }

  // The other board, picked with a key: the reader opens it, and the
  // counts start afresh.
  press(VK_DOWN);
  EXPECT_TRUE(TickUntil(form, [&] {
    return form.Shown().openSerial == "M2" && form.Pair(3).counts.Caption() == "0 / 0";
  })) << form.Shown().openSerial << " " << form.Pair(3).counts.Caption();
  EXPECT_EQ(form.SerNo.Text(), "M2");
  ExpectNativeShowsModel(view, form.Form());

  SendMessageW(static_cast<HWND>(view.Handle()), WM_CLOSE, 0, 0);
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop would not end";
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

}  // namespace
}  // namespace tq
