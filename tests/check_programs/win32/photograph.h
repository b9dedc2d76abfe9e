// What the checks that start programs under Wine ask of a window: which is
// the program's, its text, and a photograph of it as it is on the screen,
// frame and caption included, written as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// The first visible top-level window of `process` that no other owns, or
// null while it has none.
HWND TopWindowOf(DWORD process);

std::wstring TextOf(HWND hwnd);

// Writes hwnd's screen rectangle to path; colours receives the number of
// distinct colours in it (a painted window has many). False when the window
// has no area or the picture cannot be taken or written.
bool Photograph(HWND hwnd, const char* path, std::size_t& colours);
