// --screenshot: each program's window as drawn once it has shown its board,
// one picture a program, then the programs closed as their user would.
#pragma once

#include <string>
#include <vector>

#include "demo/programs.h"

namespace tq::demo {

// `file` names the picture of one program; several go beside it
// (ScreenshotPath). False, with a line on stderr, when one is not written.
bool SaveScreenshots(std::vector<RunningProgram>& shown, const std::string& file);

}  // namespace tq::demo
