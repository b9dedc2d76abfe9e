// The commands of tq5271ctl, each over any HidApi, writing to the given
// streams and returning the exit code.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "ctl/board_scan.h"

namespace tq::ctl {

// list: 0 when at least one board is usable, 1 when none is, 2 on an error.
// The others: 0 done and verified, 1 something refused or not verified,
// 2 an error (bad file or value, no board, several boards, board lost).
enum ExitCode : int { kExitOk = 0, kExitIncomplete = 1, kExitError = 2 };

struct Console {
  HidApi& api;
  const HostHints& hints;
  std::ostream& out;
  std::ostream& err;
};

// The board a command acts on (OpenChosenBoard); null once why there is none
// has been written to console.err.
std::unique_ptr<OpenBoard> OpenBoardOrSay(const Console& console,
                                          const std::optional<std::string>& serial);

int List(const Console& console);
int Show(const Console& console, const std::optional<std::string>& serial, bool json);
int Save(const Console& console, const std::string& file, const std::optional<std::string>& serial);
int Restore(const Console& console, const std::string& file,
            const std::optional<std::string>& serial, bool dryRun);
int Set(const Console& console, const std::vector<std::string>& assignments,
        const std::optional<std::string>& serial, bool dryRun);

}  // namespace tq::ctl
