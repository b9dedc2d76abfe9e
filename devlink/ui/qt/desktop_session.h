// What a Qt program does before and right after it makes its QApplication:
// makes sure there is a display to show its window on, and names itself to
// the desktop so that its window is grouped with its launcher and icon.
#pragma once

#include <string>

class QApplication;

namespace tq::ui {

// Why no window can be shown, as one line naming the display that is
// missing; empty when Qt will find one (or draws offscreen). Qt itself
// aborts with a core dump when its platform finds no display.
std::string MissingDisplay();

// A program asked only for a picture (--screenshot) or for its usage
// (-h, --help, --help-all) shows no window and needs no display: Qt draws
// offscreen, unless the caller chose a platform itself. Call before
// MissingDisplay and the QApplication.
void OffscreenWithoutWindow(int argc, char* argv[]);

// `desktopName` is the name of the program's desktop entry and of its icon
// in the icon theme; `fallbackIcon` a Qt resource with the same artwork, for
// when the theme has none (the program run from its build folder).
void PresentToDesktop(QApplication& app, const char* desktopName, const char* fallbackIcon);

}  // namespace tq::ui
