#include "board/axis_noise.h"

#include <algorithm>

namespace tq::monitor {

std::optional<NoiseMark> NoiseMeter::Take(std::int64_t ms, std::int32_t reported) {
  const std::int64_t value = reported;
  if (!started_) {
    started_ = true;
    low_ = high_ = value;
    return std::nullopt;
  }
  if (direction_ == 0) {
    low_ = std::min(low_, value);
    high_ = std::max(high_, value);
    // The first swing sets the direction; where it started is no turn.
    if (value - low_ >= kNoiseSwing) {
      direction_ = +1;
      extreme_ = value;
    } else if (high_ - value >= kNoiseSwing) {
      direction_ = -1;
      extreme_ = value;
    }
    return std::nullopt;
  }
  if ((value - extreme_) * direction_ >= 0) {
    extreme_ = value;  // still going the same way
    return std::nullopt;
  }
  if ((extreme_ - value) * direction_ < kNoiseSwing) return std::nullopt;
  turns_[next_] = Turn{ms, extreme_};
  next_ = (next_ + 1) % turns_.size();
  turnCount_ = std::min(turnCount_ + 1, kNoiseTurns);
  direction_ = -direction_;
  extreme_ = value;
  return Judge();
}

std::optional<NoiseMark> NoiseMeter::Judge() const {
  if (turnCount_ < kNoiseTurns) return std::nullopt;
  // With the ring full, next_ is the oldest turn and next_ - 1 the latest.
  const Turn& oldest = turns_[next_];
  const Turn& latest = turns_[(next_ + turns_.size() - 1) % turns_.size()];
  if (latest.ms - oldest.ms > kNoiseWindowMs) return std::nullopt;
  const auto [low, high] = std::ranges::minmax(turns_, {}, &Turn::value);
  const std::int64_t band = high.value - low.value;
  if (band > kRestBand) return std::nullopt;
  return NoiseMark{static_cast<std::int32_t>((band + 1) / 2)};
}

void NoiseMeter::Reset() { *this = NoiseMeter{}; }

}  // namespace tq::monitor
