#include "demo/screenshots.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "demo/program_list.h"

namespace tq::demo {

bool SaveScreenshots(std::vector<RunningProgram>& shown, const std::string& file) {
  // The monitor reads on a thread of its own and shows at its timer's pace:
  // a moment for both first.
  const bool monitor = std::any_of(shown.begin(), shown.end(),
                                   [](const RunningProgram& one) { return one.name == "monitor"; });
  QElapsedTimer settling;
  settling.start();
  do {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  } while (monitor && settling.elapsed() < 500);

  bool allSaved = true;
  for (RunningProgram& one : shown) {
    const std::string path = ScreenshotPath(file, one.name, shown.size() > 1);
    if (!one.view->SaveScreenshot(path)) {
      std::fprintf(stderr, "TQ5271_demo: could not write %s; is its folder there and writable?\n",
                   path.c_str());
      allSaved = false;
    }
  }
  for (RunningProgram& one : shown) one.program->Form().Close();
  return allSaved;
}

}  // namespace tq::demo
