// Whether an axis that nobody moves wanders back and forth by itself: the
// usual sign of a worn potentiometer or of a long, unshielded wire picking
// up noise. Judged from the values the board reports (8-bit counts, one
// report per 10 ms, sent only when something changed), never from their
// bytes.
//
// The definition, in counts of the board's values:
// - A turn: the value comes back by at least kNoiseSwing counts from the
//   farthest point it reached since the last turn. A value flickering by one
//   count between two neighbours (the converter's last bit) never turns,
//   and a slow drift, however long, never comes back.
// - At rest: the last kNoiseTurns turning points lie within kRestBand
//   counts of each other; a hand that moves the axis carries it out of the
//   band.
// - Noisy: kNoiseTurns turns at rest within kNoiseWindowMs (100 reports);
//   noise turns every two or three reports, a hand holding still far less
//   often. Its spread is half the band the turning points span, rounded up:
//   values wandering over 125 ... 131 are "±3". Ten turning points, not
//   fewer, so that the spread first announced is seldom short of the noise's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tq::monitor {

inline constexpr std::int32_t kNoiseSwing = 2;
inline constexpr std::int32_t kRestBand = 16;
inline constexpr int kNoiseTurns = 10;
inline constexpr std::int64_t kNoiseWindowMs = 1000;

struct NoiseMark {
  std::int32_t spread = 0;  // counts either side of the middle
  friend bool operator==(const NoiseMark&, const NoiseMark&) = default;
};

// One axis's values as they come.
class NoiseMeter {
 public:
  // The axis's value `reported` at `ms` (times never going back). Returns
  // the mark the latest kNoiseTurns turns earn, when they do. A descriptor
  // may give an axis any 32-bit range: distances between values are taken
  // in 64 bits.
  std::optional<NoiseMark> Take(std::int64_t ms, std::int32_t reported);
  // Forgets the turns; the next value starts afresh.
  void Reset();

 private:
  struct Turn {
    std::int64_t ms = 0;
    std::int64_t value = 0;
  };
  std::optional<NoiseMark> Judge() const;

  bool started_ = false;
  int direction_ = 0;  // +1 rising, -1 falling, 0 before the first swing
  std::int64_t low_ = 0;   // while direction_ is 0: the lowest and highest yet
  std::int64_t high_ = 0;
  std::int64_t extreme_ = 0;  // the farthest point in direction_
  std::array<Turn, kNoiseTurns> turns_{};  // a ring, the latest at next_ - 1
  std::size_t next_ = 0;
  int turnCount_ = 0;  // up to kNoiseTurns
};

}  // namespace tq::monitor
