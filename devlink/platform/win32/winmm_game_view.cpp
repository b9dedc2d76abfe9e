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
  Detach();
  const UINT count = joyGetNumDevs();
  for (UINT id = 0; id < count; ++id) {
    JOYCAPSA caps{};
    if (joyGetDevCapsA(id, &caps, sizeof caps) != JOYERR_NOERROR) continue;
    if (caps.wMid == vendorId && caps.wPid == productId) {
      joystick_ = static_cast<int>(id);
      axes_.push_back(Axis("X", 0, 0, caps.wXmin, caps.wXmax));
      axes_.push_back(Axis("Y", 1, 0, caps.wYmin, caps.wYmax));
      if (caps.wCaps & JOYCAPS_HASZ) axes_.push_back(Axis("Z", 2, 0, caps.wZmin, caps.wZmax));
      if (caps.wCaps & JOYCAPS_HASR) axes_.push_back(Axis("R", -1, 0, caps.wRmin, caps.wRmax));
      if (caps.wCaps & JOYCAPS_HASU) axes_.push_back(Axis("U", -1, 0, caps.wUmin, caps.wUmax));
      if (caps.wCaps & JOYCAPS_HASV) axes_.push_back(Axis("V", -1, 0, caps.wVmin, caps.wVmax));
      return {};
    }
  }
  return "no game controller of the system is this board; open \"Set up USB game "
         "controllers\" (joy.cpl) and check that Windows lists it";
}

std::optional<GameSnapshot> WinmmGameView::Read() {
  if (joystick_ < 0) return std::nullopt;
  JOYINFOEX info{};
  info.dwSize = sizeof info;
  info.dwFlags = JOY_RETURNALL;
  if (joyGetPosEx(static_cast<UINT>(joystick_), &info) != JOYERR_NOERROR) return std::nullopt;
  GameSnapshot snapshot;
  snapshot.axes = axes_;
  for (GameAxis& axis : snapshot.axes) {
    const DWORD value = axis.name == "X"   ? info.dwXpos
                        : axis.name == "Y" ? info.dwYpos
                        : axis.name == "Z" ? info.dwZpos
                        : axis.name == "R" ? info.dwRpos
                        : axis.name == "U" ? info.dwUpos
                                           : info.dwVpos;
    axis.value = static_cast<std::int32_t>(value);
  }
  snapshot.buttons = std::bitset<32>(info.dwButtons);
  return snapshot;
}

std::string WinmmGameView::Source() const {
  return joystick_ < 0 ? std::string() : "joystick " + std::to_string(joystick_ + 1);
}

}  // namespace tq::win32
