// What arrived of the board's inputs as one JSON object on one line, the
// last tq5271ctl watch --json prints, `ms` its time: {"ms":10000,
// "event":"seen","buttons":30,
// "wholeAxes":7,"notPressed":[31,32],"notSweptWhole":["Slider"],"text":...}.
#pragma once

#include <cstdint>
#include <string>

#include "board/inputs_seen.h"

namespace tq::ctl {

std::string SeenJson(std::int64_t ms, const monitor::ButtonPresses& presses, const monitor::AxisReadings& axes,
                     const monitor::AxisRanges& ranges);

}  // namespace tq::ctl
