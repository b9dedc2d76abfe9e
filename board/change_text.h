// A change of the board's inputs as one line of text: what tq5271ctl watch
// prints, and, for a mark, what the monitor window shows beside the pair.
#pragma once

#include <cstdint>
#include <string>

#include "board/input_watch.h"

namespace tq::monitor {

// "12.340": milliseconds as seconds.
std::string Seconds(std::int64_t ms);

// One short line, without the pair: "pulses 16 ms, set 48 ms".
std::string MarkText(const Mark& mark);

// "12.340 X 64", "12.340 button 5 pressed", "12.340 button 5 released after
// 20 ms", "12.340 enc3 button 5 pulse 48 ms (#3 since reset)",
// "12.340 enc3 marked: pulses 16 ms, set 48 ms"; no line end.
std::string ChangeLine(const Change& change);

}  // namespace tq::monitor
