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

// A press that begins sooner than this after the same button's last press
// began was not a finger's: a finger lets go and presses again in no less
// than about 80 ms. At the board's 10 ms reports the soonest a press can
// follow another is 20 ms (pressed, released, pressed).
inline constexpr std::int64_t kChatterGapMs = 50;

// Presses of one button, each beginning within kChatterGapMs of the one
// before and the pair's other button untouched in between: a contact that
// bounces as it closes, or a loose joint. `spanMs` from the first press's
// start to the last's. A burst is over once no press can join it: the
// button released kChatterGapMs or more after its latest press began, or
// pressed again later, or the other button pressed.
struct Chatter {
  int side = 0;
  int presses = 0;
  std::int64_t spanMs = 0;
  friend bool operator==(const Chatter&, const Chatter&) = default;
};

// Pulses on one button, each pressed again within about its own length
// after the last (the gap the firmware leaves between a turn's pulses), make
// one run: a turn, or turns made faster than the board sends them.
struct RunFigures {
  // Runs that have ended (another press came later), seen from their first
  // pulse on: their count, the greatest common divisor of their sizes (0
  // for none), and the size of the latest of them with how many ended in a
  // row at that size: a setting changed while the watch runs shows in the
  // runs since, not in those made before.
  int wholeRuns = 0;
  int sizeGcd = 0;
  std::optional<int> sameSize;
  int sameSizeRuns = 0;
  // The latest run, ended or under way: its pulses, how many of them were
  // measured, whether it was seen from its first, and its shortest and
  // longest measured pulse.
  int latestPulses = 0;
  int latestMeasured = 0;
  bool latestWhole = false;
  std::optional<std::int64_t> latestShortest;
  std::optional<std::int64_t> latestLongest;
  friend bool operator==(const RunFigures&, const RunFigures&) = default;
};

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
  const RunFigures& Runs() const { return runs_; }
  // Of the bursts of two presses or more that are over, the one with the
  // most presses (of as many, the quickest) since the last reset.
  const std::optional<Chatter>& WorstChatter() const { return worstChatter_; }
  // Whether a burst of two presses or more is under way.
  bool ChatterUnderWay() const;

 private:
  struct Side {
    bool held = false;
    std::optional<std::int64_t> pressedAt;
    std::optional<std::int64_t> releasedAt;
    std::int64_t lastLength = 0;
    bool pressedWhileOtherHeld = false;
    int count = 0;
    // The burst under way: when its first and latest presses began.
    std::optional<std::int64_t> burstStart;
    std::int64_t burstLatest = 0;
    int burstPresses = 0;
  };
  static bool Valid(int side) { return side == 0 || side == 1; }
  // Whether a press on `side` at `ms` carries on the latest run.
  bool ContinuesRun(int side, std::int64_t ms) const;
  void EndRun();
  void TakeBurst(int side, std::int64_t ms, bool startSeen);
  void EndBurst(int side);

  std::array<Side, 2> sides_{};
  std::map<std::int64_t, int> lengths_;  // length -> how many; bounded by the distinct lengths
  int lengthCount_ = 0;
  std::optional<std::int64_t> closestReversalMs_;
  int quadratureSequences_ = 0;
  // What tells whether a press carries on the latest run; a reset keeps
  // them, so the rest of a run under way is not taken for a new one.
  int runSide_ = -1;  // -1 before the first press
  std::optional<std::int64_t> runReleasedAt_;
  std::int64_t runLastLength_ = 0;
  RunFigures runs_;
  std::optional<Chatter> worstChatter_;
};

}  // namespace tq::monitor
