// What both views keep to fit a window's layout to its texts, apart from
// how each toolkit measures a text: the width each control's text needs,
// the items of each list measured so far, the widths of the texts measured,
// and when a need that grew calls for laying the window out again.
//
// Needs only grow until the font changes, so a window does not shrink and
// grow again as its lists are cleared and refilled.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>

#include "devlink/ui/controls.h"
#include "devlink/ui/text_fit.h"

namespace tq::ui {

// A control's designed rectangle in a view's pixels (`pixels` turns twips
// into them): a line's from its end points, the window's client area at
// the origin.
PixelRect DesignedRect(const Control& control, const std::function<int(int)>& pixels);

// Where a control is drawn, given where the layout put it: a level or
// upright line as a rule two pixels thick centred on it, a slanted one a
// pixel wider and higher so both end points are drawn.
PixelRect DrawnRect(const Control& control, const PixelRect& laidOut);

class TextNeeds {
 public:
  using Measure = std::function<int(const std::string&)>;

  // A new font or DPI: every need and width is measured again.
  void Clear();

  // How wide `text` is, as `measure` gives it. Read-backs fill the same
  // items again and again, so each text is measured once per font; a
  // monitor shows a new count sixty times a second for hours, so past a
  // bound the texts kept are forgotten and measured again.
  int TextWidth(const std::string& text, const Measure& measure);

  // The widest of the items `list` gained since it was last measured, 0
  // when it gained none; a list cleared and refilled is measured afresh.
  int WidestNewItem(const ComboBox& list, const Measure& measure);

  // Records what `control` needs, measured with the controls as designed
  // before the first layout.
  void Set(const Control& control, int need) { needs_[&control] = need; }

  // Records what `control` needs now; true when that grew past the room
  // `layout` gives it (the window's client width for the window's caption),
  // so the window must be laid out again.
  bool Grow(const Control& control, int need, const FittedLayout& layout);

  // The layout for the needs recorded.
  FittedLayout Fit(const Window& window,
                   const std::function<PixelRect(const Control&)>& designed) const;

  static constexpr std::size_t kKeptTexts = 4096;

 private:
  int NeedOf(const Control& control) const;

  std::unordered_map<const Control*, int> needs_;
  std::unordered_map<const Control*, int> measuredItems_;
  std::unordered_map<std::string, int> textWidths_;
};

}  // namespace tq::ui
