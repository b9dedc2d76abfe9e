// Which programs one demo runs, from its --program argument, and where each
// one's picture goes: the parts of the demo that are plain text.
#pragma once

#include <string>
#include <vector>

namespace tq::demo {

struct ProgramList {
  std::vector<std::string> names;  // in the order given
  std::string error;               // one line when the argument is refused
};

// "encoders,monitor": comma-separated names, each one of `offered` and each
// once (two windows of one program would share its board and fight over
// it). Anything else is refused with the names this build offers.
ProgramList ParseProgramList(const std::string& argument, const std::vector<std::string>& offered);

// With one program the picture is `file` itself; with several, each
// program's goes beside it with the program's name before the extension:
// "/tmp/loop.png" and "monitor" give "/tmp/loop-monitor.png".
std::string ScreenshotPath(const std::string& file, const std::string& program, bool several);

}  // namespace tq::demo
