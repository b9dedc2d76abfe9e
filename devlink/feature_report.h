// The frame every feature report of both programs shares. Byte 0 is the
// report ID (always 0); a set report carries a settings address (its command
// code) at byte 1 and the new setting byte at byte 2; a settings page carries
// its tag t at byte 1 and the setting byte of address t + n at byte 2 + n.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tq {

inline constexpr std::size_t kSetReportMinLength = 3;
inline constexpr std::size_t kPageTagOffset = 1;
inline constexpr std::size_t kPageDataOffset = 2;
// A get request cannot name a page, so a reader asks this many times in a
// row and applies every page it needs; the board answers each page within.
inline constexpr int kPageRequests = 16;

// A zero-filled set report of `length` bytes writing `value` at `address`.
// Empty when `length` leaves no room for the command and the value: such a
// report is never sent.
std::vector<std::uint8_t> MakeSetReport(std::size_t length, std::uint8_t address,
                                        std::uint8_t value);

// The page's tag, if the reply is long enough to carry one.
std::optional<std::uint8_t> PageTag(std::span<const std::uint8_t> page);

// The setting byte of `address` from a page tagged `tag`, if the page holds
// that address within its length.
std::optional<std::uint8_t> PageSetting(std::span<const std::uint8_t> page, std::uint8_t tag,
                                        std::uint8_t address);

// The number of bytes a reply needs so that a page tagged `tag` holds every
// address up to `lastAddress`.
constexpr std::size_t PageLengthFor(std::uint8_t tag, std::uint8_t lastAddress) {
  return kPageDataOffset + static_cast<std::size_t>(lastAddress - tag) + 1;
}

}  // namespace tq
