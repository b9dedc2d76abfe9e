// The native view against a small model window: where it puts things at
// the window's DPI and after a DPI change, the font and colours it draws
// with, that it mirrors the model, that each user action on a native control
// reaches the model once and a program-made change raises nothing twice,
// the timer, and the close.
#include "devlink/ui/win32/win32_view.h"
#include "tests/check_programs/win32/photograph.h"
#include "tests/indicator_window.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace tq::ui {
namespace {

struct Sample {
  Window window{"frmMain", "Sample", 3000, 1500};
  Frame frame{window, "Frame1", {120, 0, 2800, 1400}, "Group"};
  Label value{frame, "lblValue", {240, 360, 1500, 300}};
  ComboBox list{frame, "List", {240, 720, 900, 360}};
  Label caption{frame, "Label1", {1200, 720, 600, 300}, "Under"};  // beneath the check box
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

HWND Hwnd(const Win32View& view, const Control& control) {
  return static_cast<HWND>(view.HandleOf(control));
}
HWND Top(const Win32View& view) { return static_cast<HWND>(view.Handle()); }

RECT InParent(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectRect(HWND hwnd, int left, int top, int width, int height) {
  const RECT r = InParent(hwnd);
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

std::wstring Text(HWND hwnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(hwnd, buffer, 256);
  return buffer;
}

std::wstring Item(HWND combo, int index) {
  wchar_t buffer[256] = {};
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

int Selected(HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

// What a key press in a closed drop-down list does: moves the selection and
// notifies the parent, as when the user presses the key.
void PressKey(HWND control, WPARAM key) {
  SendMessageW(control, WM_KEYDOWN, key, 0);
  SendMessageW(control, WM_KEYUP, key, 0);
}

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)); }

LOGFONTW FontOf(HWND hwnd) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font;
}

// Colours a control asks its parent for before it paints.
struct Painted {
  HBRUSH brush;
  COLORREF text;
  COLORREF back;
};
Painted ColoursOf(HWND hwnd, UINT message = WM_CTLCOLORSTATIC) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(GetParent(hwnd), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
  const Painted painted{brush, GetTextColor(dc), GetBkColor(dc)};
  DeleteDC(dc);
  return painted;
}

// Runs the thread's messages for `ms` milliseconds, as the message loop does.
void Pump(DWORD ms) {
  const DWORD until = GetTickCount() + ms;
  MSG message;
  while (static_cast<LONG>(until - GetTickCount()) > 0) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  }
}

bool QuitPosted(int* code = nullptr) {
  MSG message;
  if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
  if (code) *code = static_cast<int>(message.wParam);
  return true;
}

TEST(Win32View, PlacesControlsInTwipsAtTheWindowsDpi) {
  Sample s;
  Win32View view(s.window);
  const HWND top = Top(view);
  // Scaled by the window's own DPI, whatever the desktop is set to.
  const HDC screen = GetDC(nullptr);
  const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(view.Dpi(), static_cast<unsigned>(screenDpi));
  EXPECT_EQ(view.Pixels(1440), screenDpi);
  // 4820 twips, worked out at each DPI the checks run at, rounded to the
  // nearest pixel: 321.3, 401.7, 482, 642.7.
  const std::map<int, int> pixels4820{{96, 321}, {120, 402}, {144, 482}, {192, 643}};
  EXPECT_EQ(view.Pixels(4820), pixels4820.at(screenDpi));

  RECT client{};
  GetClientRect(top, &client);
  EXPECT_EQ(client.right, view.Pixels(3000));
  EXPECT_EQ(client.bottom, view.Pixels(1500));
  EXPECT_EQ(Text(top), L"Sample");
  EXPECT_NE(GetClassLongPtrW(top, GCLP_HICON), 0) << "no icon";

  // Frames hold their controls, which sit in frame coordinates.
  const HWND frame = Hwnd(view, s.frame);
  const HWND list = Hwnd(view, s.list);
  EXPECT_EQ(GetParent(list), frame);
  EXPECT_EQ(GetParent(frame), top);
  EXPECT_EQ(Style(frame) & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
  EXPECT_EQ(Text(frame), L"Group");
  ExpectRect(frame, view.Pixels(120), 0, view.Pixels(2800), view.Pixels(1400));
  // The list's field is exactly the control's height, not the font's.
  ExpectRect(list, view.Pixels(240), view.Pixels(720), view.Pixels(900), view.Pixels(360));
  EXPECT_EQ(Style(list) & 3u, static_cast<DWORD>(CBS_DROPDOWNLIST));  // pick only
  EXPECT_EQ(Style(Hwnd(view, s.check)) & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
  EXPECT_EQ(view.HandleOf(s.timer), nullptr);
  // The rule: two pixels, centred on the line.
  ExpectRect(Hwnd(view, s.rule), view.Pixels(120), view.Pixels(1440) - 1, view.Pixels(2760), 2);
  EXPECT_EQ(Style(Hwnd(view, s.rule)) & SS_TYPEMASK, static_cast<DWORD>(SS_ETCHEDHORZ));

  // Later controls lie on top: the check box covers the caption beneath it.
  const RECT box = InParent(Hwnd(view, s.check));
  const POINT overlap{box.left + 2, box.top + 2};
  EXPECT_EQ(ChildWindowFromPointEx(frame, overlap, CWP_SKIPINVISIBLE), Hwnd(view, s.check));

  // Arial 10 pt, character set 204, at the window's DPI; where Arial is
  // missing, the face that stands in for it carries that character set.
  // 10 pt is 13.3, 16.7, 20 and 26.7 pixels high at those DPIs.
  const std::map<int, int> tenPoints{{96, 13}, {120, 17}, {144, 20}, {192, 27}};
  for (const Control* control : s.window.AllControls()) {
    const HWND hwnd = Hwnd(view, *control);
    if (!hwnd || control->GetKind() == Kind::Line) continue;  // a rule has no text
    const LOGFONTW font = FontOf(hwnd);
    EXPECT_STREQ(font.lfFaceName, L"Arial") << control->Name();
    EXPECT_EQ(font.lfHeight, -tenPoints.at(screenDpi)) << control->Name();
    EXPECT_EQ(font.lfCharSet, 204) << control->Name();
  }
  const HDC dc = GetDC(list);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  ReleaseDC(list, dc);
  EXPECT_TRUE(std::wstring(face) == L"Arial" || std::wstring(face) == L"Liberation Sans")
      << std::string(face, face + wcslen(face));
  EXPECT_EQ(metrics.tmCharSet, 204);
}

TEST(Win32View, FollowsTheWindowToAMonitorOfAnotherDpi) {
  Sample s;
  Win32View view(s.window);
  const HWND top = Top(view);
  RECT suggested{40, 30, 40 + 800, 30 + 600};
  SendMessageW(top, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(view.Dpi(), 192u);
  EXPECT_EQ(view.Pixels(1440), 192);
  RECT client{};
  GetClientRect(top, &client);
  // 3000 x 1500 twips at 192 dpi: 2 1/12 and 1 1/24 inches.
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 200);
  RECT outer{};
  GetWindowRect(top, &outer);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.top, 30);
  ExpectRect(Hwnd(view, s.list), 32, 96, 120, 48);
  EXPECT_EQ(FontOf(Hwnd(view, s.check)).lfHeight, -27);  // 10 pt: 26.7 pixels
}

TEST(Win32View, ValueLabelsTakeTheWindowColours) {
  Sample s;
  Win32View view(s.window);
  const Painted value = ColoursOf(Hwnd(view, s.value));
  EXPECT_EQ(value.brush, GetSysColorBrush(COLOR_WINDOW));
  EXPECT_EQ(value.back, GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(value.text, GetSysColor(COLOR_WINDOWTEXT));
  const Painted plain = ColoursOf(Hwnd(view, s.caption));
  EXPECT_EQ(plain.brush, GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(plain.text, GetSysColor(COLOR_BTNTEXT));
  EXPECT_EQ(ColoursOf(Hwnd(view, s.check)).brush, GetSysColorBrush(COLOR_BTNFACE));

  // Greyed when disabled, or when its frame is: the same either way,
  // whether the frame was disabled from the start or later.
  s.frame.SetEnabled(false);
  EXPECT_EQ(ColoursOf(Hwnd(view, s.caption)).text, GetSysColor(COLOR_GRAYTEXT));
  EXPECT_EQ(ColoursOf(Hwnd(view, s.value)).text, GetSysColor(COLOR_GRAYTEXT));
  s.frame.SetEnabled(true);
  EXPECT_EQ(ColoursOf(Hwnd(view, s.caption)).text, GetSysColor(COLOR_BTNTEXT));
  s.caption.SetEnabled(false);
  EXPECT_EQ(ColoursOf(Hwnd(view, s.caption)).text, GetSysColor(COLOR_GRAYTEXT));
  s.value.SetColors(SystemColor::ButtonFace, SystemColor::ButtonText);
  EXPECT_EQ(ColoursOf(Hwnd(view, s.value)).brush, GetSysColorBrush(COLOR_BTNFACE));

  // Showing paints at once: nothing is left for the message loop to draw,
  // and the value label is filled with the window colour.
  s.value.SetColors(SystemColor::WindowBackground, SystemColor::WindowText);
  s.window.Show();
  const HWND top = Top(view);
  EXPECT_TRUE(IsWindowVisible(top));
  EXPECT_FALSE(GetUpdateRect(top, nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(Hwnd(view, s.value), nullptr, FALSE));
  const HDC dc = GetDC(Hwnd(view, s.value));
  EXPECT_EQ(GetPixel(dc, 3, 3), GetSysColor(COLOR_WINDOW));
  ReleaseDC(Hwnd(view, s.value), dc);
}

TEST(Win32View, MirrorsTheModel) {
  Sample s;
  Win32View view(s.window);
  const HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
  s.value.SetCaption(" 1.21");
  EXPECT_EQ(Text(Hwnd(view, s.value)), L" 1.21");
  // Descriptor strings arrive as Latin-1 in UTF-8; an ampersand is text.
  s.value.SetCaption(" Gr\xC3\xBC" "n & Co");
  EXPECT_EQ(Text(Hwnd(view, s.value)), L" Gr\u00FCn & Co");
  EXPECT_TRUE(Style(Hwnd(view, s.value)) & SS_NOPREFIX);
  s.window.SetCaption("Other");
  EXPECT_EQ(Text(Top(view)), L"Other");

  // Hints become tool tips on the control, and go again when cleared.
  s.list.SetHint("This input MUST not be connected");
  ASSERT_NE(tooltip, nullptr);
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.hwnd = Hwnd(view, s.frame);
  tool.uId = reinterpret_cast<UINT_PTR>(Hwnd(view, s.list));
  wchar_t tip[128] = {};
  tool.lpszText = tip;
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
  SendMessageW(tooltip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(tip, L"This input MUST not be connected");
  s.list.SetHint("Please unplug");
  SendMessageW(tooltip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(tip, L"Please unplug");
  s.list.SetHint("");
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 0);

  // A disabled frame keeps its controls from the user, as a container does,
  // while each control keeps the state the model gives it.
  s.list.SetEnabled(false);
  s.frame.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Hwnd(view, s.frame)));
  EXPECT_TRUE(IsWindowEnabled(Hwnd(view, s.check)));
  EXPECT_FALSE(IsWindowEnabled(Hwnd(view, s.list)));
  s.frame.SetEnabled(true);
  s.list.SetEnabled(true);
  EXPECT_TRUE(IsWindowEnabled(Hwnd(view, s.list)));
}

// A wheel notch over `control`, as Windows 10 delivers it: to the window
// under the pointer, whether or not it has the focus. Positive is away from
// the user (the item above).
void TurnWheel(HWND control, int notches) {
  RECT r{};
  GetWindowRect(control, &r);
  SendMessageW(control, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA * notches)),
               MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
}

TEST(Win32View, WheelMovesOnlyAFocusedListAndARepickIsAClick) {
  Sample s;
  Win32View view(s.window);
  const HWND list = Hwnd(view, s.list);
  for (const char* item : {"OFF", "1:1", "1:2", "1:4"}) s.list.AddItem(item);
  s.list.SetListIndex(1);
  s.window.Show();
  SetForegroundWindow(Top(view));
  SetFocus(Hwnd(view, s.check));
  ASSERT_EQ(GetFocus(), Hwnd(view, s.check));
  s.listClicks = 0;

  TurnWheel(list, 2);
  EXPECT_EQ(s.list.ListIndex(), 1);
  EXPECT_EQ(Selected(list), 1);
  EXPECT_EQ(s.listClicks, 0);

  // With the focus, the wheel is the user's pick.
  SetFocus(list);
  ASSERT_EQ(GetFocus(), list);
  TurnWheel(list, 1);
  EXPECT_EQ(s.list.ListIndex(), 2);
  EXPECT_EQ(Selected(list), 2);
  EXPECT_EQ(s.listClicks, 1);

  // Opened and closed with Enter on the item it holds: the user picked it
  // again, one click. Opened, moved and chosen: one click for the change.
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  PressKey(list, VK_RETURN);
  EXPECT_EQ(s.listClicks, 2);
  EXPECT_EQ(s.list.ListIndex(), 2);
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  PressKey(list, VK_DOWN);
  PressKey(list, VK_RETURN);
  EXPECT_EQ(s.listClicks, 3);
  EXPECT_EQ(s.list.ListIndex(), 3);
  // Opened and cancelled: nothing.
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  PressKey(list, VK_ESCAPE);
  EXPECT_EQ(s.listClicks, 3);
  // Code setting the position the list has: nothing.
  s.list.SetListIndex(3);
  EXPECT_EQ(s.listClicks, 3);
}

TEST(Win32View, ListsRaiseOnePickPerChangeAndShowOnlyWhatTheModelSelects) {
  Sample s;
  Win32View view(s.window);
  const HWND list = Hwnd(view, s.list);
  s.list.AddItem("OFF");
  s.list.AddItem("1:1");
  s.list.AddItem("1:2");
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(Item(list, 2), L"1:2");
  EXPECT_EQ(Selected(list), -1);
  EXPECT_EQ(s.listClicks, 0);

  s.list.SetListIndex(1);  // raised once, by the model, not again by the list
  EXPECT_EQ(s.listClicks, 1);
  EXPECT_EQ(Selected(list), 1);

  // The user's pick from the keyboard: one click, and the model holds it.
  PressKey(list, VK_UP);
  EXPECT_EQ(s.listClicks, 2);
  EXPECT_EQ(s.list.ListIndex(), 0);
  EXPECT_EQ(Selected(list), 0);
  PressKey(list, VK_UP);  // already at the top: no change, no click
  EXPECT_EQ(s.listClicks, 2);

  // A handler that moves the selection on: the list shows where it went,
  // and the handler's own change is raised once more by the model only.
  bool redirect = true;
  s.list.Click = [&] {
    ++s.listClicks;
    if (redirect) {
      redirect = false;
      s.list.SetListIndex(2);
    }
  };
  PressKey(list, VK_DOWN);
  EXPECT_EQ(s.listClicks, 4);
  EXPECT_EQ(s.list.ListIndex(), 2);
  EXPECT_EQ(Selected(list), 2);

  // Clearing raises nothing; a refilled list shows the new items unselected.
  s.list.Clear();
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(Selected(list), -1);
  s.list.AddItem("8 ms");
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 1);
  EXPECT_EQ(Item(list, 0), L"8 ms");
  EXPECT_EQ(Selected(list), -1);
  EXPECT_EQ(s.listClicks, 4);
  // Other items of the same count replace the old ones.
  s.list.Clear();
  s.list.AddItem("200 ms");
  EXPECT_EQ(Item(list, 0), L"200 ms");
}

TEST(Win32View, CheckBoxesRaiseOneClickPerToggle) {
  Sample s;
  Win32View view(s.window);
  s.window.Show();
  const HWND box = Hwnd(view, s.check);
  SendMessageW(box, BM_CLICK, 0, 0);  // the user clicks it
  EXPECT_EQ(s.checkClicks, 1);
  EXPECT_EQ(s.check.Value(), 1);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);

  s.check.SetValue(0);  // the program: one click, from the model
  EXPECT_EQ(s.checkClicks, 2);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  s.check.SetValue(0);
  EXPECT_EQ(s.checkClicks, 2);

  PressKey(box, VK_SPACE);  // the user, from the keyboard
  EXPECT_EQ(s.checkClicks, 3);
  EXPECT_EQ(s.check.Value(), 1);
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  s.check.SetCaption("Invert 1 (X)");
  EXPECT_EQ(Text(box), L"Invert 1 (X)");
}

TEST(Win32View, PushButtonsRaiseOneClickPerPress) {
  Window window{"frmMain", "Buttons", 3000, 1500};
  Frame frame{window, "fraCounts", {120, 0, 2800, 1400}, "Counts"};
  PushButton reset{frame, "cmdReset", {240, 360, 1200, 360}, "Reset"};
  int clicks = 0;
  reset.Click = [&] { ++clicks; };
  Win32View view(window);
  window.Show();
  const HWND button = Hwnd(view, reset);
  EXPECT_EQ(GetParent(button), Hwnd(view, frame));
  EXPECT_EQ(Style(button) & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
  EXPECT_TRUE(Style(button) & WS_TABSTOP);
  EXPECT_EQ(Text(button), L"Reset");
  ExpectRect(button, view.Pixels(240), view.Pixels(360), view.Pixels(1200), view.Pixels(360));

  SendMessageW(button, BM_CLICK, 0, 0);  // the user clicks it
  EXPECT_EQ(clicks, 1);
  PressKey(button, VK_SPACE);  // ... and presses it from the keyboard
  EXPECT_EQ(clicks, 2);

  // What the program sets is shown and raises nothing.
  reset.SetCaption("Reset all");
  EXPECT_EQ(Text(button), L"Reset all");
  EXPECT_EQ(clicks, 2);

  // Disabled, by itself or with its frame (which leaves the native button
  // enabled): no press reaches the program.
  reset.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(button));
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
  reset.SetEnabled(true);
  frame.SetEnabled(false);
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
  frame.SetEnabled(true);
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 3);
}

TEST(Win32View, TimerTicksFromTheLoopAtTheModelsInterval) {
  Sample s;
  Win32View view(s.window);
  Pump(150);
  EXPECT_EQ(s.ticks, 0);  // designed disabled

  s.timer.SetInterval(20);
  s.timer.SetEnabled(true);
  EXPECT_EQ(s.ticks, 0);  // never from inside the program's own call
  Pump(400);
  EXPECT_GE(s.ticks, 3);
  EXPECT_LE(s.ticks, 25);

  s.timer.SetEnabled(false);
  const int stopped = s.ticks;
  Pump(150);
  EXPECT_EQ(s.ticks, stopped);

  // A long interval set while running replaces the short one at once.
  s.timer.SetEnabled(true);
  s.timer.SetInterval(5000);
  const int slow = s.ticks;
  Pump(300);
  EXPECT_EQ(s.ticks, slow);
}

// A reading thread's requests: one tick each, from the message loop, an
// interval after the first of them, and none without one.
TEST(Win32View, ATimerOnRequestTicksOnceForManyRequestsFromAnotherThread) {
  Window window{"frmMain", "Sample", 3000, 1500};
  Timer wake{window, "Timer", 20, TimerMode::OnRequest};
  int ticks = 0;
  wake.TimerEvent = [&] { ++ticks; };
  Win32View view(window);
  wake.SetEnabled(true);
  Pump(100);
  EXPECT_EQ(ticks, 0) << "enabled, but nothing asked for";

  std::thread news([&] {
    for (int i = 0; i < 100; ++i) wake.Request();
  });
  news.join();
  EXPECT_EQ(ticks, 0) << "never inside the requesting call";
  Pump(300);
  EXPECT_EQ(ticks, 1);

  // Disabled while a request waits: no tick until enabled again.
  std::thread([&] { wake.Request(); }).join();
  wake.SetEnabled(false);
  Pump(150);
  EXPECT_EQ(ticks, 1);
  wake.SetEnabled(true);
  Pump(300);
  EXPECT_EQ(ticks, 2);
}

TEST(Win32View, CloseUnloadsOnceDestroysAndEndsTheLoop) {
  {
    Sample s;
    Win32View view(s.window);
    s.window.Show();
    const HWND top = Top(view);
    PostMessageW(top, WM_CLOSE, 0, 0);
    EXPECT_EQ(Win32View::RunMessageLoop(), 0);
    EXPECT_EQ(s.unloads, 1);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_EQ(view.Handle(), nullptr);
    EXPECT_EQ(view.HandleOf(s.list), nullptr);
    // The model lives on after its window; changes reach nothing.
    s.value.SetCaption("after");
    s.timer.SetEnabled(true);
    Pump(100);
    EXPECT_EQ(s.ticks, 0);
  }
  {
    // Dropped without a close (a test, a failed start): no unload, and the
    // thread's loop is not told to end.
    Sample s;
    { Win32View view(s.window); }
    EXPECT_EQ(s.unloads, 0);
    EXPECT_FALSE(QuitPosted());
  }
  {
    // The session ends: the program's unload runs though no close came.
    Sample s;
    Win32View view(s.window);
    SendMessageW(Top(view), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(s.unloads, 1);
    SendMessageW(Top(view), WM_CLOSE, 0, 0);
    EXPECT_EQ(s.unloads, 1);
    int code = -1;
    EXPECT_TRUE(QuitPosted(&code));
    EXPECT_EQ(code, 0);
  }
}

COLORREF Pixel(HWND hwnd, int x, int y) {
  const HDC dc = GetDC(hwnd);
  const COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return colour;
}

// Paints what is due in the window and every control in it, as the loop does.
void PaintDue(HWND top) { RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

int Border(const Win32View& view) { return std::max(1, view.Pixels(kIndicatorBorderTwips)); }

TEST(Win32View, BarsAndLampsShowTheModelInTheSystemColours) {
  IndicatorWindow s;
  Win32View view(s.window);
  s.window.Show();
  const HWND bar = Hwnd(view, s.x);
  EXPECT_EQ(Style(bar) & SS_TYPEMASK, static_cast<DWORD>(SS_OWNERDRAW));
  EXPECT_EQ(Text(bar), L"64");
  EXPECT_EQ(Text(Hwnd(view, s.button5)), L"5");
  const int border = Border(view);
  const COLORREF warning = RGB(kWarningColor >> 16, (kWarningColor >> 8) & 0xFF, kWarningColor & 0xFF);

  // Half of 0 .. 127 filled, to the pixel the model gives.
  RECT r{};
  GetClientRect(bar, &r);
  const int inner = r.right - 2 * border;
  const int filled = s.x.FilledWidth(inner);
  EXPECT_EQ(filled, (64 * inner + 63) / 127);
  EXPECT_EQ(Pixel(bar, 0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(Pixel(bar, border + 1, border + 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(Pixel(bar, border + filled - 1, border + 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(Pixel(bar, border + filled, border + 1), GetSysColor(COLOR_WINDOW));
  // The caption across the middle, in both parts' text colours.
  bool fillText = false;
  bool restText = false;
  for (int x = border; x < r.right - border; ++x) {
    const COLORREF at = Pixel(bar, x, r.bottom / 2);
    fillText |= x < border + filled && at != GetSysColor(COLOR_HIGHLIGHT);
    restText |= x >= border + filled && at != GetSysColor(COLOR_WINDOW);
  }
  EXPECT_TRUE(fillText);
  EXPECT_TRUE(restText);
  // A quarter of -100 .. 100.
  const HWND slider = Hwnd(view, s.slider);
  EXPECT_NEAR(s.slider.FilledWidth(inner), inner / 4, 1);
  EXPECT_EQ(Pixel(slider, border + s.slider.FilledWidth(inner) - 1, border + 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(Pixel(slider, border + s.slider.FilledWidth(inner), border + 1), GetSysColor(COLOR_WINDOW));

  // Lit, unlit; marked lit fills in the warning colour, marked unlit frames in it.
  const auto inside = [&](const Lamp& lamp) { return Pixel(Hwnd(view, lamp), border, border); };
  const auto frame = [&](const Lamp& lamp) { return Pixel(Hwnd(view, lamp), 0, 0); };
  EXPECT_EQ(inside(s.button1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(frame(s.button1), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(inside(s.button2), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(inside(s.button5), warning);
  EXPECT_EQ(frame(s.button5), warning);
  EXPECT_EQ(inside(s.button6), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(frame(s.button6), warning);

  // Photographed as it stands, where the caller asks for a picture.
  if (const char* folder = std::getenv("TQ_PICTURES")) {
    std::size_t colours = 0;
    EXPECT_TRUE(Photograph(Top(view), (std::string(folder) + "\\indicators_win32.bmp").c_str(), colours));
    EXPECT_GT(colours, 8u);
  }

  // The mark goes with the state; each lamp shows the model once painted.
  s.button6.SetMarked(false);
  s.button2.SetLit(true);
  PaintDue(Top(view));
  EXPECT_EQ(frame(s.button6), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(inside(s.button2), GetSysColor(COLOR_HIGHLIGHT));
  // Greyed with their frame, a mark included.
  s.frame.SetEnabled(false);
  PaintDue(Top(view));
  EXPECT_EQ(frame(s.button5), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(inside(s.button1), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(Pixel(bar, border + 1, border + 1), GetSysColor(COLOR_BTNSHADOW));
}

TEST(Win32View, RepaintsOnlyTheBarsAndLampsThatChanged) {
  IndicatorWindow s;
  Win32View view(s.window);
  s.window.Show();
  const std::vector<const Control*> all{&s.x, &s.slider, &s.button1, &s.button2, &s.button5,
                                        &s.button6, &s.frame};
  const auto due = [&] {
    std::vector<std::string> names;
    for (const Control* control : all) {
      if (GetUpdateRect(Hwnd(view, *control), nullptr, FALSE)) names.push_back(control->Name());
    }
    return names;
  };
  ASSERT_EQ(due(), std::vector<std::string>{});

  // What they already show: nothing to paint.
  s.x.SetValue(64);
  s.x.SetValue(500);  // beyond the range: held at 127 ...
  PaintDue(Top(view));
  s.x.SetValue(127);  // ... so this is no change
  s.x.SetCaption("64");
  s.button1.SetLit(true);
  s.button5.SetMarked(true);
  s.slider.SetRange(-100, 100);
  EXPECT_EQ(due(), std::vector<std::string>{});

  // A change leaves only its own control to be painted, by the loop, once.
  s.x.SetValue(10);
  s.x.SetValue(11);
  s.button2.SetLit(true);
  EXPECT_EQ(due(), (std::vector<std::string>{"barX", "Button2"}));
  PaintDue(Top(view));
  EXPECT_EQ(due(), std::vector<std::string>{});
  s.button6.SetMarked(false);
  EXPECT_EQ(due(), std::vector<std::string>{"Button6"});
}

}  // namespace
}  // namespace tq::ui
