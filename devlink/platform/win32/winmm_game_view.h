// What a game reads of a board on Windows: the joystick the system's
// joystick API (winmm) made of the same device, found by its vendor and
// product IDs and read with joyGetPosEx, which never waits.
#pragma once

#include "devlink/game_view.h"

namespace tq::win32 {

class WinmmGameView final : public GameView {
 public:
  std::string Attach(const std::string& devicePath, std::uint16_t vendorId,
                     std::uint16_t productId) override;
  void Detach() override { joystick_ = -1; }
  std::optional<GameSnapshot> Read() override;
  std::string Source() const override;

 private:
  int joystick_ = -1;
};

}  // namespace tq::win32
