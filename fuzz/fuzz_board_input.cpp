// The virtual board's outside inputs: a --board option line, then control
// lines, each applied to the board model, whose clock moves between them.
// Beyond crashes and sanitizer findings: the board's own descriptor always
// reads back as the lengths it has, and its input report is that long.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "devlink/report_descriptor/report_descriptor.h"
#include "emulator/board_descriptor.h"
#include "vboard/board_command.h"
#include "vboard/board_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
  std::string line;
  std::getline(lines, line);
  auto options = tq::vboard::ParseBoardOptions(line);
  if (!options) return 0;
  tq::emu::EmulatedBoard& board = options->board;
  std::uint64_t step = 1;
  while (std::getline(lines, line)) {
    if (const auto command = tq::vboard::ParseBoardCommand(line)) {
      tq::vboard::ApplyInput(*command, board);
    }
    board.AdvanceTime(step);
    step = step * 7 % 97;
    if (board.InputReport().size() != std::max<std::size_t>(board.inputReportByteLength, 1)) {
      std::abort();
    }
  }
  const auto caps = tq::hid::CapsFromReportDescriptor(tq::emu::BoardDescriptor(board));
  const bool roomForAxes = board.inputReportByteLength >= 6;
  if (!board.reportDescriptor && roomForAxes &&
      (!caps || caps->InputReportByteLength != board.inputReportByteLength ||
       caps->FeatureReportByteLength != std::max<std::uint16_t>(board.featureReportByteLength, 2))) {
    std::abort();
  }
  return 0;
}
