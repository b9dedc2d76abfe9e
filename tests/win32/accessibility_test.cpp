// What Windows' accessibility layer finds in the native windows: each label
// standing just before the control it names in z-order, as Windows names a
// list by it, while the keyboard order and the painting stay as the model
// stacks them; the names and states the view gives through Dynamic
// Annotation, recorded at the seam (Wine's own service refuses them).
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "config/frm_main.h"
#include "devlink/platform/win32/host_hints.h"
#include "devlink/ui/win32/accessible_annotations.h"
#include "devlink/ui/win32/win32_view.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "monitor/frm_main.h"
#include "tests/expected_reading_order.h"

namespace tq::ui {
namespace {

HWND Hwnd(const Win32View& view, const Control& control) {
  return static_cast<HWND>(view.HandleOf(control));
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

bool Focusable(const Control& control) {
  return control.GetKind() == Kind::ComboBox || control.GetKind() == Kind::CheckBox ||
         control.GetKind() == Kind::PushButton;
}

// The tab stops in the order the dialog keys visit them: z-order, into
// each frame where it stands.
void TabStops(HWND parent, std::vector<HWND>& out) {
  for (HWND at = GetWindow(parent, GW_CHILD); at; at = GetWindow(at, GW_HWNDNEXT)) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(at, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(at, GWL_EXSTYLE));
    if (style & WS_TABSTOP) out.push_back(at);
    if (exStyle & WS_EX_CONTROLPARENT) TabStops(at, out);
  }
}

// Every label that names a control stands just before it, with its caption
// as its text; the focusable controls keep the model's order; lamps show
// their captions.
void ExpectAsWindowsReadsIt(const Win32View& view, const Window& window) {
  int named = 0;
  std::vector<HWND> focusable;
  for (const Control* control : window.AllControls()) {
    const HWND hwnd = Hwnd(view, *control);
    if (Focusable(*control)) focusable.push_back(hwnd);
    if (control->GetKind() == Kind::Lamp || control->GetKind() == Kind::Label) {
      EXPECT_EQ(NativeText(hwnd), Wide(control->Caption())) << control->Name();
    }
    const Label* label = control->LabelledBy();
    if (!label) continue;
    ++named;
    EXPECT_EQ(GetWindow(hwnd, GW_HWNDPREV), Hwnd(view, *label))
        << control->Name() << " is not preceded by " << label->Name();
    EXPECT_EQ(NativeText(Hwnd(view, *label)), Wide(label->Caption())) << label->Name();
  }
  EXPECT_GT(named, 0);
  std::vector<HWND> stops;
  TabStops(static_cast<HWND>(view.Handle()), stops);
  EXPECT_EQ(stops, focusable) << "the keyboard order is not the model's";
}

// The captions both views name each program's controls by: each stands just
// before its control, its text what a reader says.
void ExpectNamedAsBothViewsAre(const Win32View& view, const Window& window,
                               const std::vector<testing::Naming>& namings) {
  for (const testing::Naming& naming : namings) {
    const HWND label = Hwnd(view, testing::ControlNamed(window, naming.label));
    EXPECT_EQ(GetWindow(Hwnd(view, testing::ControlNamed(window, naming.control)), GW_HWNDPREV), label)
        << naming.control << " is not preceded by " << naming.label;
    EXPECT_EQ(NativeText(label), Wide(naming.spoken)) << naming.label;
  }
}

// The window the user clicks at the centre of where `a` and `b` overlap
// (hit-testing honours the regions a window is clipped to).
HWND OnTopWhereBothAre(HWND a, HWND b) {
  RECT ra{};
  RECT rb{};
  RECT both{};
  GetWindowRect(a, &ra);
  GetWindowRect(b, &rb);
  if (!IntersectRect(&both, &ra, &rb)) return nullptr;
  return WindowFromPoint(POINT{(both.left + both.right) / 2, (both.top + both.bottom) / 2});
}

TEST(NativeAccessibility, EncoderWindowStandsEachCaptionBeforeItsList) {
  emu::SimulatedHid hid;
  encoders::frmMain form(hid);
  Win32View view(form.Form());
  ExpectAsWindowsReadsIt(view, form.Form());
  ExpectNamedAsBothViewsAre(view, form.Form(), testing::EncoderNamings());
  // The serial list still lies over its caption's right end and over the
  // empty serial text, clicked there, though the caption now stands above
  // it (seen there too: the photographs are the same as before).
  form.Frame1.SetEnabled(true);
  form.SerNo.SetEnabled(true);
  form.Form().Show();
  const HWND list = Hwnd(view, form.SerNo);
  const HWND caption = Hwnd(view, form.Label3);
  EXPECT_EQ(OnTopWhereBothAre(caption, list), list);
  EXPECT_EQ(OnTopWhereBothAre(Hwnd(view, form.lblSerialNumber), list), list);
  RECT own{};
  GetWindowRect(caption, &own);
  EXPECT_EQ(WindowFromPoint(POINT{own.left + 2, (own.top + own.bottom) / 2}), caption);
}

TEST(NativeAccessibility, ConfigurationWindowStandsEachCaptionBeforeItsList) {
  emu::SimulatedHid hid;
  config::frmMain form(hid);
  Win32View view(form.Form());
  ExpectAsWindowsReadsIt(view, form.Form());
  ExpectNamedAsBothViewsAre(view, form.Form(), testing::ConfigurationNamings());
}

TEST(NativeAccessibility, MonitorStandsEachCaptionBeforeItsListTextOrBar) {
  emu::SimulatedHid hid;
  monitor::frmMain form(hid, nullptr, win32::WindowsHostHints());
  Win32View view(form.Form());
  ExpectAsWindowsReadsIt(view, form.Form());
  ExpectNamedAsBothViewsAre(view, form.Form(), testing::MonitorNamings());
}

// The annotation service as the tests see it: every call, and whether it
// refuses.
struct Recorded {
  struct Call {
    HWND hwnd;
    AccessibleAnnotations::Property property;
    std::wstring text;
  };
  std::vector<Call> sets;
  std::vector<HWND> clears;
  bool refuse = false;

  std::wstring Last(HWND hwnd, AccessibleAnnotations::Property property) const {
    for (auto it = sets.rbegin(); it != sets.rend(); ++it) {
      if (it->hwnd == hwnd && it->property == property) return it->text;
    }
    return L"(none)";
  }
};

class Recorder final : public AccessibleAnnotations {
 public:
  explicit Recorder(Recorded& log) : log_(log) {}
  bool Set(void* hwnd, Property property, const std::wstring& text) override {
    log_.sets.push_back({static_cast<HWND>(hwnd), property, text});
    return !log_.refuse;
  }
  void Clear(void* hwnd) override { log_.clears.push_back(static_cast<HWND>(hwnd)); }

 private:
  Recorded& log_;
};

struct Sample {
  Window window{"frmMain", "Sample", 4000, 2400};
  Frame frame{window, "Frame1", {120, 0, 3800, 2300}, "Inputs"};
  ComboBox list{frame, "Enc1", {240, 360, 900, 360}};
  Label pair{frame, "Label6", {1260, 420, 1095, 375}, "1-2"};
  CheckBox check{frame, "AutoCh", {240, 840, 2000, 300}, "Automatic detection"};
  Label axis{frame, "lblAxis1", {240, 1260, 600, 255}, "X"};
  Bar bar{frame, "barAxis1", {900, 1260, 2000, 240}, 0, 255};
  Lamp button{frame, "lampButton7", {240, 1680, 270, 270}, ""};
  Lamp check4{frame, "lampPairMark4", {600, 1680, 1200, 240}, "-"};
  Sample() {
    pair.SetLabelFor(list);
    axis.SetLabelFor(bar);
    button.SetAccessibleName("Button 7");
    button.SetStateWords("pressed", "released");
    check4.SetAccessibleName("Check 7-8");
    list.AddItem("OFF");
    list.SetListIndex(0);
  }
};

using Property = AccessibleAnnotations::Property;

TEST(NativeAccessibility, NamesAndStatesGoToTheAnnotationServiceAsTheyChange) {
  Sample s;
  Recorded log;
  HWND list = nullptr;
  std::vector<HWND> annotated;
  {
    Win32View view(s.window, std::make_unique<Recorder>(log));
    list = Hwnd(view, s.list);
    const HWND bar = Hwnd(view, s.bar);
    const HWND button = Hwnd(view, s.button);
    const HWND check4 = Hwnd(view, s.check4);
    annotated = {list, bar, button, check4};
    EXPECT_EQ(log.Last(list, Property::Name), L"1-2");
    EXPECT_EQ(log.Last(list, Property::Value), L"(none)");  // Windows reads a list's item
    EXPECT_EQ(log.Last(bar, Property::Name), L"X");
    EXPECT_EQ(log.Last(bar, Property::Value), L"0 of 255");
    EXPECT_EQ(log.Last(button, Property::Name), L"Button 7");
    EXPECT_EQ(log.Last(button, Property::Value), L"released");
    EXPECT_EQ(log.Last(check4, Property::Name), L"Check 7-8");
    EXPECT_EQ(log.Last(check4, Property::Value), L"-");
    // A check box's caption and a label's text are what Windows reads
    // already.
    for (const Recorded::Call& call : log.sets) {
      EXPECT_NE(call.hwnd, Hwnd(view, s.check));
      EXPECT_NE(call.hwnd, Hwnd(view, s.pair));
      EXPECT_NE(call.hwnd, Hwnd(view, s.axis));
    }

    s.bar.SetValue(127);
    s.button.SetLit(true);
    s.check4.SetCaption("OK");
    s.pair.SetCaption("1-2 ");
    EXPECT_EQ(log.Last(bar, Property::Value), L"127 of 255");
    EXPECT_EQ(log.Last(button, Property::Value), L"pressed");
    EXPECT_EQ(log.Last(check4, Property::Value), L"OK");
    EXPECT_EQ(log.Last(check4, Property::Name), L"Check 7-8");
    EXPECT_EQ(log.Last(list, Property::Name), L"1-2");
    s.pair.SetCaption("Pair 1");
    EXPECT_EQ(log.Last(list, Property::Name), L"Pair 1");
    // Unchanged state says nothing again.
    const std::size_t calls = log.sets.size();
    s.bar.SetValue(127);
    s.button.SetLit(true);
    EXPECT_EQ(log.sets.size(), calls);
  }
  // Taken back from each control before the window goes.
  for (const HWND hwnd : annotated) {
    EXPECT_NE(std::find(log.clears.begin(), log.clears.end(), hwnd), log.clears.end());
  }
}

TEST(NativeAccessibility, AServiceThatRefusesIsNotAskedAgain) {
  Sample s;
  Recorded log;
  log.refuse = true;
  Win32View view(s.window, std::make_unique<Recorder>(log));
  EXPECT_EQ(log.sets.size(), 1u);
  s.bar.SetValue(200);
  s.button.SetLit(true);
  s.pair.SetCaption("Pair 1");
  EXPECT_EQ(log.sets.size(), 1u);
}

// The service by its GUIDs, spelt out in the view: created, and asked (under
// Wine it refuses; what it answered is printed).
TEST(NativeAccessibility, TheSystemsServiceIsCreatedAndAsked) {
  std::unique_ptr<AccessibleAnnotations> system = SystemAnnotations();
  ASSERT_NE(system, nullptr) << "CLSID_AccPropServices could not be created";
  Sample s;
  Win32View view(s.window);
  const bool answered = system->Set(Hwnd(view, s.list), Property::Name, L"1-2");
  std::printf("IAccPropServices::SetHwndPropStr %s\n", answered ? "accepted" : "refused");
  system->Clear(Hwnd(view, s.list));
}

}  // namespace
}  // namespace tq::ui
