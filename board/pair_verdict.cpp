#include "board/pair_verdict.h"

#include "board/board_settings.h"
#include "board/input_sample.h"
#include "board/setting_change.h"

namespace tq::monitor {

std::vector<Mark> JudgePair(const PulseMeter& meter, std::optional<int> type,
                            std::optional<std::int64_t> widthMs, int pair) {
  std::vector<Mark> marks;
  if (!type) return marks;
  // A pair read "OFF" whose contact bounces makes short presses of one
  // length on one button, as an encoder type at 8 or 16 ms would: while a
  // button chatters, that is what it is taken for.
  const bool chatters = *type == kTypeOff && (meter.WorstChatter() || meter.ChatterUnderWay());
  if (!chatters) {
    if (auto changed = JudgeSettingChange(meter.Runs(), meter.QuadratureSequences(), *type, widthMs)) {
      marks.push_back(*changed);
      return marks;
    }
  }
  if (*type == kTypeOff) {
    if (meter.QuadratureSequences() > 0) {
      marks.push_back({.kind = MarkKind::PulsesWhileOff});
    }
    if (const auto& chatter = meter.WorstChatter()) {
      marks.push_back({.kind = MarkKind::Chatter,
                       .measuredMs = chatter->spanMs,
                       .button = FirstButtonOf(pair) + chatter->side,
                       .presses = chatter->presses});
    }
    return marks;
  }
  if (!widthMs) return marks;
  const std::int64_t width = *widthMs;
  const auto shortest = meter.Shortest();
  const auto longest = meter.Longest();
  if (shortest && longest) {
    const std::int64_t below = width - *shortest;
    const std::int64_t above = *longest - width;
    if (below > kReportIntervalMs || above > kReportIntervalMs) {
      marks.push_back({MarkKind::LengthOff, below >= above ? *shortest : *longest, width, std::nullopt});
    }
  }
  // Within one turn the firmware leaves a gap of the pulse width between
  // pulses; a reversal sooner than that (within the sampling's error) is
  // part of the same turn.
  if (const auto gap = meter.ClosestReversalMs(); gap && *gap < width + kReportIntervalMs) {
    marks.push_back({MarkKind::BothDirections, *gap, width, std::nullopt});
  }
  return marks;
}

}  // namespace tq::monitor
