// --inputs: a script that moves the emulated boards' inputs before the
// windows are photographed, so that a picture shows the board in a chosen
// state: a noisy axis, a bouncing contact, an encoder turned, every axis
// swept. One step a line: a line of the virtual board's control language
// (vboard/board_command.h: "axis N AXIS VALUE", "button N BUTTON 0|1",
// "turn N PAIR DETENTS", "noise N AXIS SPREAD", "bounce N BUTTON CLOSURES",
// "plug N", "unplug N"; N the board's index from 0), or "wait MS": every
// board's clock moved on that long, one report interval at a time. Blank
// lines, and anything from a '#' on, are skipped.
//
// Only the script and the reader taking the board's own presses move the
// clocks, and each step waits until the reader has taken every report it
// made (SimulatedHid::WaitForReportsTaken): the same script gives the same
// reports at the same board times, so the same picture. A step that starts
// presses of the board's own (a turn, a bouncing contact's press) ends once
// the reader has moved the clock through them, as the firmware times them.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/simulated_hid.h"
#include "vboard/board_command.h"

namespace tq::demo {

struct InputStep {
  int line = 0;                                  // 1-based, for messages
  std::optional<vboard::BoardCommand> command;   // nullopt: a wait
  std::uint64_t waitMs = 0;
};

struct InputScript {
  std::vector<InputStep> steps;
  std::string error;  // empty, or which line is wrong and why
};

// The longest wait one line may ask for.
inline constexpr std::uint64_t kMaxWaitMs = 60000;

// Refuses, naming the line: a step of neither kind, a board past `boards`,
// an axis, button or pair the board does not have, a wait of 0 ms or over
// kMaxWaitMs, and the control language's "report" and "quit", which move
// no input.
InputScript ParseInputScript(std::string_view text, std::size_t boards);

// Runs the steps over `boards` (ParseInputScript's indexes); empty when
// done, else a line saying which step's reports were not taken within
// `limit` (no program reading the board, or one stalled).
std::string RunInputScript(const InputScript& script, emu::SimulatedHid& hid,
                           const std::vector<emu::SimulatedHid::BoardId>& boards,
                           std::chrono::milliseconds limit);

}  // namespace tq::demo
