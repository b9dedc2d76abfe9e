// The board as a game controller under Wine: what a game asking the joystick
// API of winmm gets from the virtual board, through Wine's HID stack over the
// kernel's hidraw node.
#include <windows.h>
#include <mmsystem.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "wine_fixture.h"

namespace tq::winetest {
namespace {

// The joystick API's number of the board: the one with the maker's IDs.
std::optional<UINT> BoardJoystick(JOYCAPSW& caps) {
  for (UINT id = 0; id < joyGetNumDevs(); ++id) {
    if (joyGetDevCapsW(id, &caps, sizeof caps) == JOYERR_NOERROR && caps.wMid == kMakerVendorID &&
        caps.wPid == 0x0501) {
      return id;
    }
  }
  return std::nullopt;
}

std::optional<JOYINFOEX> Position(UINT id) {
  JOYINFOEX info{};
  info.dwSize = sizeof info;
  info.dwFlags = JOY_RETURNALL;
  if (joyGetPosEx(id, &info) != JOYERR_NOERROR) return std::nullopt;
  return info;
}

class JoystickUnderWine : public UnderWine {
 protected:
  UINT Board() {
    std::optional<UINT> id;
    WaitUntil([&] { return (id = BoardJoystick(caps)).has_value(); }, std::chrono::seconds(20));
    EXPECT_TRUE(id.has_value()) << "the joystick API lists no device with the board's IDs";
    return id.value_or(0);
  }
  JOYCAPSW caps{};
};

TEST_F(JoystickUnderWine, TheJoystickApiListsTheBoardWithItsAxesAndButtons) {
  const UINT id = Board();
  if (HasFailure()) return;
  char name[MAXPNAMELEN * 2] = {};
  WideCharToMultiByte(CP_UTF8, 0, caps.szPname, -1, name, sizeof name, nullptr, nullptr);
  std::printf("joystick %u: \"%s\", %u axes (most %u), %u buttons (most %u), caps %08lx\n", id,
              name, caps.wNumAxes, caps.wMaxAxes, caps.wNumButtons, caps.wMaxButtons,
              static_cast<unsigned long>(caps.wCaps));
  RecordProperty("joystick_name", name);
  RecordProperty("joystick_axes", static_cast<int>(caps.wNumAxes));
  RecordProperty("joystick_buttons", static_cast<int>(caps.wNumButtons));
  EXPECT_EQ(caps.wNumButtons, 32u);
  // The joystick API has six axes at most (X, Y, Z, R, U, V): it cannot
  // show all eight of the board's.
  EXPECT_EQ(caps.wNumAxes, 6u);
  EXPECT_NE(caps.wCaps & JOYCAPS_HASZ, 0u);
  EXPECT_NE(caps.wCaps & JOYCAPS_HASR, 0u);
  // Asking for the joystick costs the programs no settings page.
  EXPECT_TRUE(Since(kBoard, "GET_REPORT").empty());
}

TEST_F(JoystickUnderWine, AnAxisAButtonAndAnEncoderTurnArriveThroughJoyGetPosEx) {
  const UINT id = Board();
  if (HasFailure()) return;
  ASSERT_TRUE(Position(id).has_value());
  // X is inverted on the factory board: 0 on the board reads as the top.
  ASSERT_TRUE(bench.Move(kBoard, "axis", 2, 127));
  ASSERT_TRUE(bench.Move(kBoard, "axis", 1, 0));
  std::optional<JOYINFOEX> info;
  EXPECT_TRUE(WaitUntil(
      [&] { return (info = Position(id)) && info->dwYpos > 60000 && info->dwXpos > 60000; },
      std::chrono::seconds(10)))
      << "X " << (info ? info->dwXpos : 0) << " Y " << (info ? info->dwYpos : 0);
  ASSERT_TRUE(bench.Move(kBoard, "button", 32, 1));
  EXPECT_TRUE(WaitUntil([&] { return (info = Position(id)) && (info->dwButtons & 0x80000000u) != 0; },
                        std::chrono::seconds(10)));
  ASSERT_TRUE(bench.Move(kBoard, "button", 32, 0));
  EXPECT_TRUE(WaitUntil([&] { return (info = Position(id)) && info->dwButtons == 0; },
                        std::chrono::seconds(10)));
  // Pair 3 is "1:2" at 48 ms on the factory board: a detent forward gives
  // two pulses on button 5; polling every few ms sees each press.
  ASSERT_TRUE(bench.Move(kBoard, "turn", 3, 1));
  int presses = 0;
  bool down = false;
  const auto start = GetTickCount64();
  while (GetTickCount64() - start < 1500) {
    if (const auto now = Position(id)) {
      const bool pressed = (now->dwButtons & (1u << 4)) != 0;
      presses += pressed && !down;
      down = pressed;
      EXPECT_EQ(now->dwButtons & (1u << 5), 0u) << "nothing on button 6";
    }
    Sleep(2);
  }
  EXPECT_EQ(presses, 2);
  EXPECT_TRUE(Since(kBoard, "GET_REPORT").empty());
}

}  // namespace
}  // namespace tq::winetest
