#include "board/setting_change.h"

#include <array>
#include <cstdlib>

#include "board/board_settings.h"
#include "board/encoder_reports.h"
#include "board/input_sample.h"

namespace tq::monitor {
namespace {

// The type codes with their pulses a detent, most pulses first.
constexpr std::array<int, 3> kTypesByPulses{3, 2, 1};

bool Fits(std::int64_t length, std::int64_t widthMs) {
  return std::llabs(length - widthMs) <= kReportIntervalMs;
}

// The width on the board's grid that both lengths fit, nearest their middle.
std::optional<std::int64_t> GridWidth(std::int64_t shortest, std::int64_t longest) {
  std::optional<std::int64_t> best;
  const std::int64_t middle2 = shortest + longest;  // twice the middle, to stay whole
  for (int code = 1; code <= encoders::kPulseWidthCount; ++code) {
    const std::int64_t width = std::int64_t{code} * encoders::kPulseWidthStepMs;
    if (!Fits(shortest, width) || !Fits(longest, width)) continue;
    if (!best || std::llabs(2 * width - middle2) < std::llabs(2 * *best - middle2)) best = width;
  }
  return best;
}

// The type with the most pulses a detent that divides `pulses`.
int TypeDividing(int pulses) {
  for (const int type : kTypesByPulses) {
    if (pulses % encoders::PulsesPerDetent(type) == 0) return type;
  }
  return 1;
}

// The width the latest run was sent at, when it is one width and not `set`:
// two pulses of one length at least, since one stray pulse may be anything.
std::optional<std::int64_t> SeenWidth(const RunFigures& runs, std::optional<std::int64_t> set) {
  if (runs.latestMeasured < 2 || !runs.latestShortest || !runs.latestLongest) return std::nullopt;
  const std::int64_t shortest = *runs.latestShortest;
  const std::int64_t longest = *runs.latestLongest;
  if (set && Fits(shortest, *set) && Fits(longest, *set)) return std::nullopt;
  if (longest - shortest > kReportIntervalMs) return std::nullopt;  // not one width
  const auto width = GridWidth(shortest, longest);
  if (!width || width == set) return std::nullopt;
  return width;
}

std::optional<int> SeenType(const RunFigures& runs, int type) {
  const int perDetent = encoders::PulsesPerDetent(type);
  if (runs.wholeRuns >= 1 && runs.sizeGcd % perDetent != 0) return TypeDividing(runs.sizeGcd);
  if (!runs.sameSize) return std::nullopt;
  const int size = *runs.sameSize;
  const bool twoRuns = runs.sameSizeRuns >= 2 ||
                       (runs.sameSizeRuns == 1 && runs.latestWhole && runs.latestPulses == size);
  if (!twoRuns || size <= perDetent) return std::nullopt;
  for (const int other : kTypesByPulses) {
    if (encoders::PulsesPerDetent(other) == size) return other;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Mark> JudgeSettingChange(const RunFigures& runs, int quadratureSequences, int type,
                                       std::optional<std::int64_t> widthMs) {
  Mark mark{MarkKind::SettingChanged, 0, widthMs.value_or(0), std::nullopt};
  if (type == kTypeOff) {
    if (quadratureSequences > 0 || !runs.latestLongest || *runs.latestLongest > kContactMaxMs) {
      return std::nullopt;
    }
    const auto width = SeenWidth(runs, std::nullopt);
    if (!width) return std::nullopt;
    mark.measuredMs = *width;
    mark.seenType = TypeDividing(runs.wholeRuns > 0 ? runs.sizeGcd : runs.latestPulses);
    return mark;
  }
  if (encoders::PulsesPerDetent(type) == 0) return std::nullopt;
  if (quadratureSequences > 0) {
    mark.seenType = kTypeOff;
    return mark;
  }
  // Without a width read there is none to differ from.
  if (widthMs) mark.measuredMs = SeenWidth(runs, widthMs).value_or(0);
  mark.seenType = SeenType(runs, type);
  if (mark.measuredMs == 0 && !mark.seenType) return std::nullopt;
  return mark;
}

}  // namespace tq::monitor
