// The board as the kernel's game controller: the input devices it makes of
// the board, what a game reads from them through libevdev and the joystick
// node, and that the settings path of the same board is untouched by it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/joystick.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <thread>

#include "board/encoder_reports.h"
#include "devlink/device_link.h"
#include "emulator/board_descriptor.h"
#include "encoders/frm_main.h"
#include "tests/delivery_jitter.h"
#include "tests/vm/vm_fixture.h"
#include "vboard/usb_descriptors.h"

namespace tq::vmtest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The codes hid-input gives the board's buttons: the first sixteen from
// BTN_TRIGGER on, the rest from BTN_TRIGGER_HAPPY1 on.
int ButtonCode(int button) {
  return button <= 16 ? BTN_TRIGGER + button - 1 : BTN_TRIGGER_HAPPY1 + button - 17;
}

// The kernel's axis codes for inputs 1 ... 8: Dial and Slider, which have no
// axis of their own name, become the rudder and the throttle.
constexpr int kAxisCodes[emu::kAxisCount] = {ABS_X,  ABS_Y,  ABS_Z,      ABS_RX,
                                             ABS_RY, ABS_RZ, ABS_RUDDER, ABS_THROTTLE};

std::string DevNode(const std::string& sysPath) {
  return sysPath.empty() ? std::string() : "/dev/input/" + fs::path(sysPath).filename().string();
}

double Ms(const input_event& event) {
  return static_cast<double>(event.input_event_sec) * 1000.0 +
         static_cast<double>(event.input_event_usec) / 1000.0;
}

// An evdev node read through libevdev, as a game would.
class Evdev {
 public:
  explicit Evdev(const std::string& node) : fd_(::open(node.c_str(), O_RDONLY | O_NONBLOCK)) {
    if (fd_ >= 0 && libevdev_new_from_fd(fd_, &device_) != 0) device_ = nullptr;
  }
  ~Evdev() {
    if (device_ != nullptr) libevdev_free(device_);
    if (fd_ >= 0) ::close(fd_);
  }
  Evdev(const Evdev&) = delete;
  Evdev& operator=(const Evdev&) = delete;

  libevdev* Device() const { return device_; }

  // Reads events until `done` holds for what was read, or `limit` passes.
  // False when the node went away.
  bool ReadUntil(std::vector<input_event>& events, milliseconds limit,
                 const std::function<bool(const std::vector<input_event>&)>& done) {
    const auto deadline = Clock::now() + limit;
    while (!done(events)) {
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return true;
      pollfd ready{fd_, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
      if ((ready.revents & (POLLERR | POLLHUP)) != 0) return false;
      input_event event{};
      int status = 0;
      while ((status = libevdev_next_event(device_, LIBEVDEV_READ_FLAG_NORMAL, &event)) >= 0) {
        if (status == LIBEVDEV_READ_STATUS_SYNC) {
          while (libevdev_next_event(device_, LIBEVDEV_READ_FLAG_SYNC, &event) ==
                 LIBEVDEV_READ_STATUS_SYNC) {
            events.push_back(event);
          }
          continue;
        }
        events.push_back(event);
      }
      if (status == -ENODEV) return false;
    }
    return true;
  }
  void ReadFor(std::vector<input_event>& events, milliseconds time) {
    ReadUntil(events, time, [](const std::vector<input_event>&) { return false; });
  }

 private:
  int fd_ = -1;
  libevdev* device_ = nullptr;
};

std::optional<int> LastValue(const std::vector<input_event>& events, int type, int code) {
  std::optional<int> value;
  for (const input_event& event : events) {
    if (event.type == type && event.code == code) value = event.value;
  }
  return value;
}

// Press lengths of one key, in ms by the kernel's timestamps.
std::vector<double> PressLengths(const std::vector<input_event>& events, int code) {
  std::vector<double> lengths;
  std::optional<double> down;
  for (const input_event& event : events) {
    if (event.type != EV_KEY || event.code != code) continue;
    if (event.value == 1) down = Ms(event);
    if (event.value == 0 && down) {
      lengths.push_back(Ms(event) - *down);
      down.reset();
    }
  }
  return lengths;
}

std::string Joined(const std::vector<double>& values) {
  std::string text;
  for (const double value : values) text += (text.empty() ? "" : " ") + std::to_string(static_cast<int>(value + 0.5));
  return text;
}

constexpr auto kDeliveryJitterMs = static_cast<double>(testing::kDeliveryJitterMs);

// Press lengths of one button in the board's own log of what it sent.
std::vector<double> SentPressLengths(const vboard::BoardDevice& device, int button) {
  const emu::EmulatedBoard board = device.Board();
  const auto bit = static_cast<std::size_t>(emu::kAxisCount * emu::AxisBits(board) + button - 1);
  std::vector<double> lengths;
  std::optional<std::uint64_t> down;
  for (const vboard::SentInput& sent : device.InputLog()) {
    const bool pressed = bit / 8 < sent.bytes.size() && ((sent.bytes[bit / 8] >> (bit % 8)) & 1) != 0;
    if (pressed && !down) down = sent.ms;
    if (!pressed && down) {
      lengths.push_back(static_cast<double>(sent.ms - *down));
      down.reset();
    }
  }
  return lengths;
}

class JoystickOnRealUsb : public RealUsb {
 protected:
  // Plugs a board and waits for its event node; fails the test without one.
  vboard::BoardDevice& PlugJoystick(emu::EmulatedBoard board) {
    vboard::BoardDevice& device = Plug(std::move(board));
    EXPECT_FALSE(WaitForInputNode(device, "event").empty())
        << "the kernel made no event node of the board";
    return device;
  }
  std::string EventNodeOf(vboard::BoardDevice& device) {
    const auto nodes = InputNodesUnder(UsbDirOf(device), "event");
    return nodes.empty() ? std::string() : DevNode(nodes.front());
  }
  std::string JsNodeOf(vboard::BoardDevice& device) {
    const auto nodes = InputNodesUnder(UsbDirOf(device), "js");
    return nodes.empty() ? std::string() : DevNode(nodes.front());
  }

  // Sets every pair's type and the pulse width through the hidraw node, as
  // the encoder utility sends them.
  void SetEncoders(vboard::BoardDevice& device, int type, int widthMs) {
    const HANDLE handle = api.CreateFileA(NodeOf(device).c_str(), kGenericRead | kGenericWrite, 3,
                                          nullptr, kOpenExisting, 0, 0);
    ASSERT_NE(handle, kInvalidHandleValue);
    std::array<int, encoders::kPairsPerBank> codes{};
    codes.fill(type);
    const encoders::BankBits bank = encoders::PackBank(codes);
    const std::pair<std::uint8_t, std::uint8_t> sets[] = {
        {encoders::SetEncoderLow1to8, bank.low},
        {encoders::SetEncoderLow9to16, bank.low},
        {encoders::SetEncoderHigh1to8, bank.high},
        {encoders::SetEncoderHigh9to16, bank.high},
        {encoders::SetPulseWidth, *encoders::PulseWidthCode(widthMs / encoders::kPulseWidthStepMs - 1)}};
    for (const auto& [command, value] : sets) {
      std::vector<std::uint8_t> report(64, 0);
      report[1] = command;
      report[2] = value;
      EXPECT_TRUE(api.HidD_SetFeature(handle, report.data(), 64));
    }
    EXPECT_TRUE(api.CloseHandle(handle));
  }

  // Turns `pair` and measures the pulses a game sees on its two buttons.
  void ExpectPulses(int type, int widthMs, int pair, int detents, std::size_t pulses) {
    vboard::BoardDevice& device = PlugJoystick(Board(u"ENC"));
    SetEncoders(device, type, widthMs);
    Evdev evdev(EventNodeOf(device));
    ASSERT_NE(evdev.Device(), nullptr);
    std::vector<input_event> events;
    evdev.ReadFor(events, milliseconds(300));
    events.clear();
    device.ChangeBoard([&](emu::EmulatedBoard& board) { board.TurnEncoder(pair, detents); });
    const int pulsed = ButtonCode(detents > 0 ? 2 * pair - 1 : 2 * pair);
    const int other = ButtonCode(detents > 0 ? 2 * pair : 2 * pair - 1);
    evdev.ReadUntil(events, milliseconds(2000 + 2 * widthMs * static_cast<int>(pulses) * 3),
                    [&](const std::vector<input_event>& seen) {
                      return PressLengths(seen, pulsed).size() >= pulses;
                    });
    evdev.ReadFor(events, milliseconds(3 * widthMs));
    const std::vector<double> lengths = PressLengths(events, pulsed);
    RecordProperty("pulse_lengths_ms", Joined(lengths));
    std::cout << "pair " << pair << ", type " << encoders::kEncoderTypeItems[static_cast<std::size_t>(type)]
              << ", " << widthMs << " ms, " << detents << " detents: " << lengths.size()
              << " pulses of " << Joined(lengths) << " ms as the kernel stamped them, "
              << Joined(SentPressLengths(device, detents > 0 ? 2 * pair - 1 : 2 * pair))
              << " ms as the board sent them" << std::endl;
    EXPECT_EQ(lengths.size(), pulses);
    // The board samples its buttons on the endpoint's 10 ms grid, so a pulse
    // it sends is within one interval of the width. The kernel stamps each
    // report when it arrives, which adds the VM's delivery jitter under
    // software emulation: allowed up to kDeliveryJitterMs more.
    const std::vector<double> sent = SentPressLengths(device, detents > 0 ? 2 * pair - 1 : 2 * pair);
    RecordProperty("sent_lengths_ms", Joined(sent));
    EXPECT_EQ(sent.size(), pulses);
    for (const double length : sent) EXPECT_NEAR(length, widthMs, vboard::kInputIntervalMs);
    for (const double length : lengths) {
      EXPECT_NEAR(length, widthMs, vboard::kInputIntervalMs + kDeliveryJitterMs);
    }
    EXPECT_TRUE(PressLengths(events, other).empty()) << "nothing on the other direction's button";
  }
};

TEST_F(JoystickOnRealUsb, KernelMakesAJoystickOfTheBoardBesideItsHidrawNode) {
  vboard::BoardDevice& device = PlugJoystick(Board(u"JS-1"));
  const std::string usbDir = UsbDirOf(device);
  const auto events = InputNodesUnder(usbDir, "event");
  const auto joysticks = InputNodesUnder(usbDir, "js");
  ASSERT_EQ(events.size(), 1u);
  ASSERT_EQ(joysticks.size(), 1u);
  // The input device and the hidraw node hang off one HID device.
  const fs::path hidDevice = fs::path(events[0]).parent_path().parent_path().parent_path();
  EXPECT_TRUE(fs::exists(hidDevice / "hidraw" / fs::path(NodeOf(device)).filename()))
      << hidDevice << " holds no " << NodeOf(device);
  EXPECT_TRUE(fs::exists(DevNode(joysticks[0])));
  std::cout << "board " << NodeOf(device) << ": " << DevNode(events[0]) << ", "
            << DevNode(joysticks[0]) << " under " << hidDevice.string() << std::endl;

  Evdev evdev(DevNode(events[0]));
  ASSERT_NE(evdev.Device(), nullptr);
  libevdev* input = evdev.Device();
  EXPECT_STREQ(libevdev_get_name(input), "TQ Controls TQ5271 Joystick Interface");
  EXPECT_EQ(libevdev_get_id_vendor(input), kMakerVendorID);
  EXPECT_EQ(libevdev_get_id_product(input), 0x0501);
  EXPECT_EQ(libevdev_get_id_bustype(input), BUS_USB);
  int axes = 0;
  for (unsigned code = 0; code <= ABS_MAX; ++code) axes += libevdev_has_event_code(input, EV_ABS, code);
  EXPECT_EQ(axes, emu::kAxisCount);
  for (int n = 0; n < emu::kAxisCount; ++n) {
    SCOPED_TRACE(libevdev_event_code_get_name(EV_ABS, static_cast<unsigned>(kAxisCodes[n])));
    ASSERT_TRUE(libevdev_has_event_code(input, EV_ABS, static_cast<unsigned>(kAxisCodes[n])));
    EXPECT_EQ(libevdev_get_abs_minimum(input, static_cast<unsigned>(kAxisCodes[n])), 0);
    EXPECT_EQ(libevdev_get_abs_maximum(input, static_cast<unsigned>(kAxisCodes[n])), 127);
  }
  RecordProperty("dial_code", libevdev_event_code_get_name(EV_ABS, ABS_RUDDER));
  RecordProperty("slider_code", libevdev_event_code_get_name(EV_ABS, ABS_THROTTLE));
  int keys = 0;
  for (unsigned code = 0; code <= KEY_MAX; ++code) keys += libevdev_has_event_code(input, EV_KEY, code);
  EXPECT_EQ(keys, emu::kButtonCount);
  for (int button = 1; button <= emu::kButtonCount; ++button) {
    EXPECT_TRUE(libevdev_has_event_code(input, EV_KEY, static_cast<unsigned>(ButtonCode(button))))
        << "button " << button;
  }
}

TEST_F(JoystickOnRealUsb, KernelAsksNoSettingsPageAtPlugNorWhenItsInputIsRead) {
  vboard::BoardDevice& device = PlugJoystick(Board(u"JS-2"));
  std::string atPlug;
  for (const auto& request : device.Log()) atPlug += request.type + " ";
  RecordProperty("requests_at_plug", atPlug);
  std::cout << "at plug: " << atPlug << std::endl;
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 0u);
  EXPECT_EQ(CountOf(device, "SET_REPORT"), 0u);
  EXPECT_EQ(CountOf(device, "SET_IDLE"), 1u);
  device.ClearLog();
  {
    Evdev evdev(EventNodeOf(device));
    std::vector<input_event> events;
    evdev.ReadFor(events, milliseconds(500));
    const int jsFd = ::open(JsNodeOf(device).c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_GE(jsFd, 0);
    // Held open a while of real time: whatever the kernel's joystick driver
    // asks of the board at an open, it asks on its own clock, and nothing
    // says when it is done.
    std::this_thread::sleep_for(milliseconds(300));
    if (jsFd >= 0) ::close(jsFd);
  }
  std::string atOpen;
  for (const auto& request : device.Log()) atOpen += request.type + " ";
  RecordProperty("requests_at_open", atOpen);
  std::cout << "at open of the event and js nodes: " << (atOpen.empty() ? "none" : atOpen) << std::endl;
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 0u);
  EXPECT_FALSE(device.InputLog().empty()) << "reading the node asks the board for input";
}

TEST_F(JoystickOnRealUsb, JoystickNodeStartsWithTheStateOfEveryInput) {
  emu::EmulatedBoard board = Board(u"JS-3");
  board.SetAxis(2, 90);
  board.SetButton(7, true);
  vboard::BoardDevice& device = PlugJoystick(board);
  // The first reader makes the board send its state; give it an interval.
  Evdev evdev(EventNodeOf(device));
  std::vector<input_event> events;
  evdev.ReadUntil(events, milliseconds(2000), [](const std::vector<input_event>& seen) {
    return LastValue(seen, EV_ABS, ABS_Y).has_value();
  });
  const int fd = ::open(JsNodeOf(device).c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  int buttons = 0;
  int axes = 0;
  js_event event{};
  std::optional<int> y;
  std::optional<int> button7;
  while (::read(fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
    if ((event.type & JS_EVENT_INIT) == 0) continue;
    if ((event.type & ~JS_EVENT_INIT) == JS_EVENT_BUTTON) {
      ++buttons;
      if (event.number == 6) button7 = event.value;
    }
    if ((event.type & ~JS_EVENT_INIT) == JS_EVENT_AXIS) {
      ++axes;
      if (event.number == 1) y = event.value;
    }
  }
  ::close(fd);
  EXPECT_EQ(buttons, emu::kButtonCount);
  EXPECT_EQ(axes, emu::kAxisCount);
  EXPECT_EQ(button7, 1);
  // The joystick node scales 0 ... 127 to about -32767 ... 32767 around
  // the range's integer middle.
  ASSERT_TRUE(y.has_value());
  EXPECT_NEAR(*y, (90 - 63) * 32767 / 63, 1000);
}

TEST_F(JoystickOnRealUsb, AxisMovesArriveMirroredWhereInverted) {
  emu::EmulatedBoard board = Board(u"JS-4");  // inputs 1 and 3 inverted
  vboard::BoardDevice& device = PlugJoystick(board);
  Evdev evdev(EventNodeOf(device));
  std::vector<input_event> events;
  evdev.ReadFor(events, milliseconds(200));
  device.ChangeBoard([](emu::EmulatedBoard& b) {
    b.SetAxis(1, 20);
    b.SetAxis(2, 20);
    b.SetAxis(7, 100);
  });
  evdev.ReadUntil(events, milliseconds(2000), [](const std::vector<input_event>& seen) {
    return LastValue(seen, EV_ABS, ABS_RUDDER) == 100;
  });
  EXPECT_EQ(LastValue(events, EV_ABS, ABS_X), 127 - 20) << "X is inverted";
  EXPECT_EQ(LastValue(events, EV_ABS, ABS_Y), 20);
  EXPECT_EQ(LastValue(events, EV_ABS, ABS_RUDDER), 100) << "Dial";
  EXPECT_EQ(libevdev_get_event_value(evdev.Device(), EV_ABS, ABS_Z), 127) << "Z at 0, inverted";
}

TEST_F(JoystickOnRealUsb, ButtonPressAndReleaseArrive) {
  vboard::BoardDevice& device = PlugJoystick(Board(u"JS-5"));
  Evdev evdev(EventNodeOf(device));
  std::vector<input_event> events;
  evdev.ReadFor(events, milliseconds(200));
  for (const int button : {1, 16, 17, 32}) {
    SCOPED_TRACE(button);
    events.clear();
    device.ChangeBoard([&](emu::EmulatedBoard& b) { b.SetButton(button, true); });
    evdev.ReadUntil(events, milliseconds(2000), [&](const std::vector<input_event>& seen) {
      return LastValue(seen, EV_KEY, ButtonCode(button)) == 1;
    });
    device.ChangeBoard([&](emu::EmulatedBoard& b) { b.SetButton(button, false); });
    evdev.ReadUntil(events, milliseconds(2000), [&](const std::vector<input_event>& seen) {
      return LastValue(seen, EV_KEY, ButtonCode(button)) == 0;
    });
    EXPECT_EQ(PressLengths(events, ButtonCode(button)).size(), 1u);
    int others = 0;
    for (const input_event& event : events) {
      others += event.type == EV_KEY && event.code != ButtonCode(button);
    }
    EXPECT_EQ(others, 0);
  }
}

TEST_F(JoystickOnRealUsb, HalfStepEncoderAt48msGivesTwoPulsesADetent) {
  ExpectPulses(2, 48, 3, +3, 6);
}

TEST_F(JoystickOnRealUsb, QuarterStepEncoderAt16msGivesFourPulsesADetentBackwards) {
  ExpectPulses(3, 16, 3, -2, 8);
}

TEST_F(JoystickOnRealUsb, FullStepEncoderAt96msOnTheLastPair) {
  ExpectPulses(1, 96, 16, +2, 2);
}

TEST_F(JoystickOnRealUsb, TwoBoardsAreTwoJoysticksWhoseInputsDoNotCross) {
  vboard::BoardDevice& first = PlugJoystick(Board(u"JS-A"));
  vboard::BoardDevice& second = PlugJoystick(Board(u"JS-B"));
  ASSERT_NE(EventNodeOf(first), EventNodeOf(second));
  Evdev a(EventNodeOf(first));
  Evdev b(EventNodeOf(second));
  std::vector<input_event> eventsA;
  std::vector<input_event> eventsB;
  a.ReadFor(eventsA, milliseconds(200));
  b.ReadFor(eventsB, milliseconds(200));
  eventsA.clear();
  eventsB.clear();
  second.ChangeBoard([](emu::EmulatedBoard& board) { board.SetButton(2, true); });
  b.ReadUntil(eventsB, milliseconds(2000), [](const std::vector<input_event>& seen) {
    return LastValue(seen, EV_KEY, ButtonCode(2)) == 1;
  });
  a.ReadFor(eventsA, milliseconds(200));
  EXPECT_EQ(LastValue(eventsB, EV_KEY, ButtonCode(2)), 1);
  EXPECT_FALSE(LastValue(eventsA, EV_KEY, ButtonCode(2)).has_value());
}

TEST_F(JoystickOnRealUsb, UnplugEndsTheNodeAndReplugMakesANewOne) {
  vboard::BoardDevice& device = PlugJoystick(Board(u"JS-6"));
  Evdev evdev(EventNodeOf(device));
  std::vector<input_event> events;
  evdev.ReadFor(events, milliseconds(200));
  Unplug(device);
  EXPECT_FALSE(evdev.ReadUntil(events, milliseconds(3000),
                               [](const std::vector<input_event>&) { return false; }))
      << "a reader learns that the joystick is gone";
  Replug(device);
  const std::string node = DevNode(WaitForInputNode(device, "event"));
  ASSERT_FALSE(node.empty());
  Evdev again(node);
  std::vector<input_event> fresh;
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.SetButton(3, true); });
  again.ReadUntil(fresh, milliseconds(2000), [](const std::vector<input_event>& seen) {
    return LastValue(seen, EV_KEY, ButtonCode(3)) == 1;
  });
  EXPECT_EQ(LastValue(fresh, EV_KEY, ButtonCode(3)), 1);
}

using EncodersWhileJoystickRuns = ProgramOnRealUsb<encoders::frmMain>;

TEST_F(EncodersWhileJoystickRuns, ReadBackCostsSixteenRequestsWhileAGameReadsTurns) {
  vboard::BoardDevice& device = Plug(Board(u"00077"));
  Evdev game(DevNode(WaitForInputNode(device, "event")));
  ASSERT_NE(game.Device(), nullptr);
  std::vector<input_event> events;
  game.ReadFor(events, milliseconds(200));
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.TurnEncoder(3, 20); });
  const std::size_t sentBefore = device.InputLog().size();
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Enc(3).Text(), "1:2");
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 16u);
  EXPECT_EQ(CountOf(device, "SET_REPORT"), 0u);
  game.ReadFor(events, milliseconds(500));
  EXPECT_GT(device.InputLog().size(), sentBefore) << "the board kept sending while read back";
  EXPECT_FALSE(PressLengths(events, ButtonCode(5)).empty());
}

}  // namespace
}  // namespace tq::vmtest
