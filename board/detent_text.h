// A pair's pulses read as detents at its type, so an owner who counted the
// clicks of a turn can compare them with what the board sent.
#pragma once

#include <string>

namespace tq::monitor {

// "5", "2.5", "0.25": `pulses` at `type`'s pulses a detent; empty for "OFF"
// and for a code that names no type.
std::string Detents(int pulses, int type);

// "10 pulses: 5 detents at 1:2", "1 pulse: 0.25 detents at 1:4"; empty where
// Detents is.
std::string DetentText(int pulses, int type);

}  // namespace tq::monitor
