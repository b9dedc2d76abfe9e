#include <string>

#include "devlink/device_link.h"

namespace tq {

std::string HidStringToText(std::span<const std::uint8_t> buffer) {
  std::string text;
  for (std::size_t i = 0; i < buffer.size(); i += 2) {
    const std::uint8_t code = buffer[i];
    if (code == 0) break;
    // Each low byte is a Latin-1 character; keep the text UTF-8 for the views.
    if (code < 0x80) {
      text += static_cast<char>(code);
    } else {
      text += static_cast<char>(0xC0 | (code >> 6));
      text += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return text;
}

std::string ReleaseCaption(std::uint16_t versionNumber) {
  const int v = static_cast<std::int16_t>(versionNumber);
  // Floor division, so a negative release still has a minor of 0 .. 255.
  const int major = (v >= 0) ? v / 256 : -((-v + 255) / 256);
  const int minor = v - 256 * major;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex = minor >= 16 ? std::string{kHex[minor / 16], kHex[minor % 16]}
                                : std::string{kHex[minor]};
  // Appended piece by piece: GCC 12 reports a false -Wrestrict overlap for
  // `" " + std::string&&` at -O3.
  std::string caption = " ";
  caption += std::to_string(major);
  caption += '.';
  caption += hex;
  return caption;
}

}  // namespace tq
