// String descriptors by index, asked of a USB device through its usbfs
// node (/dev/bus/usb/BBB/DDD): sysfs keeps only the three strings the
// device descriptor names, while a board also answers string 42.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "devlink/platform/hidraw/kernel_calls.h"
#include "devlink/platform/hidraw/node_facts.h"

namespace tq::hidraw {

// The device's answer to string request `index`, as UTF-16 code units, for
// the USB device whose sysfs directory is `usbDir`; its usbfs node lies
// under `devRoot`. The answer, a failure included, is kept in
// `facts.indexedStrings`, and the device's first language in
// `facts.language`. Nothing is kept when the node could not be reached (its
// permissions may yet come), so it is tried again.
std::optional<std::u16string> AskIndexedString(KernelCalls& kernel,
                                               const std::filesystem::path& devRoot,
                                               const std::filesystem::path& usbDir,
                                               std::uint8_t index, NodeFacts& facts);

}  // namespace tq::hidraw
