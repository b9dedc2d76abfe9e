#include "monitor/board_choice.h"

#include <algorithm>

namespace tq::monitor {
namespace {

bool Listed(const std::vector<std::string>& serials, const std::string& serial) {
  return std::ranges::find(serials, serial) != serials.end();
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
                        const std::string& watched) {
  if (picked && !picked->empty() && Listed(boards.serials, *picked)) return *picked;
  if (!watched.empty()) return Listed(boards.serials, watched) ? watched : "";
  return boards.serials.empty() ? "" : boards.serials.front();
}

std::string UnpluggedProblem(const std::string& watched, const std::vector<std::string>& listed) {
  const bool another = std::ranges::any_of(listed, [&](const std::string& s) { return s != watched; });
  return "Board " + watched + " is unplugged; plug it in again" +
         (another ? " or pick another board" : "");
}

std::optional<std::string> ScanProblem(const BoardList& boards, const std::string& watched) {
  if (!boards.listed) return "cannot list the HID interfaces";
  if (!watched.empty() && !Listed(boards.serials, watched)) {
    // With nothing listed, an interface that would not open may be the
    // watched board back and refused: its line says what to fix.
    if (boards.serials.empty() && !boards.unopened.empty()) return boards.unopened;
    return UnpluggedProblem(watched, boards.serials);
  }
  if (!boards.serials.empty()) return std::nullopt;
  if (!boards.unopened.empty()) return boards.unopened;
  return "No board attached: plug in a TQ5271 board";
}

}  // namespace tq::monitor
