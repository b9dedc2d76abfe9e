// The demo's --inputs script: any text either parses into steps the boards
// have, applied here to the board model, or names its line. Beyond crashes
// and sanitizer findings: no step names a board, axis, button or pair the
// demo does not have, no wait is out of range, and a refusal keeps no step.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "demo/input_script.h"
#include "emulator/board_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kBoards = 2;
  const tq::demo::InputScript script = tq::demo::ParseInputScript(
      std::string_view(reinterpret_cast<const char*>(data), size), kBoards);
  if (!script.error.empty() && (!script.steps.empty() || script.error.rfind("line ", 0) != 0)) {
    std::abort();
  }
  tq::emu::EmulatedBoard board = tq::emu::MakeTQ5271(u"F1");
  for (const tq::demo::InputStep& step : script.steps) {
    if (!step.command) {
      if (step.waitMs == 0 || step.waitMs > tq::demo::kMaxWaitMs) std::abort();
      board.AdvanceTime(step.waitMs);
      continue;
    }
    const auto& command = *step.command;
    using Verb = tq::vboard::BoardCommand::Verb;
    const bool numbered = command.verb != Verb::kPlug && command.verb != Verb::kUnplug;
    if (command.board >= kBoards || command.verb == Verb::kQuit || command.verb == Verb::kReport ||
        (numbered && (command.number < 1 || command.number > tq::emu::kButtonCount))) {
      std::abort();
    }
    tq::vboard::ApplyInput(command, board);
  }
  if (board.InputReport().size() != board.inputReportByteLength) std::abort();
  return 0;
}
