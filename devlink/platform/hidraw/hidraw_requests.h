// What the hidraw driver answers on an open node, through KernelCalls:
// the bus and IDs, the unique name, the report descriptor, and feature
// reports. Each takes the node's descriptor and fails for -1.
#pragma once

#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devlink/platform/hidraw/kernel_calls.h"

namespace tq::hidraw {

// The largest length a hidraw report ioctl can encode.
inline constexpr std::uint32_t kMaxIoctlLength = _IOC_SIZEMASK;

std::optional<hidraw_devinfo> AskRawInfo(KernelCalls& kernel, int fd);

// The HID unique name up to its first zero, as UTF-16; none when empty.
std::optional<std::u16string> AskUniqueName(KernelCalls& kernel, int fd);

std::optional<std::vector<std::uint8_t>> AskReportDescriptor(KernelCalls& kernel, int fd);

// kGet and kSet are feature reports; kGetInput asks for the input report
// the device holds now, as Windows' HidD_GetInputReport does.
enum class Direction { kGet, kSet, kGetInput };

// A get or set report of `length` bytes (1 to kMaxIoctlLength). The kernel
// counts the report-ID byte in what it transferred, and copies only that
// much into the buffer. A set succeeds only when all of it went out. A
// board may answer a get with fewer bytes than its report holds: as on
// Windows that succeeds, with the reply at the front of the buffer and the
// rest of the buffer as it was.
bool TransferReport(KernelCalls& kernel, int fd, Direction direction, void* buffer,
                    std::uint32_t length);

}  // namespace tq::hidraw
