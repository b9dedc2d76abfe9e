// The board's inputs followed sample by sample: each axis's value, the
// lowest and highest seen and whether it is noisy at rest (axis_noise.h),
// each button's state and presses, each pair's pulses measured and judged
// against the board's settings (a pair set "OFF" for chatter too), and what
// every sample changed. tq5271ctl watch prints the changes; the monitor
// window shows the state; inputs_seen.h sums up what arrived.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "board/axis_noise.h"
#include "board/board_settings.h"
#include "board/dial_verdict.h"
#include "board/input_sample.h"
#include "board/pair_verdict.h"
#include "board/pulse_meter.h"

namespace tq::monitor {

struct AxisMoved {
  int axis = 0;  // 1 ... 8
  std::int32_t value = 0;
};
struct ButtonPressed {
  int button = 0;  // 1 ... 32
};
// A button of a pair that is not an encoder, or whose press began before
// the watch saw it.
struct ButtonReleased {
  int button = 0;
  std::optional<std::int64_t> heldMs;
};
// The end of a press on a pair set to an encoder type.
struct EncoderPulse {
  int pair = 0;
  int button = 0;
  // Unknown for a press already on in the first report seen.
  std::optional<std::int64_t> lengthMs;
  int count = 0;  // pulses on this button since the last reset, this one included
};
// A mark a pair earned, announced once until the next reset.
struct PairMarked {
  int pair = 0;
  Mark mark;
};
// Dial moved while another input zooms (dial_verdict.h), announced once
// until the next reset.
struct DialMarked {
  DialMark mark;
};
// An axis found noisy at rest, announced once until the next reset.
struct AxisNoisy {
  int axis = 0;
  NoiseMark mark;
};

struct Change {
  std::int64_t ms = 0;
  std::variant<AxisMoved, ButtonPressed, ButtonReleased, EncoderPulse, PairMarked, DialMarked,
               AxisNoisy>
      event;
};

struct AxisReading {
  std::int32_t value = 0;
  std::int32_t lowest = 0;
  std::int32_t highest = 0;
  friend bool operator==(const AxisReading&, const AxisReading&) = default;
};

class InputWatch {
 public:
  explicit InputWatch(BoardSettings settings = {});

  // Takes the next sample and returns what it changed: axes in input order,
  // then buttons in number order, then the pairs' marks, the axes' and
  // Dial's. The first sample reports every
  // axis it carries and every button pressed; where it may be the standing
  // state, a press in it has no start. A sample older than the last one
  // taken is ignored.
  std::vector<Change> Take(const InputSample& sample);
  // The same, the changes appended to `changes`: a caller that takes a
  // thousand samples a second keeps one buffer instead of making one each.
  void Take(const InputSample& sample, std::vector<Change>& changes);

  // Starts the counts, presses, pulse lengths, marks and each axis's
  // lowest and highest afresh. Until then every mark earned stands,
  // whatever comes after it.
  void Reset();
  // The same, the pulses from now on judged against `settings`, read again.
  void Reset(BoardSettings settings);

  const BoardSettings& Settings() const { return settings_; }
  std::optional<AxisReading> Axis(int axis) const;
  bool Pressed(int button) const;
  // Presses of button 1 ... 32 since the last reset (0 outside that range):
  // each time it went down, an encoder's pulses and a press in the first
  // sample included; a button held through a reset counts when next pressed.
  int Presses(int button) const;
  // Button k's at k - 1.
  const std::array<int, kButtonCount>& AllPresses() const { return presses_; }
  // The axis's standing noise mark, with the widest spread seen since it was
  // earned; empty for none and outside 1 ... 8.
  std::optional<NoiseMark> Noise(int axis) const;
  // Pair 1 ... 16; pairs outside that range read as an empty meter.
  const PulseMeter& Meter(int pair) const;
  // The pair's standing marks, in the order earned.
  const std::vector<Mark>& Marks(int pair) const;
  const std::optional<DialMark>& Dial() const { return dial_; }

 private:
  void TakeButton(int button, bool pressed, std::int64_t ms, bool startSeen,
                  std::vector<Change>& changes);
  void AnnounceMarks(int pair, std::int64_t ms, std::vector<Change>& changes);

  BoardSettings settings_;
  std::optional<std::int64_t> lastMs_;
  std::array<std::optional<AxisReading>, kAxisCount> axes_{};
  std::bitset<kButtonCount> buttons_;
  std::array<int, kButtonCount> presses_{};
  std::array<NoiseMeter, kAxisCount> noiseMeters_{};
  std::array<std::optional<NoiseMark>, kAxisCount> noise_{};
  std::array<PulseMeter, kPairCount> meters_{};
  std::array<std::vector<Mark>, kPairCount> marks_{};
  std::optional<DialMark> dial_;
};

}  // namespace tq::monitor
