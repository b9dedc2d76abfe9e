// The one Qt application of a benchmark run, drawing offscreen.
#pragma once

#include <QApplication>

namespace tq::bench {

// Made on first use and never destroyed: at exit Qt's own globals are gone
// before a static one would go.
inline void NeedApplication() {
  static int argc = 1;
  static char name[] = "tq_bench";
  static char* argv[] = {name, nullptr};
  static const QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  static_cast<void>(app);
}

}  // namespace tq::bench
