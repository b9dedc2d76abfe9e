// Whether a pair's pulses match another setting than the one read when the
// board was opened: the encoder utility may have set the board since, and
// its pulses would then be marked as faulty against a setting it no longer
// uses. Judged from the pair's runs (pulse_meter.h):
//
// - a pair read "OFF" whose latest run is two or more short pulses of one
//   length on one button, without an encoder's contacts, is pulsed by an
//   encoder type;
// - a pair read as an encoder whose contacts show in quadrature is "OFF";
// - a run of two pulses or more that all fit one width on the board's 8 ms
//   grid, but not the width read, was sent at that width;
// - runs that cannot be whole detents at the type read (3 pulses at "1:2"),
//   or two runs or more all of exactly another type's detent (4 and 4 at
//   "1:2"), match that type. A turn at "1:2" made twice as fast as the board
//   sends looks like one detent at "1:4": hence two runs, and "may".
#pragma once

#include <cstdint>
#include <optional>

#include "board/pair_verdict.h"
#include "board/pulse_meter.h"

namespace tq::monitor {

// A SettingChanged mark, or nothing while the pulses fit `type` (a type
// code) and `widthMs` (empty when the settings named no width).
std::optional<Mark> JudgeSettingChange(const RunFigures& runs, int quadratureSequences, int type,
                                       std::optional<std::int64_t> widthMs);

}  // namespace tq::monitor
