// A change of the board's inputs as one line of text: what tq5271ctl watch
// prints, and, for a mark, what the monitor window shows beside the pair.
#pragma once

#include <cstdint>
#include <string>

#include "board/input_watch.h"

namespace tq::monitor {

// "12.340": milliseconds as seconds.
std::string Seconds(std::int64_t ms);

// One short line, without the pair: "short: 16 ms, set 48 ms", "both ways
// in one turn: 40 ms apart, set 48 ms", "setting may have changed: pulses of
// 96 ms; press Reset".
std::string MarkText(const Mark& mark);
// The fewest words that tell marks apart, for a pair's check beside its
// width: "short: 16 ms", "both ways", "pulses while OFF", "setting changed?".
std::string MarkWord(const Mark& mark);
// "moves while Y, Z are in Zoom: This input MUST not be connected ...".
std::string DialMarkText(const DialMark& mark);

// "12.340 X 64", "12.340 button 5 pressed", "12.340 button 5 released after
// 20 ms", "12.340 enc3 button 5 pulse 48 ms (#3 since reset)",
// "12.340 enc3 marked: short: 16 ms, set 48 ms", "12.340 Dial marked: moves
// while ..."; no line end.
std::string ChangeLine(const Change& change);

}  // namespace tq::monitor
