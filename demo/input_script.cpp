#include "demo/input_script.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "emulator/board_descriptor.h"

namespace tq::demo {
namespace {

using Verb = vboard::BoardCommand::Verb;

// How many inputs of the kind a verb names the board has; 0 for a verb
// without a number.
int InputsOf(Verb verb) {
  switch (verb) {
    case Verb::kAxis:
    case Verb::kNoise:
      return emu::kAxisCount;
    case Verb::kButton:
    case Verb::kBounce:
      return emu::kButtonCount;
    case Verb::kTurn:
      return emu::kPairCount;
    default:
      return 0;
  }
}

std::optional<std::uint64_t> WaitOf(const std::string& step) {
  std::istringstream words(step);
  std::string verb, ms, extra;
  if (!(words >> verb >> ms) || verb != "wait" || (words >> extra)) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(ms.data(), ms.data() + ms.size(), value);
  if (error != std::errc() || end != ms.data() + ms.size()) return std::nullopt;
  return value;
}

}  // namespace

InputScript ParseInputScript(std::string_view text, std::size_t boards) {
  InputScript script;
  std::istringstream lines{std::string(text)};
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    const std::string step = line.substr(0, line.find('#'));
    if (step.find_first_not_of(" \t\r") == std::string::npos) continue;
    const auto fail = [&](const std::string& why) {
      script.steps.clear();
      script.error = "line " + std::to_string(number) + ": " + why;
      return script;
    };
    std::string verb;
    std::istringstream(step) >> verb;
    if (verb == "wait") {
      const auto ms = WaitOf(step);
      if (!ms || *ms == 0 || *ms > kMaxWaitMs) {
        return fail("wait takes 1 to " + std::to_string(kMaxWaitMs) + " ms");
      }
      script.steps.push_back({number, std::nullopt, *ms});
      continue;
    }
    const auto command = vboard::ParseBoardCommand(step);
    if (!command || command->verb == Verb::kQuit || command->verb == Verb::kReport) {
      return fail("not a step: wait MS, axis N AXIS VALUE, button N BUTTON 0|1, "
                  "turn N PAIR DETENTS, noise N AXIS SPREAD, bounce N BUTTON CLOSURES, "
                  "plug N or unplug N");
    }
    if (command->board >= boards) {
      return fail("no board " + std::to_string(command->board) + " of " + std::to_string(boards) +
                  ", numbered from 0");
    }
    if (const int inputs = InputsOf(command->verb);
        inputs > 0 && (command->number < 1 || command->number > inputs)) {
      return fail("the board has no input " + std::to_string(command->number) + " of that kind (1 to " +
                  std::to_string(inputs) + ")");
    }
    script.steps.push_back({number, command, 0});
  }
  return script;
}

std::string RunInputScript(const InputScript& script, emu::SimulatedHid& hid,
                           const std::vector<emu::SimulatedHid::BoardId>& boards,
                           std::chrono::milliseconds limit) {
  const auto taken = [&] {
    for (const auto id : boards) {
      if (!hid.WaitForReportsTaken(id, limit)) return false;
    }
    return true;
  };
  for (const InputStep& step : script.steps) {
    const auto late = [&] {
      return "line " + std::to_string(step.line) + ": the board's reports were not read within " +
             std::to_string(limit.count()) + " ms";
    };
    if (!step.command) {
      // Every clock moves alike, as the panel moves them, one report at a
      // time: a noisy axis changes at each.
      for (std::uint64_t done = 0; done < step.waitMs;) {
        const std::uint64_t ms = std::min(emu::SimulatedHid::kReportIntervalMs, step.waitMs - done);
        for (const auto id : boards) {
          hid.WithBoard(id, [ms](emu::EmulatedBoard& board) { board.AdvanceTime(ms); });
        }
        done += ms;
        if (!taken()) return late();
      }
      continue;
    }
    const vboard::BoardCommand& command = *step.command;
    const auto id = boards.at(command.board);
    if (command.verb == Verb::kPlug) {
      if (!hid.IsAttached(id)) hid.Reattach(id);
    } else if (command.verb == Verb::kUnplug) {
      if (hid.IsAttached(id)) hid.Detach(id);
    } else {
      hid.WithBoard(id, [&](emu::EmulatedBoard& board) { vboard::ApplyInput(command, board); });
    }
    if (!taken()) return late();
  }
  return {};
}

}  // namespace tq::demo
