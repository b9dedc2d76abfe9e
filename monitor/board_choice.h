// What the monitor makes of one scan of the host's HID interfaces, apart
// from the scanning and the waiting: the boards it can list, which of them
// to open, and the one line it shows when it can open none. Pure functions,
// so the reading thread's choices are tested without a thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "devlink/interface_scan.h"

namespace tq::monitor {

// The boards of a scan as the encoder utility lists them, by serial, and
// the first interface that could not be opened, with why and the fix.
struct BoardList {
  bool listed = false;  // the interfaces could be listed at all
  std::vector<std::string> serials{};
  std::string unopened{};  // "path: why; fix", or empty
};
BoardList ListBoards(const Scan& scan);

// The serial to open: the user's pick while it is listed; else the board
// watched, once it is back, and nothing while it is not (an owner reading
// another board's figures as the unplugged one's is what this prevents);
// else, with none watched yet, the first listed; empty for none.
std::string ChooseBoard(const std::optional<std::string>& picked, const BoardList& boards,
                        const std::string& watched);

// The line for a watched board that went away: what happened and what to
// do, "or pick another board" only while `listed` holds one.
std::string UnpluggedProblem(const std::string& watched, const std::vector<std::string>& listed);

// The line to show while no board is open; nullopt when the scan lists the
// board to open (what is shown stays until the opening says otherwise).
std::optional<std::string> ScanProblem(const BoardList& boards, const std::string& watched);

}  // namespace tq::monitor
