// What a game reads of a board on Linux: the evdev node the kernel's input
// layer made from the same HID device as its hidraw node, read through
// libevdev. The node is found through sysfs (the hidraw node's HID device
// holds input/inputN/eventM) and opened without blocking; Read takes what
// has arrived and never waits.
#pragma once

#include <optional>
#include <string>

#include "devlink/game_view.h"

struct libevdev;

namespace tq::hidraw {

// "/dev/hidraw3" -> "<devRoot>/input/event5" when the kernel gave hidraw3's
// HID device an event node; nullopt otherwise.
std::optional<std::string> EventNodeOf(const std::string& hidrawPath,
                                       const std::string& sysRoot = "/sys",
                                       const std::string& devRoot = "/dev");

// The board's input behind an evdev code, as the kernel's HID input layer
// maps a joystick: ABS_X … ABS_RZ are inputs 0 … 5, Dial becomes ABS_RUDDER
// (6) and Slider ABS_THROTTLE (7); Button 1 … 16 are BTN_TRIGGER …
// BTN_DEAD and Button 17 … 32 BTN_TRIGGER_HAPPY1 … 16. -1 for any other.
int BoardAxisOfAbsCode(unsigned code);
int BoardButtonOfKeyCode(unsigned code);

class EvdevGameView final : public GameView {
 public:
  explicit EvdevGameView(std::string sysRoot = "/sys", std::string devRoot = "/dev");
  ~EvdevGameView() override;
  EvdevGameView(const EvdevGameView&) = delete;
  EvdevGameView& operator=(const EvdevGameView&) = delete;

  std::string Attach(const std::string& devicePath, std::uint16_t vendorId,
                     std::uint16_t productId) override;
  void Detach() override;
  std::optional<GameSnapshot> Read() override;
  std::string Source() const override { return node_; }

 private:
  std::string sysRoot_;
  std::string devRoot_;
  std::string node_;
  int fd_ = -1;
  libevdev* device_ = nullptr;
};

}  // namespace tq::hidraw
