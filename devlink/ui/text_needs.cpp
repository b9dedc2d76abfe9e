#include "devlink/ui/text_needs.h"

#include <algorithm>
#include <cstdlib>

namespace tq::ui {

PixelRect DesignedRect(const Control& control, const std::function<int(int)>& pixels) {
  if (control.GetKind() == Kind::Window) {
    const auto& window = static_cast<const Window&>(control);
    return {0, 0, pixels(window.ClientWidth()), pixels(window.ClientHeight())};
  }
  if (control.GetKind() == Kind::Line) {
    const auto& line = static_cast<const Line&>(control);
    return {pixels(std::min(line.X1(), line.X2())), pixels(std::min(line.Y1(), line.Y2())),
            pixels(std::abs(line.X2() - line.X1())), pixels(std::abs(line.Y2() - line.Y1()))};
  }
  const TwipsRect r = control.Position();
  return {pixels(r.left), pixels(r.top), pixels(r.width), pixels(r.height)};
}

PixelRect DrawnRect(const Control& control, const PixelRect& laidOut) {
  const PixelRect& r = laidOut;
  if (control.GetKind() != Kind::Line) return r;
  if (r.height == 0) return {r.left, r.top - 1, std::max(1, r.width), 2};
  if (r.width == 0) return {r.left - 1, r.top, 2, r.height};
  return {r.left, r.top, r.width + 1, r.height + 1};
}

void TextNeeds::Clear() {
  needs_.clear();
  measuredItems_.clear();
  textWidths_.clear();
}

int TextNeeds::TextWidth(const std::string& text, const Measure& measure) {
  if (const auto it = textWidths_.find(text); it != textWidths_.end()) return it->second;
  if (textWidths_.size() >= kKeptTexts) textWidths_.clear();
  const int width = measure(text);
  textWidths_.emplace(text, width);
  return width;
}

int TextNeeds::WidestNewItem(const ComboBox& list, const Measure& measure) {
  int& measured = measuredItems_[&list];
  if (list.ListCount() < measured) measured = 0;  // cleared and refilled
  int widest = 0;
  for (; measured < list.ListCount(); ++measured) {
    widest = std::max(widest,
                      TextWidth(list.Items()[static_cast<std::size_t>(measured)], measure));
  }
  return widest;
}

bool TextNeeds::Grow(const Control& control, int need, const FittedLayout& layout) {
  int& recorded = needs_[&control];
  if (need <= recorded) return false;
  recorded = need;
  if (control.GetKind() == Kind::Window) return need > layout.clientWidth;
  const auto it = layout.rects.find(&control);
  return it == layout.rects.end() || need > it->second.width;
}

FittedLayout TextNeeds::Fit(const Window& window,
                            const std::function<PixelRect(const Control&)>& designed) const {
  return FitText(
      window, designed, [this](const Control& c) { return NeedOf(c); }, NeedOf(window));
}

int TextNeeds::NeedOf(const Control& control) const {
  const auto it = needs_.find(&control);
  return it == needs_.end() ? 0 : it->second;
}

}  // namespace tq::ui
