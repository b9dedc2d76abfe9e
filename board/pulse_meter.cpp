#include "board/pulse_meter.h"

#include <algorithm>
#include <numeric>

#include "board/input_sample.h"

namespace tq::monitor {

void PulseMeter::Press(int side, std::int64_t ms, bool startSeen) {
  if (!Valid(side)) return;
  Side& self = sides_[static_cast<std::size_t>(side)];
  const Side& other = sides_[static_cast<std::size_t>(1 - side)];
  if (self.held) return;
  TakeBurst(side, ms, startSeen);
  std::optional<std::int64_t> reversal;
  if (other.held) {
    reversal = 0;
  } else if (other.releasedAt) {
    reversal = ms - *other.releasedAt;
  }
  if (reversal) closestReversalMs_ = std::min(closestReversalMs_.value_or(*reversal), *reversal);
  if (!ContinuesRun(side, ms)) {
    EndRun();
    runSide_ = side;
    runs_.latestPulses = 0;
    runs_.latestMeasured = 0;
    runs_.latestWhole = startSeen;
    runs_.latestShortest.reset();
    runs_.latestLongest.reset();
  }
  self.held = true;
  self.pressedAt = startSeen ? std::optional<std::int64_t>(ms) : std::nullopt;
  self.pressedWhileOtherHeld = other.held;
}

std::optional<std::int64_t> PulseMeter::Release(int side, std::int64_t ms) {
  if (!Valid(side)) return std::nullopt;
  Side& self = sides_[static_cast<std::size_t>(side)];
  const Side& other = sides_[static_cast<std::size_t>(1 - side)];
  if (!self.held) return std::nullopt;
  self.held = false;
  self.releasedAt = ms;
  if (self.burstStart && ms - self.burstLatest >= kChatterGapMs) EndBurst(side);
  if (!self.pressedAt) {
    // A press already on in the first report seen: a board sends only on a
    // change, so a monitor opened just before a turn sees its first report
    // with the first pulse on. It is a pulse all the same; only its length
    // is unknown.
    ++self.count;
    ++runs_.latestPulses;
    runReleasedAt_ = ms;
    runLastLength_ = 0;
    return std::nullopt;
  }
  const std::int64_t length = ms - *self.pressedAt;
  self.pressedAt.reset();
  self.lastLength = length;
  ++self.count;
  ++lengths_[length];
  ++lengthCount_;
  ++runs_.latestPulses;
  ++runs_.latestMeasured;
  runs_.latestShortest = std::min(runs_.latestShortest.value_or(length), length);
  runs_.latestLongest = std::max(runs_.latestLongest.value_or(length), length);
  runReleasedAt_ = ms;
  runLastLength_ = length;

  // The last step of A, A+B, B, open: this button came on while the other
  // was held, the other went off while this one was held, and now this one
  // goes off too; every contact short.
  const bool otherLetGoDuringThisPress =
      other.releasedAt && *other.releasedAt >= ms - length && *other.releasedAt <= ms;
  if (self.pressedWhileOtherHeld && !other.held && otherLetGoDuringThisPress &&
      length <= kContactMaxMs && other.lastLength <= kContactMaxMs) {
    ++quadratureSequences_;
  }
  return length;
}

void PulseMeter::TakeBurst(int side, std::int64_t ms, bool startSeen) {
  Side& self = sides_[static_cast<std::size_t>(side)];
  // The other button's press ends its burst: an encoder's contacts take
  // turns, a bouncing contact does not.
  EndBurst(1 - side);
  if (self.burstStart && (!startSeen || ms - self.burstLatest >= kChatterGapMs)) EndBurst(side);
  if (!startSeen) return;
  if (!self.burstStart) {
    self.burstStart = ms;
    self.burstPresses = 0;
  }
  self.burstLatest = ms;
  ++self.burstPresses;
}

void PulseMeter::EndBurst(int side) {
  Side& self = sides_[static_cast<std::size_t>(side)];
  if (self.burstStart && self.burstPresses >= 2) {
    const Chatter burst{side, self.burstPresses, self.burstLatest - *self.burstStart};
    if (!worstChatter_ || burst.presses > worstChatter_->presses ||
        (burst.presses == worstChatter_->presses && burst.spanMs < worstChatter_->spanMs)) {
      worstChatter_ = burst;
    }
  }
  self.burstStart.reset();
  self.burstPresses = 0;
}

bool PulseMeter::ChatterUnderWay() const {
  return std::ranges::any_of(sides_, [](const Side& side) { return side.burstPresses >= 2; });
}

void PulseMeter::Reset() {
  for (Side& side : sides_) {
    side.releasedAt.reset();
    side.pressedWhileOtherHeld = false;
    side.count = 0;
    side.burstStart.reset();
    side.burstPresses = 0;
  }
  worstChatter_.reset();
  lengths_.clear();
  lengthCount_ = 0;
  closestReversalMs_.reset();
  quadratureSequences_ = 0;
  // The run under way carries on, but is no longer seen whole.
  runs_ = RunFigures{};
}

bool PulseMeter::ContinuesRun(int side, std::int64_t ms) const {
  if (side != runSide_ || !runReleasedAt_) return false;
  if (sides_[static_cast<std::size_t>(1 - side)].held) return false;
  // The firmware's gap is the pulse's length; each edge is seen up to one
  // report interval late.
  return ms - *runReleasedAt_ <= runLastLength_ + 2 * kReportIntervalMs;
}

void PulseMeter::EndRun() {
  if (!runs_.latestWhole || runs_.latestPulses == 0) return;
  const int size = runs_.latestPulses;
  runs_.sameSizeRuns = runs_.sameSize == size ? runs_.sameSizeRuns + 1 : 1;
  runs_.sameSize = size;
  runs_.sizeGcd = std::gcd(runs_.sizeGcd, size);
  ++runs_.wholeRuns;
}

int PulseMeter::Count(int side) const {
  return Valid(side) ? sides_[static_cast<std::size_t>(side)].count : 0;
}

std::optional<std::int64_t> PulseMeter::Shortest() const {
  if (lengths_.empty()) return std::nullopt;
  return lengths_.begin()->first;
}

std::optional<std::int64_t> PulseMeter::Longest() const {
  if (lengths_.empty()) return std::nullopt;
  return lengths_.rbegin()->first;
}

std::optional<std::int64_t> PulseMeter::Median() const {
  if (lengthCount_ == 0) return std::nullopt;
  // The ((n + 1) / 2)-th length in order, counted from 1.
  int remaining = (lengthCount_ + 1) / 2;
  for (const auto& [length, count] : lengths_) {
    remaining -= count;
    if (remaining <= 0) return length;
  }
  return lengths_.rbegin()->first;
}

}  // namespace tq::monitor
