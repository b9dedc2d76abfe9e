// Descriptor strings as Windows hands them to a caller (HidD_GetProductString
// and the others): UTF-16LE code units in the caller's buffer. The backends
// that stand in for hid.dll (hidraw, the emulator) write them with this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tq {

// Writes `units` as UTF-16LE into `buffer`, with a zero terminator when it
// still fits, and returns how many bytes it wrote. A buffer too small for the
// string itself is left untouched and the call fails, as on Windows.
std::optional<std::size_t> PutHidString(std::u16string_view units, void* buffer,
                                        std::uint32_t bufferLength);

}  // namespace tq
