// What a game reads of a board on Windows: the joystick the system's
// joystick API (winmm) made of the same device, found by its vendor and
// product IDs and read with joyGetPosEx, which never waits. Its
// capabilities are asked once, when it is found: the monitor's reading
// thread reads it between two input reports, and asking the system for them
// at every read would delay those reports' stamps.
#pragma once

#include <optional>

#include "devlink/game_view.h"

namespace tq::win32 {

class WinmmGameView final : public GameView {
 public:
  std::string Attach(const std::string& devicePath, std::uint16_t vendorId,
                     std::uint16_t productId) override;
  void Detach() override {
    joystick_ = -1;
    axes_.clear();
  }
  std::optional<GameSnapshot> Read() override;
  std::string Source() const override;

 private:
  int joystick_ = -1;
  // The axes the joystick has, with their names and ranges; values are
  // filled in at each read.
  std::vector<GameAxis> axes_;
};

}  // namespace tq::win32
