#include "vboard/virtual_bus.h"

#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "vboard/usbip_server.h"

namespace tq::vboard {
namespace fs = std::filesystem;

namespace {

// The high-speed root hub's ports come first on the controller; a full-speed
// board may use any of them.
constexpr int kPorts = 8;
constexpr int kFullSpeed = 2;  // the kernel's USB_SPEED_FULL

bool WriteAttribute(const fs::path& file, const std::string& text) {
  std::ofstream out(file);
  out << text << std::flush;
  return static_cast<bool>(out);
}

template <typename Ready>
bool WaitUntil(std::chrono::milliseconds wait, Ready ready) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace

VirtualBus::VirtualBus(std::string sysRoot)
    : controllerDir_(std::move(sysRoot) + "/devices/platform/vhci_hcd.0") {}

VirtualBus::~VirtualBus() {
  while (!plugged_.empty()) {
    const int port = plugged_.begin()->first;
    if (!Unplug(port)) {
      // The kernel kept the port: end the connection from our side.
      auto& entry = plugged_.begin()->second;
      ::shutdown(entry->fd, SHUT_RDWR);
      entry->server.join();
      ::close(entry->fd);
      plugged_.erase(plugged_.begin());
    }
  }
}

bool VirtualBus::Available() const {
  std::error_code error;
  return fs::exists(fs::path(controllerDir_) / "attach", error);
}

std::optional<int> VirtualBus::Plug(BoardDevice& device, std::chrono::milliseconds wait) {
  int port = 0;
  while (port < kPorts && (plugged_.count(port) != 0 || !UsbDeviceDirOf(port).empty())) ++port;
  if (port == kPorts) return std::nullopt;

  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return std::nullopt;
  // Any device ID will do; the kernel only echoes it.
  const unsigned devid = (1u << 16) | static_cast<unsigned>(port + 2);
  const bool attached = WriteAttribute(fs::path(controllerDir_) / "attach",
                                       std::to_string(port) + " " + std::to_string(pair[1]) + " " +
                                           std::to_string(devid) + " " + std::to_string(kFullSpeed));
  // The kernel holds its own reference to its end now.
  ::close(pair[1]);
  if (!attached) {
    ::close(pair[0]);
    return std::nullopt;
  }
  auto entry = std::make_unique<Plugged>();
  entry->fd = pair[0];
  entry->server = std::thread([fd = pair[0], &device] { ServeUsbip(fd, device); });
  plugged_.emplace(port, std::move(entry));
  const bool ready = WaitUntil(wait, [&] {
    const std::string node = HidrawNodeOf(port);
    std::error_code error;
    return !node.empty() && fs::exists(node, error);
  });
  if (!ready) {
    Unplug(port);
    return std::nullopt;
  }
  return port;
}

bool VirtualBus::Unplug(int port, std::chrono::milliseconds wait) {
  const auto it = plugged_.find(port);
  if (it == plugged_.end()) return false;
  if (!WriteAttribute(fs::path(controllerDir_) / "detach", std::to_string(port))) return false;
  const bool gone = WaitUntil(wait, [&] { return UsbDeviceDirOf(port).empty(); });
  // Detaching shuts the kernel's end; make sure the server sees it either way.
  ::shutdown(it->second->fd, SHUT_RDWR);
  it->second->server.join();
  ::close(it->second->fd);
  plugged_.erase(it);
  return gone;
}

std::string VirtualBus::UsbDeviceDirOf(int port) const {
  std::error_code error;
  for (fs::directory_iterator it(controllerDir_, error), end; !error && it != end;
       it.increment(error)) {
    const std::string bus = it->path().filename().string();
    if (bus.rfind("usb", 0) != 0) continue;
    const fs::path device = it->path() / (bus.substr(3) + "-" + std::to_string(port + 1));
    if (fs::exists(device / "idVendor", error)) return device.string();
  }
  return {};
}

std::string VirtualBus::HidrawNodeOf(int port) const {
  const std::string device = UsbDeviceDirOf(port);
  if (device.empty()) return {};
  std::error_code error;
  for (fs::recursive_directory_iterator it(device, error), end; !error && it != end;
       it.increment(error)) {
    if (it->path().filename() == "hidraw" && it->is_directory(error)) {
      for (fs::directory_iterator node(it->path(), error), none; !error && node != none;
           node.increment(error)) {
        return "/dev/" + node->path().filename().string();
      }
    }
  }
  return {};
}

}  // namespace tq::vboard
