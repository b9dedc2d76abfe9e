// The timing of one encoder pair's two buttons as the reports show it:
// how many presses ended on each button since the last reset, how long
// each was held, how close a press on one button came after the other
// button's release, and whether the two overlapped the way an encoder's
// contacts do. It only measures; pair_verdict.h judges the figures against
// the board's settings.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>

namespace tq::monitor {

// A contact held longer than this is a hand on a button, not an encoder's
// contact passing by.
inline constexpr std::int64_t kContactMaxMs = 150;

class PulseMeter {
 public:
  // `side` 0 is the pair's first button (2k - 1), 1 its second (2k).
  // `startSeen` false: the button was already held when watching began, so
  // the press's length will not be known; it still counts when it ends.
  void Press(int side, std::int64_t ms, bool startSeen = true);
  // The press's length, or nothing when its start was not seen (held since
  // before the first sample) or the button was not pressed.
  std::optional<std::int64_t> Release(int side, std::int64_t ms);
  // Forgets the counts and timings; a press in progress still counts when
  // it ends.
  void Reset();

  int Count(int side) const;
  int Total() const { return Count(0) + Count(1); }
  std::optional<std::int64_t> Shortest() const;
  // The middle length; of two middles, the shorter, so it is always a length
  // that was measured.
  std::optional<std::int64_t> Median() const;
  std::optional<std::int64_t> Longest() const;
  // The shortest time from one button's release to a press of the other;
  // 0 when the other was pressed while the first was still held.
  std::optional<std::int64_t> ClosestReversalMs() const { return closestReversalMs_; }
  // Contact sequences seen as an encoder makes them: one button, both, the
  // other, none, each contact short.
  int QuadratureSequences() const { return quadratureSequences_; }

 private:
  struct Side {
    bool held = false;
    std::optional<std::int64_t> pressedAt;
    std::optional<std::int64_t> releasedAt;
    std::int64_t lastLength = 0;
    bool pressedWhileOtherHeld = false;
    int count = 0;
  };
  static bool Valid(int side) { return side == 0 || side == 1; }

  std::array<Side, 2> sides_{};
  std::map<std::int64_t, int> lengths_;  // length -> how many; bounded by the distinct lengths
  int lengthCount_ = 0;
  std::optional<std::int64_t> closestReversalMs_;
  int quadratureSequences_ = 0;
};

}  // namespace tq::monitor
