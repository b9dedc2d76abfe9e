// Puts BoardDevices on the kernel's virtual host controller (vhci_hcd): each
// plug hands the kernel one end of a socket pair and serves the device on the
// other end in its own thread; an unplug detaches the port, as a cable pull.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "vboard/board_device.h"

namespace tq::vboard {

class VirtualBus {
 public:
  explicit VirtualBus(std::string sysRoot = "/sys");
  ~VirtualBus();  // unplugs whatever is still plugged
  VirtualBus(const VirtualBus&) = delete;
  VirtualBus& operator=(const VirtualBus&) = delete;

  // True when the kernel has the virtual host controller.
  bool Available() const;

  // Plugs `device` (which must outlive its plug) into a free port and waits
  // until its hidraw node exists. Returns the port, or nullopt when the
  // kernel refused it or no node appeared in time.
  std::optional<int> Plug(BoardDevice& device,
                          std::chrono::milliseconds wait = std::chrono::seconds(10));
  // Detaches the port and waits until its hidraw node is gone.
  bool Unplug(int port, std::chrono::milliseconds wait = std::chrono::seconds(10));

  // The port's hidraw node ("/dev/hidraw3"), or "" when it has none.
  std::string HidrawNodeOf(int port) const;
  // The port's USB device directory in sysfs, or "" when nothing is there.
  std::string UsbDeviceDirOf(int port) const;

 private:
  struct Plugged {
    int fd = -1;
    std::thread server;
  };
  std::string controllerDir_;
  std::map<int, std::unique_ptr<Plugged>> plugged_;
};

}  // namespace tq::vboard
