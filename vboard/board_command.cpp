#include "vboard/board_command.h"

#include <charconv>
#include <sstream>
#include <vector>

namespace tq::vboard {
namespace {

constexpr int kMaxAxisValue = 0xFFFF;
constexpr int kMaxDetents = 1000;
constexpr int kMaxNoise = 255;
constexpr int kMaxClosures = 8;
// One full-speed packet of the interrupt endpoint.
constexpr std::size_t kMaxReportBytes = 64;

std::optional<long> Integer(const std::string& word) {
  long value = 0;
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, value);
  if (word.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::optional<std::vector<std::uint8_t>> ReportBytes(const std::string& hex) {
  if (hex.empty() || hex.size() % 2 != 0 || hex.size() > 2 * kMaxReportBytes) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    std::uint8_t byte = 0;
    const char* first = hex.data() + i;
    const auto [stop, error] = std::from_chars(first, first + 2, byte, 16);
    if (error != std::errc() || stop != first + 2) return std::nullopt;
    bytes.push_back(byte);
  }
  return bytes;
}

}  // namespace

std::optional<BoardCommand> ParseBoardCommand(const std::string& line) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  if (words.empty()) return std::nullopt;
  BoardCommand command;
  const std::string& verb = words[0];
  std::size_t arguments = 3;
  if (verb == "quit") {
    return words.size() == 1 ? std::optional(command) : std::nullopt;
  } else if (verb == "plug" || verb == "unplug") {
    command.verb = verb == "plug" ? BoardCommand::Verb::kPlug : BoardCommand::Verb::kUnplug;
    arguments = 1;
  } else if (verb == "axis") {
    command.verb = BoardCommand::Verb::kAxis;
  } else if (verb == "button") {
    command.verb = BoardCommand::Verb::kButton;
  } else if (verb == "turn") {
    command.verb = BoardCommand::Verb::kTurn;
  } else if (verb == "noise") {
    command.verb = BoardCommand::Verb::kNoise;
  } else if (verb == "bounce") {
    command.verb = BoardCommand::Verb::kBounce;
  } else if (verb == "report") {
    if (words.size() != 3) return std::nullopt;
    const auto board = Integer(words[1]);
    auto bytes = ReportBytes(words[2]);
    if (!board || *board < 0 || *board > 1000 || !bytes) return std::nullopt;
    command.verb = BoardCommand::Verb::kReport;
    command.board = static_cast<std::size_t>(*board);
    command.report = std::move(*bytes);
    command.text = words[0] + " " + words[1] + " " + words[2];
    return command;
  } else {
    return std::nullopt;
  }
  if (words.size() != arguments + 1) return std::nullopt;
  std::vector<long> numbers;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const auto number = Integer(words[i]);
    if (!number) return std::nullopt;
    numbers.push_back(*number);
  }
  if (numbers[0] < 0 || numbers[0] > 1000) return std::nullopt;
  command.board = static_cast<std::size_t>(numbers[0]);
  if (arguments == 3) {
    if (numbers[1] < 0 || numbers[1] > 1000) return std::nullopt;
    const long value = numbers[2];
    bool valid = false;
    switch (command.verb) {
      case BoardCommand::Verb::kAxis:
        valid = value >= 0 && value <= kMaxAxisValue;
        break;
      case BoardCommand::Verb::kButton:
        valid = value == 0 || value == 1;
        break;
      case BoardCommand::Verb::kNoise:
        valid = value >= 0 && value <= kMaxNoise;
        break;
      case BoardCommand::Verb::kBounce:
        valid = value >= 0 && value <= kMaxClosures;
        break;
      default:
        valid = value >= -kMaxDetents && value <= kMaxDetents;
        break;
    }
    if (!valid) return std::nullopt;
    command.number = static_cast<int>(numbers[1]);
    command.value = static_cast<int>(value);
  }
  for (const std::string& word : words) command.text += (command.text.empty() ? "" : " ") + word;
  return command;
}

void ApplyInput(const BoardCommand& command, emu::EmulatedBoard& board) {
  switch (command.verb) {
    case BoardCommand::Verb::kAxis:
      board.SetAxis(command.number, static_cast<unsigned>(command.value));
      break;
    case BoardCommand::Verb::kButton:
      board.SetButton(command.number, command.value != 0);
      break;
    case BoardCommand::Verb::kTurn:
      board.TurnEncoder(command.number, command.value);
      break;
    case BoardCommand::Verb::kNoise:
      board.SetAxisNoise(command.number, static_cast<unsigned>(command.value));
      break;
    case BoardCommand::Verb::kBounce:
      board.SetButtonBounce(command.number, static_cast<unsigned>(command.value));
      break;
    case BoardCommand::Verb::kReport:
      board.rawInputReport = command.report;
      break;
    default:
      break;
  }
}

}  // namespace tq::vboard
