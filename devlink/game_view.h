// What a game reads of a board: the operating system's own joystick
// interface for the same device (the board's evdev node on Linux, the
// joystick API on Windows), beside the raw reports the programs read.
// Each backend has one (hidraw/evdev_game_view.h, win32/winmm_game_view.h);
// a program's main picks it, as it picks the HidApi.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tq {

// One axis as the game interface names and scales it. boardAxis is the
// board's input it carries (0 X … 5 RZ, 6 Dial, 7 Slider), or -1 where the
// interface does not say.
struct GameAxis {
  std::string name;
  int boardAxis = -1;
  std::int32_t value = 0;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
};

struct GameSnapshot {
  std::vector<GameAxis> axes;
  // Button n + 1 of the board at bit n, as the game interface numbers them.
  std::bitset<32> buttons;
};

class GameView {
 public:
  virtual ~GameView() = default;
  // Finds the game interface of the HID interface at devicePath (the path
  // the device link opened) and opens it. Empty when it is open; otherwise
  // one line: what is wrong and how to fix it.
  virtual std::string Attach(const std::string& devicePath, std::uint16_t vendorId,
                             std::uint16_t productId) = 0;
  virtual void Detach() = 0;
  // The state now, after whatever arrived since the last call; never waits.
  // nullopt when nothing is attached or the interface went away.
  virtual std::optional<GameSnapshot> Read() = 0;
  // What is read, for the window: "/dev/input/event3", "joystick 1".
  virtual std::string Source() const = 0;
};

}  // namespace tq
