// What arrived of the board's inputs since the last reset, for a builder who
// flicks every switch and sweeps every axis to find the ones that never
// arrive (a broken wire, a swapped pin): each button pressed at least once,
// each axis's swept share of its range, and the line that sums them up.
//
// An axis is swept over its whole range when it reached both ends within
// EndSlack of them: 2 % of the range, 5 counts of the board's 0 ... 255.
// A potentiometer seldom reaches its very ends (its track and the
// mechanical stops differ by a little), and a worn one not at all.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/input_layout.h"
#include "board/input_sample.h"
#include "board/input_watch.h"

namespace tq::monitor {

// What the board's 8-bit axes report, for an axis whose range the
// descriptor did not give.
inline constexpr AxisRange kBoardAxisRange{0, 255};

std::int32_t EndSlack(const AxisRange& range);

struct Sweep {
  int percent = 0;     // of the range between the lowest and highest seen
  bool whole = false;  // both ends reached within EndSlack
  friend bool operator==(const Sweep&, const Sweep&) = default;
};

Sweep SweepOf(const AxisReading& reading, const AxisRange& range);

using AxisReadings = std::array<std::optional<AxisReading>, kAxisCount>;
using AxisRanges = std::array<std::optional<AxisRange>, kAxisCount>;
using ButtonPresses = std::array<int, kButtonCount>;

struct SeenCount {
  int buttons = 0;  // pressed at least once, of kButtonCount
  int wholeAxes = 0;  // swept over their whole range, of kAxisCount
  friend bool operator==(const SeenCount&, const SeenCount&) = default;
};

// An axis without a reading is not swept; one without a range is judged
// against kBoardAxisRange.
SeenCount CountSeen(const ButtonPresses& presses, const AxisReadings& axes,
                    const AxisRanges& ranges);

AxisReadings ReadingsOf(const InputWatch& watch);

// The buttons never pressed, and the axes (1 ... 8) not swept over their
// whole range, unseen ones included; in number order.
std::vector<int> UnpressedButtons(const ButtonPresses& presses);
std::vector<int> UnsweptAxes(const AxisReadings& axes, const AxisRanges& ranges);

// "Seen: 30 of 32 buttons; 7 of 8 axes over their whole range".
std::string SeenLine(const SeenCount& count);
// What has not arrived, by name: "not pressed: buttons 4, 17; not swept
// whole: RZ 12 ... 240, Dial unseen"; empty when everything has.
std::string MissingLine(const ButtonPresses& presses, const AxisReadings& axes,
                        const AxisRanges& ranges);

}  // namespace tq::monitor
