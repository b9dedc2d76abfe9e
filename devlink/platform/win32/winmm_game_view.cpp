#include "devlink/platform/win32/winmm_game_view.h"

#include <windows.h>
#include <mmsystem.h>

namespace tq::win32 {
namespace {

// The API names its six axes itself; which of the board's inputs lands on
// R, U and V is the system's choice, so only X, Y and Z are tied to inputs.
GameAxis Axis(const char* name, int boardAxis, DWORD value, UINT minimum, UINT maximum) {
  return GameAxis{.name = name,
                  .boardAxis = boardAxis,
                  .value = static_cast<std::int32_t>(value),
                  .minimum = static_cast<std::int32_t>(minimum),
                  .maximum = static_cast<std::int32_t>(maximum)};
}

}  // namespace

std::string WinmmGameView::Attach(const std::string& /*devicePath*/, std::uint16_t vendorId,
                                  std::uint16_t productId) {
  joystick_ = -1;
  const UINT count = joyGetNumDevs();
  for (UINT id = 0; id < count; ++id) {
    JOYCAPSA caps{};
    if (joyGetDevCapsA(id, &caps, sizeof caps) != JOYERR_NOERROR) continue;
    if (caps.wMid == vendorId && caps.wPid == productId) {
      joystick_ = static_cast<int>(id);
      return {};
    }
  }
  return "no game controller of the system is this board; open \"Set up USB game "
         "controllers\" (joy.cpl) and check that Windows lists it";
}

std::optional<GameSnapshot> WinmmGameView::Read() {
  if (joystick_ < 0) return std::nullopt;
  const UINT id = static_cast<UINT>(joystick_);
  JOYCAPSA caps{};
  JOYINFOEX info{};
  info.dwSize = sizeof info;
  info.dwFlags = JOY_RETURNALL;
  if (joyGetDevCapsA(id, &caps, sizeof caps) != JOYERR_NOERROR ||
      joyGetPosEx(id, &info) != JOYERR_NOERROR) {
    return std::nullopt;
  }
  GameSnapshot snapshot;
  snapshot.axes.push_back(Axis("X", 0, info.dwXpos, caps.wXmin, caps.wXmax));
  snapshot.axes.push_back(Axis("Y", 1, info.dwYpos, caps.wYmin, caps.wYmax));
  if (caps.wCaps & JOYCAPS_HASZ) {
    snapshot.axes.push_back(Axis("Z", 2, info.dwZpos, caps.wZmin, caps.wZmax));
  }
  if (caps.wCaps & JOYCAPS_HASR) {
    snapshot.axes.push_back(Axis("R", -1, info.dwRpos, caps.wRmin, caps.wRmax));
  }
  if (caps.wCaps & JOYCAPS_HASU) {
    snapshot.axes.push_back(Axis("U", -1, info.dwUpos, caps.wUmin, caps.wUmax));
  }
  if (caps.wCaps & JOYCAPS_HASV) {
    snapshot.axes.push_back(Axis("V", -1, info.dwVpos, caps.wVmin, caps.wVmax));
  }
  snapshot.buttons = std::bitset<32>(info.dwButtons);
  return snapshot;
}

std::string WinmmGameView::Source() const {
  return joystick_ < 0 ? std::string() : "joystick " + std::to_string(joystick_ + 1);
}

}  // namespace tq::win32
