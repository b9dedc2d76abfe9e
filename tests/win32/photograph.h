// A window as it is on the screen, frame and caption included, written as a
// 24-bit BMP file, for the checks that start programs under Wine.
#pragma once

#include <windows.h>

#include <cstddef>

// Writes hwnd's screen rectangle to path; colours receives the number of
// distinct colours in it (a painted window has many). False when the window
// has no area or the picture cannot be taken or written.
bool Photograph(HWND hwnd, const char* path, std::size_t& colours);
