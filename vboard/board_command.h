// One line of the board program's control file: "plug N", "unplug N",
// "axis N AXIS VALUE", "button N BUTTON 0|1", "turn N PAIR DETENTS",
// "noise N AXIS SPREAD" and "bounce N BUTTON CLOSURES" (the wiring faults
// of emulated_board.h, 0 for none), "report N HEX" (a foreign device's
// input report as it crosses the bus, its ID byte first where its
// descriptor numbers reports), "quit".
// Pure, so what a script may write is tested and fuzzed without a kernel.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "emulator/emulated_board.h"

namespace tq::vboard {

struct BoardCommand {
  enum class Verb { kQuit, kPlug, kUnplug, kAxis, kButton, kTurn, kNoise, kBounce, kReport };
  Verb verb = Verb::kQuit;
  std::size_t board = 0;  // the --board option's index
  int number = 0;         // axis, button or pair
  int value = 0;          // axis value, 0 or 1, detents, spread, closures
  std::vector<std::uint8_t> report;  // kReport's bytes
  std::string text;       // the command as the program echoes it
};

// nullopt for an unknown verb, a missing or malformed number, or a value
// outside what the verb takes (axis 0 ... 65535, button 0|1, detents
// -1000 ... 1000, spread 0 ... 255, closures 0 ... 8), or a report that is not 1 ... 64 bytes of hex (one
// packet of the board's interrupt endpoint). Board, axis, button and pair
// numbers are checked by the caller and the model.
std::optional<BoardCommand> ParseBoardCommand(const std::string& line);

// Moves the model's inputs for an axis, button or turn command, sets a
// fault for noise or bounce, or sets the report a foreign device sends;
// other verbs change nothing.
void ApplyInput(const BoardCommand& command, emu::EmulatedBoard& board);

}  // namespace tq::vboard
