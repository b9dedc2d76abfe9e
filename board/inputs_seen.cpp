#include "board/inputs_seen.h"

#include <algorithm>

namespace tq::monitor {
namespace {

const AxisRange& RangeOf(const AxisRanges& ranges, std::size_t index) {
  return ranges[index] ? *ranges[index] : kBoardAxisRange;
}

}  // namespace

std::int32_t EndSlack(const AxisRange& range) {
  const std::int64_t span = std::int64_t{range.maximum} - range.minimum;
  return static_cast<std::int32_t>(std::max<std::int64_t>(1, span * 2 / 100));
}

Sweep SweepOf(const AxisReading& reading, const AxisRange& range) {
  const std::int64_t span = std::int64_t{range.maximum} - range.minimum;
  if (span <= 0) return {};
  const std::int64_t low = std::clamp<std::int64_t>(reading.lowest, range.minimum, range.maximum);
  const std::int64_t high = std::clamp<std::int64_t>(reading.highest, range.minimum, range.maximum);
  const std::int32_t slack = EndSlack(range);
  return Sweep{static_cast<int>((high - low) * 100 / span),
               low <= std::int64_t{range.minimum} + slack && high >= std::int64_t{range.maximum} - slack};
}

SeenCount CountSeen(const ButtonPresses& presses, const AxisReadings& axes,
                    const AxisRanges& ranges) {
  SeenCount count;
  count.buttons = static_cast<int>(std::ranges::count_if(presses, [](int n) { return n > 0; }));
  for (std::size_t axis = 0; axis < axes.size(); ++axis) {
    if (axes[axis] && SweepOf(*axes[axis], RangeOf(ranges, axis)).whole) ++count.wholeAxes;
  }
  return count;
}

AxisReadings ReadingsOf(const InputWatch& watch) {
  AxisReadings axes{};
  for (int axis = 1; axis <= kAxisCount; ++axis) axes[static_cast<std::size_t>(axis - 1)] = watch.Axis(axis);
  return axes;
}

std::vector<int> UnpressedButtons(const ButtonPresses& presses) {
  std::vector<int> buttons;
  for (std::size_t button = 0; button < presses.size(); ++button) {
    if (presses[button] <= 0) buttons.push_back(static_cast<int>(button) + 1);
  }
  return buttons;
}

std::vector<int> UnsweptAxes(const AxisReadings& axes, const AxisRanges& ranges) {
  std::vector<int> unswept;
  for (std::size_t axis = 0; axis < axes.size(); ++axis) {
    if (!axes[axis] || !SweepOf(*axes[axis], RangeOf(ranges, axis)).whole) {
      unswept.push_back(static_cast<int>(axis) + 1);
    }
  }
  return unswept;
}

std::string SeenLine(const SeenCount& count) {
  return "Seen: " + std::to_string(count.buttons) + " of " + std::to_string(kButtonCount) +
         " buttons; " + std::to_string(count.wholeAxes) + " of " + std::to_string(kAxisCount) +
         " axes over their whole range";
}

std::string MissingLine(const ButtonPresses& presses, const AxisReadings& axes,
                        const AxisRanges& ranges) {
  const std::vector<int> unpressed = UnpressedButtons(presses);
  std::string buttons;
  for (const int button : unpressed) buttons += (buttons.empty() ? "" : ", ") + std::to_string(button);
  std::string sweeps;
  for (const int axis : UnsweptAxes(axes, ranges)) {
    const auto& reading = axes[static_cast<std::size_t>(axis - 1)];
    sweeps += (sweeps.empty() ? "" : ", ") + std::string(kAxisNames[static_cast<std::size_t>(axis - 1)]) +
              (reading ? " " + std::to_string(reading->lowest) + " ... " + std::to_string(reading->highest)
                       : std::string(" unseen"));
  }
  std::string line;
  if (!buttons.empty()) line = (unpressed.size() == 1 ? "not pressed: button " : "not pressed: buttons ") + buttons;
  if (!sweeps.empty()) line += (line.empty() ? "" : "; ") + ("not swept whole: " + sweeps);
  return line;
}

}  // namespace tq::monitor
