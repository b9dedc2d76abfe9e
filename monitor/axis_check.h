// What the monitor shows of an axis besides its value: how much of its
// range it swept since the last Reset, its check (plain while nothing
// stands against it, outlined with a few words for a mark: a noisy axis,
// Dial moving while another input zooms), the hint that says it in full,
// and the one line under the axes. Pure functions of the state, so the
// window only copies them onto its controls.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "board/axis_noise.h"
#include "board/dial_verdict.h"
#include "board/input_layout.h"
#include "board/input_sample.h"
#include "board/input_watch.h"

namespace tq::monitor {

struct AxisCheck {
  std::string word;     // "" or the first mark's few words: "noisy ±3"
  bool marked = false;  // a mark stands
  std::string hint;     // never empty
  friend bool operator==(const AxisCheck&, const AxisCheck&) = default;
};

// `axis` 1 ... 8; `dial` counts for Dial alone.
AxisCheck AxisCheckOf(int axis, const std::optional<NoiseMark>& noise,
                      const std::optional<DialMark>& dial);

// "63 %", or "whole" once both ends were reached (SweepOf); empty for an
// axis not seen yet. An axis whose range the board did not give is judged
// against its 8-bit one.
std::string SweptText(const std::optional<AxisReading>& reading,
                      const std::optional<AxisRange>& range);

// Every axis mark in full, in axis order: "X noisy: ±3 at rest; usually
// ...; Dial moves while Y, Z are in Zoom: ...", as many as fit `room`
// characters; the rest by name.
std::string AxisMarksLine(const std::array<std::optional<NoiseMark>, kAxisCount>& noise,
                          const std::optional<DialMark>& dial, std::size_t room);

}  // namespace tq::monitor
