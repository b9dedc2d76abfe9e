// What the backend knows of one hidraw node. Nothing here changes while the
// device behind the node stays plugged, so each fact is asked of sysfs, the
// kernel or the device once per plug, and every later walk is answered from
// here.
#pragma once

#include <linux/hidraw.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "devlink/hid_api.h"
#include "devlink/report_descriptor/report_descriptor.h"

namespace tq::hidraw {

// A fact asked at most once: after the first answer, the same answer.
template <typename T>
class Once {
 public:
  // The answer of `ask`, kept even when it is "none".
  template <typename Ask>
  const std::optional<T>& Get(Ask&& ask) {
    if (!known_) {
      value_ = ask();
      known_ = true;
    }
    return value_;
  }
  // The answer of `ask`, kept only when there is one: "none" here may be
  // a passing failure, so it is asked again next time.
  template <typename Ask>
  const std::optional<T>& GetAnswer(Ask&& ask) {
    if (!known_) {
      value_ = ask();
      known_ = value_.has_value();
    }
    return value_;
  }
  bool Known() const { return known_; }

 private:
  bool known_ = false;
  std::optional<T> value_;
};

// A node as the opened file shows it. The device number stays with the node
// number; the inode does not: the kernel makes a new node in /dev for every
// device that takes the number.
struct NodeIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  friend bool operator==(const NodeIdentity&, const NodeIdentity&) = default;
};

struct NodeFacts {
  explicit NodeFacts(std::optional<NodeIdentity> opened) : identity(opened) {}

  // None for a path that is no character device.
  std::optional<NodeIdentity> identity;
  // The node's entry in sysfs' hidraw class as last listed; sysfs numbers
  // entries afresh when a device comes, so a new one means a new device.
  ino_t classEntry = 0;

  Once<std::filesystem::path> nodeDir;  // the node's own sysfs directory
  Once<hidraw_devinfo> info;            // bus, vendor, product
  Once<std::filesystem::path> usbDir;   // the USB device above it
  Once<std::uint16_t> release;
  Once<std::u16string> serial, manufacturer, product, uniqueName;
  Once<std::uint16_t> language;  // the first the device lists
  // The report descriptor as Windows' parser reads it; preparsed data
  // shares it.
  Once<std::shared_ptr<const hid::ParsedDescriptor>> parsed;
  // Answers of the device to string requests by index, failures included.
  std::map<std::uint32_t, std::optional<std::u16string>> indexedStrings;
};

}  // namespace tq::hidraw
