#include "board/input_watch.h"

#include <algorithm>
#include <utility>

namespace tq::monitor {
namespace {

std::size_t Index(int number) { return static_cast<std::size_t>(number - 1); }

}  // namespace

InputWatch::InputWatch(BoardSettings settings) : settings_(std::move(settings)) {}

std::vector<Change> InputWatch::Take(const InputSample& sample) {
  std::vector<Change> changes;
  Take(sample, changes);
  return changes;
}

void InputWatch::Take(const InputSample& sample, std::vector<Change>& changes) {
  if (lastMs_ && sample.ms < *lastMs_) return;
  // A button already held in the board's standing state was pressed at a
  // moment nobody saw.
  const bool first = !lastMs_;
  const bool startsSeen = !first || !sample.mayBeStanding;
  lastMs_ = sample.ms;

  std::bitset<kAxisCount> noisy;
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    const auto& value = sample.axes[Index(axis)];
    auto& reading = axes_[Index(axis)];
    if (!value) continue;
    if (!reading) {
      reading = AxisReading{*value, *value, *value};
    } else if (reading->value != *value) {
      reading->value = *value;
      reading->lowest = std::min(reading->lowest, *value);
      reading->highest = std::max(reading->highest, *value);
    } else {
      continue;
    }
    changes.push_back({sample.ms, AxisMoved{axis, *value}});
    if (const auto mark = noiseMeters_[Index(axis)].Take(sample.ms, *value)) {
      auto& standing = noise_[Index(axis)];
      if (!standing) {
        standing = mark;
        noisy.set(Index(axis));
      } else {
        standing->spread = std::max(standing->spread, mark->spread);
      }
    }
  }
  std::bitset<kPairCount> touched;
  for (int button = 1; button <= kButtonCount; ++button) {
    const bool pressed = sample.buttons.test(Index(button));
    if (pressed == buttons_.test(Index(button))) continue;
    TakeButton(button, pressed, sample.ms, startsSeen, changes);
    touched.set(Index(PairOf(button)));
  }
  for (int pair = 1; pair <= kPairCount; ++pair) {
    if (touched.test(Index(pair))) AnnounceMarks(pair, sample.ms, changes);
  }
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    if (noisy.test(Index(axis))) changes.push_back({sample.ms, AxisNoisy{axis, *noise_[Index(axis)]}});
  }
  if (const auto& dial = axes_[Index(kDialAxis)]; !dial_ && dial) {
    dial_ = JudgeDial(settings_, dial->lowest != dial->highest);
    if (dial_) changes.push_back({sample.ms, DialMarked{*dial_}});
  }
}

void InputWatch::TakeButton(int button, bool pressed, std::int64_t ms, bool startSeen,
                            std::vector<Change>& changes) {
  buttons_.set(Index(button), pressed);
  const int pair = PairOf(button);
  const int side = (button - 1) % 2;
  PulseMeter& meter = meters_[Index(pair)];
  if (pressed) {
    ++presses_[Index(button)];
    meter.Press(side, ms, startSeen);
    changes.push_back({ms, ButtonPressed{button}});
    return;
  }
  const int countBefore = meter.Count(side);
  const auto length = meter.Release(side, ms);
  const auto type = settings_.PairType(pair);
  if (meter.Count(side) > countBefore && type && *type != kTypeOff) {
    changes.push_back({ms, EncoderPulse{pair, button, length, meter.Count(side)}});
  } else {
    changes.push_back({ms, ButtonReleased{button, length}});
  }
}

void InputWatch::AnnounceMarks(int pair, std::int64_t ms, std::vector<Change>& changes) {
  std::vector<Mark>& standing = marks_[Index(pair)];
  const auto changed = [](const Mark& mark) { return mark.kind == MarkKind::SettingChanged; };
  for (const Mark& mark : JudgePair(meters_[Index(pair)], settings_.PairType(pair),
                                    settings_.PulseWidthMs(), pair)) {
    const auto same = std::ranges::find(standing, mark.kind, &Mark::kind);
    if (same != standing.end()) {
      *same = mark;  // the latest figures, announced once
      continue;
    }
    // Once the setting read is in doubt, so is every mark judged against
    // it: a changed setting replaces them, and none joins it.
    if (std::ranges::any_of(standing, changed)) continue;
    if (changed(mark)) standing.clear();
    standing.push_back(mark);
    changes.push_back({ms, PairMarked{pair, mark}});
  }
}

void InputWatch::Reset() {
  for (PulseMeter& meter : meters_) meter.Reset();
  for (auto& standing : marks_) standing.clear();
  dial_.reset();
  presses_ = {};
  for (NoiseMeter& meter : noiseMeters_) meter.Reset();
  for (auto& mark : noise_) mark.reset();
  for (auto& reading : axes_) {
    if (reading) reading->lowest = reading->highest = reading->value;
  }
}

void InputWatch::Reset(BoardSettings settings) {
  settings_ = std::move(settings);
  Reset();
}

std::optional<AxisReading> InputWatch::Axis(int axis) const {
  if (axis < 1 || axis > kAxisCount) return std::nullopt;
  return axes_[Index(axis)];
}

bool InputWatch::Pressed(int button) const {
  return button >= 1 && button <= kButtonCount && buttons_.test(Index(button));
}

int InputWatch::Presses(int button) const {
  return button >= 1 && button <= kButtonCount ? presses_[Index(button)] : 0;
}

std::optional<NoiseMark> InputWatch::Noise(int axis) const {
  if (axis < 1 || axis > kAxisCount) return std::nullopt;
  return noise_[Index(axis)];
}

const PulseMeter& InputWatch::Meter(int pair) const {
  static const PulseMeter kNone;
  if (pair < 1 || pair > kPairCount) return kNone;
  return meters_[Index(pair)];
}

const std::vector<Mark>& InputWatch::Marks(int pair) const {
  static const std::vector<Mark> kNone;
  if (pair < 1 || pair > kPairCount) return kNone;
  return marks_[Index(pair)];
}

}  // namespace tq::monitor
