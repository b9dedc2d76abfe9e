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
// 96 ms; press Reset", "button 5 chatter: 3 presses in 40 ms; usually
// contact bounce, or a loose joint".
std::string MarkText(const Mark& mark);
// The fewest words that tell marks apart, for a pair's check beside its
// width: "short: 16 ms", "both ways", "pulses while OFF", "setting changed?",
// "chatter: 3 presses in 40 ms".
std::string MarkWord(const Mark& mark);
// "moves while Y, Z are in Zoom: This input MUST not be connected ...".
std::string DialMarkText(const DialMark& mark);

// What usually makes each fault, for a hint or after the mark's words.
inline constexpr const char* kNoiseCauses = "usually a worn potentiometer, or a long or unshielded wire";
inline constexpr const char* kChatterCauses = "usually contact bounce, or a loose joint";

// "noisy: ±3 at rest"; NoiseText adds the causes after a semicolon.
std::string NoiseWord(const NoiseMark& mark);
std::string NoiseText(const NoiseMark& mark);

// "12.340 X 64", "12.340 button 5 pressed", "12.340 button 5 released after
// 20 ms", "12.340 enc3 button 5 pulse 48 ms (#3 since reset)",
// "12.340 enc3 marked: short: 16 ms, set 48 ms", "12.340 Dial marked: moves
// while ...", "12.340 Y marked: noisy: ±3 at rest; usually ..."; no line
// end.
std::string ChangeLine(const Change& change);

}  // namespace tq::monitor
