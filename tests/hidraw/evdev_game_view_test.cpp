// Finding a board's evdev node from its hidraw node, and the kernel's
// joystick codes taken back to the board's inputs.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <filesystem>
#include <fstream>

#include "devlink/platform/hidraw/evdev_game_view.h"
#include "tests/hidraw/fake_host.h"

namespace tq::hidraw {
namespace {

namespace fs = std::filesystem;

// sysfs as the kernel lays out one HID device holding a hidraw node and an
// input device with its event and js nodes.
void AddHidDevice(const fs::path& sys, const std::string& hidraw, const std::string& hidDevice,
                  const std::vector<std::pair<std::string, std::vector<std::string>>>& inputs) {
  const fs::path device = sys / "devices" / "usb1" / "1-1" / "1-1:1.0" / hidDevice;
  fs::create_directories(device / "hidraw" / hidraw);
  for (const auto& [input, nodes] : inputs) {
    for (const auto& node : nodes) fs::create_directories(device / "input" / input / node);
  }
  fs::create_directories(sys / "class" / "hidraw");
  fs::create_directory_symlink(device / "hidraw" / hidraw, sys / "class" / "hidraw" / hidraw);
  fs::create_directory_symlink(device, device / "hidraw" / hidraw / "device");
}

TEST(EvdevGameView, FindsTheEventNodeOfTheSameHidDevice) {
  test::FakeHost host;
  const fs::path sys = host.Sys();
  AddHidDevice(sys, "hidraw0", "0003:2A7E:0501.0001", {{"input2", {"event1", "js0"}}});
  // A second device with two application collections: event10 sorts after
  // event9 by number, not by text.
  AddHidDevice(sys, "hidraw1", "0003:2A7E:0501.0002",
               {{"input7", {"event10", "js2"}}, {"input6", {"event9", "mouse0"}}});
  // A HID device the input layer ignored (vendor-defined only).
  AddHidDevice(sys, "hidraw2", "0003:16C0:0C40.0003", {});

  EXPECT_EQ(EventNodeOf("/dev/hidraw0", sys.string(), "/dev"), "/dev/input/event1");
  EXPECT_EQ(EventNodeOf("/dev/hidraw1", sys.string(), "/dev"), "/dev/input/event9");
  EXPECT_EQ(EventNodeOf("/dev/hidraw2", sys.string(), "/dev"), std::nullopt);
  EXPECT_EQ(EventNodeOf("/dev/hidraw7", sys.string(), "/dev"), std::nullopt);
  EXPECT_EQ(EventNodeOf("/dev/input/event1", sys.string(), "/dev"), std::nullopt);

  EvdevGameView view(sys.string(), host.Dev().string());
  const std::string missing = view.Attach("/dev/hidraw2", 0x16C0, 0x0C40);
  EXPECT_NE(missing.find("modprobe evdev"), std::string::npos) << missing;
  // The node is named but absent: the reason names it.
  const std::string absent = view.Attach("/dev/hidraw0", 0x2A7E, 0x0501);
  EXPECT_NE(absent.find((host.Dev() / "input" / "event1").string()), std::string::npos) << absent;
  EXPECT_EQ(view.Read(), std::nullopt);
}

TEST(EvdevGameView, KernelCodesGoBackToTheBoardsInputs) {
  const unsigned axes[] = {ABS_X, ABS_Y, ABS_Z, ABS_RX, ABS_RY, ABS_RZ, ABS_RUDDER, ABS_THROTTLE};
  for (int input = 0; input < 8; ++input) EXPECT_EQ(BoardAxisOfAbsCode(axes[input]), input);
  EXPECT_EQ(BoardAxisOfAbsCode(ABS_WHEEL), -1);
  EXPECT_EQ(BoardAxisOfAbsCode(ABS_HAT0X), -1);

  EXPECT_EQ(BoardButtonOfKeyCode(BTN_TRIGGER), 0);
  EXPECT_EQ(BoardButtonOfKeyCode(BTN_DEAD), 15);
  EXPECT_EQ(BoardButtonOfKeyCode(BTN_TRIGGER_HAPPY1), 16);
  EXPECT_EQ(BoardButtonOfKeyCode(BTN_TRIGGER_HAPPY16), 31);
  EXPECT_EQ(BoardButtonOfKeyCode(BTN_TRIGGER_HAPPY17), -1);
  EXPECT_EQ(BoardButtonOfKeyCode(BTN_TRIGGER - 1), -1);
  EXPECT_EQ(BoardButtonOfKeyCode(BTN_A), -1);
}

}  // namespace
}  // namespace tq::hidraw
