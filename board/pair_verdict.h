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
};

struct Mark {
  MarkKind kind = MarkKind::LengthOff;
  // LengthOff: the length farthest off; BothDirections: the gap;
  // SettingChanged: the width the pulses match, 0 when it is the set one.
  std::int64_t measuredMs = 0;
  std::int64_t setMs = 0;  // the set pulse width
  // SettingChanged: the type code the pulses match, when it is not the set one.
  std::optional<int> seenType;
  friend bool operator==(const Mark&, const Mark&) = default;
};

// `type` the pair's type code and `widthMs` the set pulse width, each empty
// when the settings did not say; an unknown setting earns no mark. Pulses
// that match another setting earn SettingChanged alone: the other marks
// would measure them against a setting the board no longer uses.
std::vector<Mark> JudgePair(const PulseMeter& meter, std::optional<int> type,
                            std::optional<std::int64_t> widthMs);

}  // namespace tq::monitor
