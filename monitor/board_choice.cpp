#include "monitor/board_choice.h"

#include <algorithm>

namespace tq::monitor {
namespace {

bool Listed(const BoardList& boards, const std::string& serial) {
  return std::ranges::find(boards.serials, serial) != boards.serials.end();
}

}  // namespace

BoardList ListBoards(const Scan& scan) {
  BoardList boards{.listed = scan.listed};
  for (const ScannedInterface& seen : scan.interfaces) {
    if (seen.Usable() && seen.encoders) boards.serials.push_back(*seen.serial);
    if (!seen.Opened() && boards.unopened.empty()) {
      boards.unopened = seen.path + ": " + seen.openFailure;
    }
  }
  return boards;
}

std::string ChooseBoard(const std::optional<std::string>& picked, const BoardList& boards,
                        const std::string& previous) {
  if (picked && !picked->empty() && Listed(boards, *picked)) return *picked;
  if (Listed(boards, previous)) return previous;
  return boards.serials.empty() ? "" : boards.serials.front();
}

std::optional<std::string> ScanProblem(const BoardList& boards, const std::string& previous) {
  if (!boards.listed) return "cannot list the HID interfaces";
  if (!boards.serials.empty()) return std::nullopt;
  if (!boards.unopened.empty()) return boards.unopened;
  if (previous.empty()) return "No board attached: plug in a TQ5271 board";
  return "Board " + previous + " is gone: plug it in again";
}

}  // namespace tq::monitor
