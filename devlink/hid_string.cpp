#include "devlink/hid_string.h"

namespace tq {

std::optional<std::size_t> PutHidString(std::u16string_view units, void* buffer,
                                        std::uint32_t bufferLength) {
  if (buffer == nullptr) return std::nullopt;
  const std::size_t needed = 2 * units.size();
  if (needed > bufferLength) return std::nullopt;
  auto* out = static_cast<std::uint8_t*>(buffer);
  for (std::size_t i = 0; i < units.size(); ++i) {
    out[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    out[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
  if (needed + 2 > bufferLength) return needed;
  out[needed] = 0;
  out[needed + 1] = 0;
  return needed + 2;
}

}  // namespace tq
