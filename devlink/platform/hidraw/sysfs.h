// Reading sysfs: small attribute files and the numbers in them, and where
// a hidraw node's own directory and its USB device's directory lie. A sysfs
// tree is plain files, also in tests, so it is read directly rather than
// through KernelCalls.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devlink/platform/hidraw/node_facts.h"

namespace tq::hidraw {

// A whole unsigned number in `base`, nothing before or after it.
std::optional<unsigned> ParseUnsigned(std::string_view text, int base);

// The whole content of a regular file of at most `limit` bytes. Anything
// else a sysfs path may name (a FIFO that would block the window, a file too
// large for what it claims to be, one that cannot be read) is missing.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& file, std::size_t limit);

// A sysfs attribute's text without its closing newline; nullopt once the
// device is gone or where the device has no such attribute.
std::optional<std::string> ReadAttribute(const std::filesystem::path& file);

// An attribute holding one number in `base`.
std::optional<unsigned> ReadNumber(const std::filesystem::path& file, int base);

// A device number as sysfs writes it, "major:minor".
std::optional<dev_t> ReadDeviceNumber(const std::filesystem::path& file);

std::optional<std::filesystem::path> Canonical(const std::filesystem::path& path);

bool IsFile(const std::filesystem::path& path);

// Whether `path` lies below `root` (and is not `root` itself).
bool IsUnder(const std::filesystem::path& path, const std::filesystem::path& root);

// The node's own directory, /sys/dev/char/MAJOR:MINOR resolved, found once
// per plug; empty where it is unknown.
const std::filesystem::path& NodeDir(NodeFacts& facts, const std::filesystem::path& sysRoot);

// The USB device a hidraw node belongs to: the nearest ancestor of its HID
// device that carries a bus and device number, below `canonicalSysRoot`.
// Only for nodes known to be on the USB bus, since a Bluetooth device would
// find its host adapter there. Found once per plug.
const std::optional<std::filesystem::path>& UsbDeviceDir(
    NodeFacts& facts, const std::filesystem::path& sysRoot,
    const std::filesystem::path& canonicalSysRoot);

// One of the USB device's strings as sysfs keeps it ("serial", "product").
std::optional<std::u16string> UsbString(const std::optional<std::filesystem::path>& usbDir,
                                        const char* attribute);

// The report descriptor as sysfs keeps it beside the node's HID device.
std::optional<std::vector<std::uint8_t>> ReportDescriptorFile(
    const std::filesystem::path& nodeDir);

}  // namespace tq::hidraw
