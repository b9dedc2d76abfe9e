// One look at the board's inputs, decoded from an input report: the eight
// analog inputs and the thirty-two buttons, stamped with the time it was
// taken. The measurement works on these, never on a report's bytes, so it
// does not care which transport or descriptor delivered them.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

namespace tq::monitor {

inline constexpr int kAxisCount = 8;
inline constexpr int kButtonCount = 32;
inline constexpr int kPairCount = kButtonCount / 2;

// The names the window and tq5271ctl watch give the axes, in input order.
inline constexpr std::array<const char*, kAxisCount> kAxisNames{"X",  "Y",  "Z",    "RX",
                                                                "RY", "RZ", "Dial", "Slider"};

// The board is looked at once per endpoint interval; a measured length is
// known to within this much.
inline constexpr std::int64_t kReportIntervalMs = 10;

struct InputSample {
  std::int64_t ms = 0;
  // Input k at k - 1; empty for an axis the report does not carry.
  std::array<std::optional<std::int32_t>, kAxisCount> axes{};
  // Button k at bit k - 1.
  std::bitset<kButtonCount> buttons;
  // Whether this may be the board's state as it stood before watching
  // began. A host hands a newly opened handle no report until an input
  // changes (the board sends only then), so there the first report is a
  // change and a button set in it was pressed at that moment; a source
  // that hands the standing state first (the emulator does) hands it at
  // once.
  bool mayBeStanding = true;
};

// Pair k is buttons 2k - 1 and 2k; a positive detent pulses the first.
constexpr int FirstButtonOf(int pair) { return 2 * pair - 1; }
constexpr int PairOf(int button) { return (button + 1) / 2; }

}  // namespace tq::monitor
