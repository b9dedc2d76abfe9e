// The strings the kernel keeps as UTF-8 (sysfs' copies of a USB device's
// strings, the unique name), back in the UTF-16 Windows hands its callers.
#pragma once

#include <string>
#include <string_view>

namespace tq::hidraw {

// sysfs keeps a USB device's strings as the kernel converted them from the
// device's UTF-16, that is UTF-8; this turns them back. A malformed sequence
// becomes U+FFFD, one per offending byte.
std::u16string Utf16FromUtf8(std::string_view text);

}  // namespace tq::hidraw
