// Widens a window's layout where a text needs more room than the designed
// width of its control gives it, with the font a view actually draws in.
//
// Positions stay as designed wherever nothing grows. A control that needs
// more room grows to the right, and every sibling that starts at or right of
// its designed right edge moves right by as much (so a column of lists that
// grows pushes the column of captions beside it, once). A frame grows by
// what its contents grew; frames that reach the rightmost edge of their
// container stretch to its new rightmost edge; a line keeps its distance
// from its container's right edge; and the window grows with its contents,
// or further for its own caption.
#pragma once

#include <functional>
#include <map>

#include "devlink/ui/controls.h"

namespace tq::ui {

struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct FittedLayout {
  std::map<const Control*, PixelRect> rects;  // relative to the container
  int clientWidth = 0;
  int clientHeight = 0;
};

// `designed` gives each control's designed rectangle in the view's pixels;
// `needed` the width a control needs for its text in the same pixels (0 or
// less when it needs nothing); `titleNeeded` the client width the window's
// caption needs.
FittedLayout FitText(const Window& window, const std::function<PixelRect(const Control&)>& designed,
                     const std::function<int(const Control&)>& needed, int titleNeeded);

}  // namespace tq::ui
