// Both programs on native controls against emulated boards. The view must
// not change what a program sends: each session runs twice, once on the
// model alone with the user's actions handed to it directly, once on the
// native controls with the same actions as key presses and clicks. The two
// call logs must be the same, and afterwards every native control must show
// what its model holds.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "config/frm_main.h"
#include "devlink/ui/win32/win32_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"

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

}  // namespace
}  // namespace tq
