// Input 7 (Dial) and the board's zoom: while any other input is in "Zoom"
// the board wants Dial unconnected (the configuration utility says so on
// Dial's list, and never zooms Dial itself). A Dial whose value moves then
// is connected.
#pragma once

#include <bitset>
#include <optional>

#include "board/board_settings.h"
#include "board/config_reports.h"
#include "board/input_sample.h"

namespace tq::monitor {

inline constexpr int kDialAxis = config::kUnzoomableInput;

struct DialMark {
  std::bitset<kAxisCount> zoomed;  // input k at bit k - 1
  friend bool operator==(const DialMark&, const DialMark&) = default;
};

// `moved` whether Dial's value changed since watching (or the last reset)
// began. Empty while Dial stays, or no other input is known to zoom.
std::optional<DialMark> JudgeDial(const BoardSettings& settings, bool moved);

}  // namespace tq::monitor
