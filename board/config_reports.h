// The analog-input settings on the wire. Each of the eight inputs has an
// invert bit in one shared mask byte and a mode byte of its own (0 "Normal",
// 198 "Zoom"); one more byte switches the automatic detection of connected
// inputs. Page 0 reports the mask, the detection byte and the modes of
// inputs 1 and 2; page 16 the modes of inputs 3 to 8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tq::config {

// Command codes, which are also the settings addresses written.
inline constexpr std::uint8_t SetInvertMask = 11;
inline constexpr std::uint8_t SetAutoDetect = 12;
inline constexpr std::uint8_t SetInputMode1 = 14;
inline constexpr std::uint8_t SetInputMode2 = 15;
inline constexpr std::uint8_t SetInputMode3 = 16;
inline constexpr std::uint8_t SetInputMode4 = 17;
inline constexpr std::uint8_t SetInputMode5 = 18;
inline constexpr std::uint8_t SetInputMode6 = 19;
inline constexpr std::uint8_t SetInputMode7 = 20;  // kept for the map; never sent
inline constexpr std::uint8_t SetInputMode8 = 21;

inline constexpr int kInputCount = 8;
// The board wants input 7 unconnected while any other input zooms; the
// utility never zooms input 7 itself.
inline constexpr int kUnzoomableInput = 7;
// The rule in the board's words: the hint on input 7's list, and the reason
// the monitor gives when input 7 moves while another input zooms.
inline constexpr const char* kUnzoomableInputRule =
    "This input MUST not be connected if any other input uses ZOOM mode";

// What a board offers, by the low byte of its release number: automatic
// detection from the first, the input modes from the second, inversion from
// the third.
inline constexpr int kFirstReleaseWithAutoDetect = 0x07;
inline constexpr int kFirstReleaseWithModes = 0x10;
inline constexpr int kFirstReleaseWithInvert = 0x11;

inline constexpr std::uint8_t kModeNormal = 0;
inline constexpr std::uint8_t kModeZoom = 198;
// List items, in list order.
inline constexpr std::array<const char*, 2> kModeItems{"Normal", "Zoom"};

inline constexpr std::uint8_t kLowPageTag = 0;
inline constexpr std::uint8_t kHighPageTag = 16;
// A page carries sixteen setting bytes after its report ID and tag; a reply
// shorter than that is not a whole page and is not trusted for any of them.
inline constexpr std::size_t kPageSettingCount = 16;
inline constexpr std::size_t kPageLength = 2 + kPageSettingCount;

// The set report that writes an input's mode byte; none for input 7 and for
// numbers that name no input.
std::optional<std::uint8_t> InputModeCommand(int input);

// Bit k for input k + 1, from the check-box states of inputs 1 ... 8
// (0 unchecked, 1 checked).
std::uint8_t InvertMask(std::span<const int, kInputCount> states);
bool IsInverted(std::uint8_t mask, int input);

// Only bit 0 of the stored byte counts; the utility sends exactly 0 or 1.
bool AutoDetectOn(std::uint8_t stored);

// The list position a stored mode byte stands for; nullopt for a byte that
// is neither mode, which leaves the list as it is.
std::optional<int> ModePosition(std::uint8_t modeByte);

// What one settings page says about the analog inputs: page 0 fills the
// mask, the detection bit and the modes of inputs 1 and 2, page 16 the modes
// of inputs 3 to 8; the rest stays empty.
struct InputPage {
  std::optional<std::uint8_t> invertMask;
  std::optional<bool> autoDetect;
  std::array<std::optional<std::uint8_t>, kInputCount> modeBytes{};  // input k at k - 1
};

// nullopt for a page of any other tag, or one shorter than kPageLength.
std::optional<InputPage> DecodeInputPage(std::span<const std::uint8_t> page);

}  // namespace tq::config
