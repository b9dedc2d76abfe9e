// The vendor and product IDs of a hidraw node, from sysfs alone: a node the
// user may not open still tells whose device it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tq::hidraw {

struct NodeVendorProduct {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

// "/dev/hidraw3" -> HID_ID of <sysRoot>/class/hidraw/hidraw3/device/uevent.
std::optional<NodeVendorProduct> NodeIds(const std::string& devicePath,
                                    const std::string& sysRoot = "/sys");

}  // namespace tq::hidraw
