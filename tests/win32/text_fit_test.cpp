// Every caption and every list item of the programs' native windows fits
// the room its control gives it, with the font the window draws in, at the
// desktop's DPI (tools/windows.sh runs this at 96, 144 and 192 dpi).
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

#include "config/frm_main.h"
#include "devlink/ui/win32/win32_view.h"
#include "emulator/simulated_hid.h"
#include "devlink/platform/win32/host_hints.h"
#include "encoders/frm_main.h"
#include "monitor/frm_main.h"
#include "tests/board_samples.h"
#include "tests/busiest_monitor.h"
#include "tests/check_programs/win32/photograph.h"
#include "tests/indicator_window.h"
#include "tests/scripted_game_view.h"

namespace tq::ui {
namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

int Extent(HWND hwnd, HFONT font, const std::string& text) {
  const std::wstring wide = Wide(text);
  const HDC dc = GetDC(hwnd);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return size.cx;
}

RECT InParent(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The room in pixels, beyond its text, that each kind of caption needs at
// the three DPIs the checks run at, worked out from the controls' parts:
// - a check box: its 13-pixel box at 96 dpi and a 4-pixel gap, scaled
//   (20 + 6 at 144 dpi, 26 + 8 at 192);
// - a frame: 8 pixels of border and gap on each side of its caption at 96 dpi
//   (12 at 144, 16 at 192);
// - a bar or a lamp: its border and gap, 60 twips on each side, 4 pixels at
//   96 dpi (6 at 144, 8 at 192);
// - a push button: clear of its raised edge and focus rectangle, 6 pixels
//   each side at 96 dpi (9 at 144, 12 at 192);
// - a title bar: Wine's three caption buttons, 18 pixels wide at 96 dpi
//   (27 at 144, 36 at 192), and its small icon, 16 pixels (24, 32).
struct RoomAtDpi {
  int dpi;
  int checkBox;
  int frame;
  int indicator;
  int pushButton;
  int titleBar;
};
constexpr RoomAtDpi kRooms[] = {
    {96, 17, 16, 8, 12, 70}, {144, 26, 24, 12, 18, 105}, {192, 34, 32, 16, 24, 140}};

const RoomAtDpi* RoomAt(int dpi) {
  for (const RoomAtDpi& room : kRooms) {
    if (room.dpi == dpi) return &room;
  }
  return nullptr;
}

void ExpectEveryTextFits(const Win32View& view, const Window& window, int atLeast = 30) {
  const auto top = static_cast<HWND>(view.Handle());
  const int dpi = static_cast<int>(view.Dpi());
  const std::string at = std::to_string(dpi) + " dpi: ";
  const RoomAtDpi* const room = RoomAt(dpi);
  ASSERT_NE(room, nullptr) << at << "no room worked out for this DPI";
  int checked = 0;
  for (const Control* control : window.AllControls()) {
    const auto hwnd = static_cast<HWND>(view.HandleOf(*control));
    if (!hwnd) continue;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    const std::string where = at + control->Name() + " \"" + control->Caption() + "\"";
    const RECT r = InParent(hwnd);
    RECT parent{};
    GetClientRect(GetParent(hwnd), &parent);
    const int width = r.right - r.left;
    switch (control->GetKind()) {
      case Kind::Label: {
        // As far as its container shows it, and short of every control that
        // stands to its right on the same row.
        const int extent = Extent(hwnd, font, control->Caption());
        EXPECT_LE(extent, std::min<int>(width, parent.right - r.left)) << where;
        for (const Control* other : window.AllControls()) {
          const auto beside = static_cast<HWND>(view.HandleOf(*other));
          if (!beside || beside == hwnd || GetParent(beside) != GetParent(hwnd)) continue;
          const RECT o = InParent(beside);
          if (o.top >= r.bottom || o.bottom <= r.top || o.left <= r.left) continue;
          EXPECT_LE(r.left + extent, o.left) << where << " runs into " << other->Name();
        }
        break;
      }
      case Kind::CheckBox:
        // The box, a gap, then the text.
        EXPECT_LE(Extent(hwnd, font, control->Caption()) + room->checkBox, width) << where;
        break;
      case Kind::Frame:
        // A border and a gap before the caption, as much after it.
        EXPECT_LE(Extent(hwnd, font, control->Caption()) + room->frame, width) << where;
        break;
      case Kind::PushButton:
        EXPECT_LE(Extent(hwnd, font, control->Caption()) + room->pushButton, width) << where;
        break;
      case Kind::Bar:
      case Kind::Lamp:
        // Inside the frame and a gap on each side.
        EXPECT_LE(Extent(hwnd, font, control->Caption()) + room->indicator, width) << where;
        break;
      case Kind::ComboBox: {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetComboBoxInfo(hwnd, &info)) << where;
        const int itemRoom = info.rcItem.right - info.rcItem.left;
        for (const std::string& item : static_cast<const ComboBox&>(*control).Items()) {
          EXPECT_LE(Extent(hwnd, font, item), itemRoom) << where << " item \"" << item << "\"";
          ++checked;
        }
        break;
      }
      default:
        continue;
    }
    ++checked;
  }
  EXPECT_GT(checked, atLeast);

  // The caption in the desktop's caption font, beside the icon and the
  // three buttons.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  const HFONT caption = CreateFontIndirectW(&metrics.lfCaptionFont);
  RECT outer{};
  GetWindowRect(top, &outer);
  EXPECT_LE(Extent(top, caption, window.Caption()) + room->titleBar, outer.right - outer.left)
      << at << "window caption";
  DeleteObject(caption);
}

TEST(NativeTextFit, EncoderWindow) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"TQ-00042"));
  hid.Attach(emu::MakeTQ5271(u"TQ-00043"));
  encoders::frmMain form(hid);
  Win32View view(form.Form());
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  ASSERT_EQ(form.ModeCh1.Items().back(), "200 ms");
  ExpectEveryTextFits(view, form.Form());
  for (int pair = 1; pair <= 8; ++pair) {
    EXPECT_LE(InParent(static_cast<HWND>(view.HandleOf(form.Enc(pair)))).right,
              InParent(static_cast<HWND>(view.HandleOf(form.PairLabel(pair)))).left)
        << "pair " << pair;
  }
  form.Form().Close();
}

TEST(NativeTextFit, ConfigWindow) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"TQ-00042"));
  config::frmMain form(hid);
  Win32View view(form.Form());
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  ExpectEveryTextFits(view, form.Form());
  form.Form().Close();
}

// The monitor as it shows a board at its busiest (busiest_monitor.h), the
// game's view beside.
TEST(NativeTextFit, MonitorWindow) {
  emu::SimulatedHid hid;
  const auto board = hid.Attach(testing::BusiestBoard());
  testing::ScriptedGameView game;
  for (int axis = 0; axis < 6; ++axis) {
    game.snapshot.axes.push_back({std::string(1, "XYZRUV"[axis]), axis < 3 ? axis : -1, 65535, 0, 65535});
  }
  monitor::frmMain form(hid, &game, win32::WindowsHostHints(), [&] {
    return hid.WithBoard(board, [](emu::EmulatedBoard& b) { return static_cast<std::int64_t>(b.clockMs); });
  });
  Win32View view(form.Form());
  form.Form_Load();
  ASSERT_TRUE(testing::ShowBusiest(hid, board, form, [] {}));
  ExpectEveryTextFits(view, form.Form());
  // Photographed at its busiest, where the caller asks for a picture: the
  // marks, the seen rings on lit and unlit lamps as the native view draws them.
  if (const char* folder = std::getenv("TQ_PICTURES")) {
    hid.WithBoard(board, [](emu::EmulatedBoard& b) { b.SetButton(11, true); });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!form.Button(11).Lit() && form.Worker().WaitNewer(form.Shown().version, end)) {
      form.Timer.Tick();
    }
    EXPECT_TRUE(form.Button(11).Lit());
    RedrawWindow(static_cast<HWND>(view.Handle()), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::size_t colours = 0;
    EXPECT_TRUE(Photograph(static_cast<HWND>(view.Handle()),
                           (std::string(folder) + "\\monitor_busiest_win32.bmp").c_str(), colours));
  }
  form.Form().Close();
}

TEST(NativeTextFit, PushButtons) {
  Window window{"frmMain", "Buttons", 3000, 1500};
  Frame frame{window, "fraCounts", {120, 0, 2800, 1400}, "Counts"};
  PushButton reset{frame, "cmdReset", {240, 360, 1200, 360}, "Reset"};
  PushButton narrow{frame, "cmdNarrow", {240, 840, 300, 360}, "Read the settings again"};
  Label beside{frame, "lblBeside", {540, 840, 600, 360}, "X"};
  Win32View view(window);
  const auto rect = [&](const Control& c) { return InParent(static_cast<HWND>(view.HandleOf(c))); };
  // "Reset" fits as designed; the long caption grows its button, and the
  // label beside it moves right by as much.
  EXPECT_EQ(rect(reset).right - rect(reset).left, view.Pixels(1200));
  const int grew = (rect(narrow).right - rect(narrow).left) - view.Pixels(300);
  EXPECT_GT(grew, 0);
  EXPECT_EQ(rect(beside).left, view.Pixels(540) + grew);
  // A caption set later that no longer fits widens its button again.
  reset.SetCaption("Reset the counts, lowest and highest, and the marks");
  EXPECT_GT(rect(reset).right - rect(reset).left, view.Pixels(1200));
  ExpectEveryTextFits(view, window, 3);
}

TEST(NativeTextFit, BarsAndLamps) {
  IndicatorWindow s;
  Win32View view(s.window);
  const auto rect = [&](const Control& c) { return InParent(static_cast<HWND>(view.HandleOf(c))); };
  // "32" in a lamp designed 150 twips wide: it grows, and the label beside
  // it moves right by as much.
  const RECT narrow = rect(s.narrow);
  const int grew = (narrow.right - narrow.left) - view.Pixels(150);
  EXPECT_GT(grew, 0);
  EXPECT_EQ(rect(s.beside).left, view.Pixels(2850) + grew);
  // A caption set later that no longer fits widens its bar and the window.
  RECT before{};
  GetClientRect(static_cast<HWND>(view.Handle()), &before);
  s.slider.SetCaption(std::string(40, 'W'));
  RECT after{};
  GetClientRect(static_cast<HWND>(view.Handle()), &after);
  EXPECT_GT(after.right, before.right);
  ExpectEveryTextFits(view, s.window, 8);
}

}  // namespace
}  // namespace tq::ui
