// The encoder settings on the wire. Each input pair's type code (0 "OFF",
// 1 "1:1", 2 "1:2", 3 "1:4") is split over two setting bytes per bank of
// eight pairs, one for the low bits and one for the high bits; the pulse
// width is one byte counting 8 ms steps. Settings page 16 reports them all.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tq::encoders {

// Command codes, which are also the settings addresses written.
inline constexpr std::uint8_t SetEncoderLow1to8 = 22;
inline constexpr std::uint8_t SetEncoderLow9to16 = 23;
inline constexpr std::uint8_t SetEncoderHigh1to8 = 24;
inline constexpr std::uint8_t SetEncoderHigh9to16 = 25;
inline constexpr std::uint8_t SetPulseWidth = 26;

inline constexpr std::uint8_t kEncoderPageTag = 16;
inline constexpr int kPairCount = 16;
inline constexpr int kPairsPerBank = 8;
inline constexpr int kPulseWidthCount = 25;
inline constexpr int kPulseWidthStepMs = 8;
inline constexpr int kDefaultPulseWidthPosition = 5;  // "48 ms"

// What a board offers, by the low byte of its release number: below the
// first, no encoder setting at all; from it, "OFF", "1:1" and every pulse
// width; from the second, also "1:2" and "1:4".
inline constexpr int kFirstReleaseWithEncoders = 0x20;
inline constexpr int kFirstReleaseWithAllTypes = 0x21;

// List items, in list order: a position in the list is the type code.
inline constexpr std::array<const char*, 4> kEncoderTypeItems{"OFF", "1:1", "1:2", "1:4"};
// The pulses the board sends for one detent, by type code; 0 for "OFF" and
// for a code that names no type.
constexpr int PulsesPerDetent(int type) {
  constexpr std::array<int, 4> kPulses{0, 1, 2, 4};
  return type >= 0 && type < static_cast<int>(kPulses.size()) ? kPulses[static_cast<std::size_t>(type)]
                                                               : 0;
}

// "1:2" for code 2; "type 7" for a code that names none.
std::string EncoderTypeName(int type);

// The two inputs of pair 1 ... 16, as the encoder window names them: "1-2".
std::string PairInputs(int pair);

struct BankBits {
  std::uint8_t low = 0;
  std::uint8_t high = 0;
};

// Packs a bank's eight type codes, pair 1 of the bank at bit 0. A code
// outside 0 .. 3 (a list showing no selection) is sent as "OFF".
BankBits PackBank(std::span<const int, kPairsPerBank> codes);

// The pulse-width code for a list position, or nullopt when the position
// names no width (nothing selected): the board is never sent code 0.
std::optional<std::uint8_t> PulseWidthCode(int listPosition);
// "8 ms" ... "200 ms".
std::string PulseWidthItem(int listPosition);

struct EncoderSettings {
  std::array<int, kPairCount> types{};  // pair k at index k - 1
  int pulseWidthPosition = -1;          // page code - 1; -1 for code 0
};

// Settings page 16 read back; nullopt for any other page or a reply too short
// to hold every encoder setting.
std::optional<EncoderSettings> DecodeEncoderPage(std::span<const std::uint8_t> page);

}  // namespace tq::encoders
