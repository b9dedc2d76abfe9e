// The command line of tq5271ctl: parses argv, runs one command against the
// HidApi the program's main picked, returns the exit code.
#pragma once

#include <ostream>

#include "ctl/board_scan.h"

namespace tq::ctl {

int RunCommandLine(int argc, const char* const* argv, HidApi& api, const HostHints& hints,
                   std::ostream& out, std::ostream& err);

}  // namespace tq::ctl
