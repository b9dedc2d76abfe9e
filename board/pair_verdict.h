// An encoder pair's measured pulses judged against what the board's
// settings say it should send. Every figure is known to within one report
// interval, so only a difference beyond that is marked.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "board/pulse_meter.h"

namespace tq::monitor {

enum class MarkKind {
  // A pulse measured shorter or longer than the set width by more than the
  // report interval (a game polling slower may miss it, or the setting is
  // not what the board uses).
  LengthOff,
  // A pair set "OFF" whose buttons close in quadrature: an encoder wired to
  // two plain buttons.
  PulsesWhileOff,
  // An encoder pair pulsing both buttons within one turn, the next pulse
  // less than a gap after the other direction's: a skipping or bouncing
  // encoder.
  BothDirections,
  // Pulses that match another type or width than the one read: another
  // program may have set the board since (setting_change.h).
  SettingChanged,
  // A pair set "OFF" whose button closed again sooner than a finger can
  // (pulse_meter.h, kChatterGapMs): contact bounce or a loose joint. Pairs
  // set as encoders are never judged so: their pulses come that fast. Marked
  // once the burst is over; while a pair chatters, its short presses are not
  // taken for an encoder type set since (they look alike at 8 and 16 ms).
  Chatter,
};

struct Mark {
  MarkKind kind = MarkKind::LengthOff;
  // LengthOff: the length farthest off; BothDirections: the gap;
  // SettingChanged: the width the pulses match, 0 when it is the set one;
  // Chatter: from the first press of the burst to its last.
  std::int64_t measuredMs = 0;
  std::int64_t setMs = 0;  // the set pulse width; 0 for Chatter
  // SettingChanged: the type code the pulses match, when it is not the set one.
  std::optional<int> seenType = std::nullopt;
  // Chatter: the button (1 ... 32) and its presses in the burst.
  int button = 0;
  int presses = 0;
  friend bool operator==(const Mark&, const Mark&) = default;
};

// `type` the pair's type code and `widthMs` the set pulse width, each empty
// when the settings did not say; an unknown setting earns no mark (a pair
// that may be an encoder is never judged to chatter). Pulses that match
// another setting earn SettingChanged alone: the other marks would measure
// them against a setting the board no longer uses. `pair` 1 ... 16 names
// the chattering button.
std::vector<Mark> JudgePair(const PulseMeter& meter, std::optional<int> type,
                            std::optional<std::int64_t> widthMs, int pair);

}  // namespace tq::monitor
