// Descriptor strings as Windows hands them to a caller: UTF-16LE code units
// written into the caller's buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tq::hidraw {

// sysfs keeps a USB device's strings as the kernel converted them from the
// device's UTF-16, that is UTF-8; this turns them back. A malformed sequence
// becomes U+FFFD, one per offending byte.
std::u16string Utf16FromUtf8(std::string_view text);

// Writes `units` as UTF-16LE into `buffer`, with a zero terminator when it
// still fits. A buffer too small for the string itself is left untouched and
// the call fails, as on Windows.
bool PutHidString(std::u16string_view units, void* buffer, std::uint32_t bufferLength);

}  // namespace tq::hidraw
