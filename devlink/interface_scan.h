// Every HID interface of the accepted vendors, opened once each, with what
// each program would make of it, and, for an interface that cannot be
// opened, why and what to do about it (one line). tq5271ctl lists and
// chooses boards from it; the input monitor lists its boards and explains
// one it may not open.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "devlink/device_link.h"

namespace tq {

struct UsbIds {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

// What the platform can add about an interface that cannot be opened; each
// backend has its own (hidraw/host_hints.h, win32/host_hints.h).
struct HostHints {
  // Its vendor and product IDs, found without opening it.
  std::function<std::optional<UsbIds>(const std::string& path)> identify;
  // What to do when the user may not open it (one line).
  std::string accessDeniedHint;
};

// "vid_2a7e&pid_0501" within a device path, as Windows writes them.
std::optional<UsbIds> IdsFromDevicePath(const std::string& path);

// The walk of the scan: the full accepted table with the product tag, like
// the encoder utility, opened for reading and writing (tq5271ctl sends
// reports on the handle it examines).
extern const BoardVariant kScanVariant;

struct ScannedInterface {
  std::string path;
  std::optional<UsbIds> ids;
  std::string openFailure;  // one line; empty when it opened
  std::uint16_t versionNumber = 0;
  std::optional<std::string> serial;
  std::optional<std::string> manufacturer;
  std::optional<std::string> product;
  std::optional<std::string> tag;  // string 42
  std::uint16_t reportLength = 0;
  bool encoders = false;  // TQ5271_encoders would accept it
  bool config = false;    // TQ5271_config would accept it

  bool Opened() const { return openFailure.empty(); }
  bool Usable() const { return Opened() && serial && (encoders || config); }
};

struct Scan {
  bool listed = false;  // the interface set could be obtained
  std::vector<ScannedInterface> interfaces;
};

// Opens each present interface once, reads what it tells and closes it.
Scan ScanInterfaces(HidApi& api, const HostHints& hints);

}  // namespace tq
