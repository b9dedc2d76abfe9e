// What the monitor shows of one encoder pair's verdict: the words on its
// check (a lamp lit for "OK", outlined with the mark's words for a mark,
// plain with a dash while nothing was seen), the hint that says it in full,
// and the pulses read as detents. Pure functions of the figures and the
// settings, so the window only copies them onto its controls.
#pragma once

#include <string>

#include "board/board_settings.h"
#include "monitor/board_worker.h"

namespace tq::monitor {

struct PairCheck {
  std::string word;  // "", "-", "OK", or the first mark's words (chatter's shorter)
  bool lit = false;      // pulses seen, and as set
  bool marked = false;   // a mark stands
  std::string hint;      // never empty
  std::string marks;     // every standing mark in full; empty for none
  friend bool operator==(const PairCheck&, const PairCheck&) = default;
};

// `pair` 1 ... 16.
PairCheck CheckOf(int pair, const PairFigures& figures, const BoardSettings& settings);

// "5 / 0", each button's pulses as detents at the pair's type; empty for a
// pair that is not an encoder. The hint: "button 5: 10 pulses: 5 detents at
// 1:2; button 6: 0 pulses: 0 detents at 1:2".
std::string DetentsOf(const PairFigures& figures, const BoardSettings& settings, int pair);
std::string DetentsHintOf(const PairFigures& figures, const BoardSettings& settings, int pair);

// A pair's shortest, median and longest press or pulse, all in the unit the
// longest needs: "40 / 50 / 50 ms", "0.1 / 1.5 / 2.2 s", "3 / 40 / 95 s",
// "1 / 2 / 45 min", "0 / 1 / 3 h"; empty before the first. A plain button
// held for minutes, a toggle switch left on for hours, must not widen the
// column that an encoder's pulses fill with "100 / 100 / 100 ms".
std::string LengthsText(const PairFigures& figures);

// What a button lamp's hint says: its number and pair, its presses since
// the last Reset, and why it is outlined while its pair is marked.
std::string ButtonHint(int button, int presses, const PairFigures& figures);

// The one line under the pairs: every marked pair with its marks in full,
// as many as fit `room` characters; the rest by name.
std::string MarksLine(const std::array<PairFigures, kPairCount>& pairs, std::size_t room);

// What the check's looks mean, in one line.
inline constexpr const char* kCheckLegend =
    " Check: - nothing seen yet, OK pulses as set, red words what is off (in full above and in "
    "its hint). A button lamp outlined in red: its pair is marked.";

}  // namespace tq::monitor
