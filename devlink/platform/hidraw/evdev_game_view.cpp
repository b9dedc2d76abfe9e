#include "devlink/platform/hidraw/evdev_game_view.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace tq::hidraw {
namespace fs = std::filesystem;

namespace {

constexpr unsigned kAxisCodes[] = {ABS_X,  ABS_Y,  ABS_Z,      ABS_RX,
                                   ABS_RY, ABS_RZ, ABS_RUDDER, ABS_THROTTLE};
constexpr unsigned kButtonsPerRange = 16;

std::string WhyNotOpened(const std::string& node, int error) {
  if (error == EACCES || error == EPERM) {
    return "cannot read " + node +
           ": permission denied; the seat's uaccess tag (systemd-logind) gives a joystick to "
           "the user logged in at it, or join group input (sudo adduser $USER input)";
  }
  return "cannot read " + node + ": " + std::strerror(error);
}

}  // namespace

std::optional<std::string> EventNodeOf(const std::string& hidrawPath, const std::string& sysRoot,
                                       const std::string& devRoot) {
  const std::string name = fs::path(hidrawPath).filename().string();
  if (name.rfind("hidraw", 0) != 0) return std::nullopt;
  std::error_code error;
  const fs::path inputs = fs::path(sysRoot) / "class" / "hidraw" / name / "device" / "input";
  std::vector<std::string> events;
  for (const auto& input : fs::directory_iterator(inputs, error)) {
    std::error_code inner;
    for (const auto& entry : fs::directory_iterator(input.path(), inner)) {
      const std::string entryName = entry.path().filename().string();
      if (entryName.rfind("event", 0) == 0) events.push_back(entryName);
    }
  }
  if (events.empty()) return std::nullopt;
  // A HID device with several application collections has one input device
  // each; the board has one, and the lowest number is the stable pick.
  std::ranges::sort(events, [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  return (fs::path(devRoot) / "input" / events.front()).string();
}

int BoardAxisOfAbsCode(unsigned code) {
  const auto* at = std::ranges::find(kAxisCodes, code);
  return at == std::end(kAxisCodes) ? -1 : static_cast<int>(at - std::begin(kAxisCodes));
}

int BoardButtonOfKeyCode(unsigned code) {
  if (code >= BTN_TRIGGER && code < BTN_TRIGGER + kButtonsPerRange) {
    return static_cast<int>(code - BTN_TRIGGER);
  }
  if (code >= BTN_TRIGGER_HAPPY1 && code < BTN_TRIGGER_HAPPY1 + kButtonsPerRange) {
    return static_cast<int>(kButtonsPerRange + code - BTN_TRIGGER_HAPPY1);
  }
  return -1;
}

EvdevGameView::EvdevGameView(std::string sysRoot, std::string devRoot)
    : sysRoot_(std::move(sysRoot)), devRoot_(std::move(devRoot)) {}

EvdevGameView::~EvdevGameView() { Detach(); }

std::string EvdevGameView::Attach(const std::string& devicePath, std::uint16_t /*vendorId*/,
                                  std::uint16_t /*productId*/) {
  Detach();
  const auto node = EventNodeOf(devicePath, sysRoot_, devRoot_);
  if (!node) {
    return "the kernel made no joystick node for " + devicePath +
           "; load its input modules (sudo modprobe evdev)";
  }
  node_ = *node;
  fd_ = ::open(node_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return WhyNotOpened(node_, errno);
  const int result = libevdev_new_from_fd(fd_, &device_);
  if (result < 0) {
    const std::string why = WhyNotOpened(node_, -result);
    Detach();
    return why;
  }
  return {};
}

void EvdevGameView::Detach() {
  if (device_) libevdev_free(device_);
  device_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::optional<GameSnapshot> EvdevGameView::Read() {
  if (!device_) return std::nullopt;
  input_event event{};
  unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
  for (;;) {
    const int status = libevdev_next_event(device_, flags, &event);
    if (status == LIBEVDEV_READ_STATUS_SYNC) {
      // Events were dropped: libevdev hands out the state's differences.
      flags = LIBEVDEV_READ_FLAG_SYNC;
      continue;
    }
    if (status == LIBEVDEV_READ_STATUS_SUCCESS) continue;
    if (status == -EAGAIN && flags == LIBEVDEV_READ_FLAG_SYNC) {
      flags = LIBEVDEV_READ_FLAG_NORMAL;
      continue;
    }
    if (status == -EAGAIN) break;
    // -ENODEV: unplugged.
    Detach();
    return std::nullopt;
  }
  GameSnapshot snapshot;
  for (unsigned code = 0; code <= ABS_MAX; ++code) {
    if (!libevdev_has_event_code(device_, EV_ABS, code)) continue;
    const char* name = libevdev_event_code_get_name(EV_ABS, code);
    snapshot.axes.push_back(GameAxis{
        .name = name ? name : "ABS_" + std::to_string(code),
        .boardAxis = BoardAxisOfAbsCode(code),
        .value = libevdev_get_event_value(device_, EV_ABS, code),
        .minimum = libevdev_get_abs_minimum(device_, code),
        .maximum = libevdev_get_abs_maximum(device_, code),
    });
  }
  for (unsigned button = 0; button < 2 * kButtonsPerRange; ++button) {
    const unsigned code = button < kButtonsPerRange
                              ? BTN_TRIGGER + button
                              : BTN_TRIGGER_HAPPY1 + (button - kButtonsPerRange);
    if (libevdev_get_event_value(device_, EV_KEY, code) != 0) {
      snapshot.buttons.set(static_cast<std::size_t>(button));
    }
  }
  return snapshot;
}

}  // namespace tq::hidraw
