#pragma once

#include <cstdint>

namespace tq::testing {

// How much later than the board's 10 ms grid a report may reach the one
// who stamps it (the guest's kernel, a program's read, Wine's HID stack a
// process further) in the VM under software emulation, for every check
// that times pulses there (tests/vm, tests/wine).
//
// Measured on this project's 2-core CI machine with one virtual CPU, in
// three VM runs with other work beside the VM (two compiler jobs; then, in
// two runs of .ci/run, its reproducibility build and fuzzing): the kernel's
// stamps of 16 encoder pulses differed from the board's own log of what it
// sent by at most 3, 4 and 4 ms. The margin is twice the worst seen. With two virtual CPUs under the
// same load the same pulses differed by up to 22 ms (the host deschedules a
// virtual CPU in the middle of a report), so the VM keeps one.
inline constexpr std::int64_t kDeliveryJitterMs = 8;

}  // namespace tq::testing
