#include "devlink/ui/text_fit.h"

#include <algorithm>

namespace tq::ui {
namespace {

class Fitter {
 public:
  Fitter(const std::function<PixelRect(const Control&)>& designed,
         const std::function<int(const Control&)>& needed, FittedLayout& out)
      : designed_(designed), needed_(needed), out_(out) {}

  // Lays out the children of `container`; returns how much further right
  // its rightmost content now reaches.
  int Fit(const Container& container, int extraRoom = 0) {
    const std::vector<Control*>& children = container.Children();
    // What each child grows by, inner frames first.
    std::map<int, int> growthAtEdge;  // designed right edge -> largest growth there
    std::map<const Control*, int> growth;
    for (const Control* child : children) {
      if (child->GetKind() == Kind::Line || child->GetKind() == Kind::Timer) continue;
      const PixelRect r = designed_(*child);
      int grows = std::max(0, needed_(*child) - r.width);
      if (child->GetKind() == Kind::Frame) {
        grows = std::max(grows, Fit(static_cast<const Container&>(*child)));
      }
      if (grows > 0) {
        growth[child] = grows;
        int& atEdge = growthAtEdge[r.Right()];
        atEdge = std::max(atEdge, grows);
      }
    }
    const auto shiftAt = [&](int x) {
      int shift = 0;
      for (const auto& [edge, grows] : growthAtEdge) {
        if (edge <= x) shift += grows;
      }
      return shift;
    };

    int designedRight = 0;
    int fittedRight = 0;
    for (const Control* child : children) {
      if (child->GetKind() == Kind::Timer) continue;
      PixelRect r = designed_(*child);
      designedRight = std::max(designedRight, r.Right());
      r.left += shiftAt(r.left);
      const auto it = growth.find(child);
      if (it != growth.end()) r.width += it->second;
      fittedRight = std::max(fittedRight, r.Right());
      out_.rects[child] = r;
    }
    const int grown = std::max(fittedRight - designedRight, extraRoom);
    // Frames along the right edge keep it.
    for (const Control* child : children) {
      if (child->GetKind() != Kind::Frame) continue;
      if (designed_(*child).Right() != designedRight) continue;
      PixelRect& r = out_.rects[child];
      r.width = std::max(r.width, designedRight + grown - r.left);
    }
    return std::max(0, grown);
  }

 private:
  const std::function<PixelRect(const Control&)>& designed_;
  const std::function<int(const Control&)>& needed_;
  FittedLayout& out_;
};

}  // namespace

FittedLayout FitText(const Window& window, const std::function<PixelRect(const Control&)>& designed,
                     const std::function<int(const Control&)>& needed, int titleNeeded) {
  FittedLayout out;
  const PixelRect client = designed(window);
  const int titleRoom = std::max(0, titleNeeded - client.width);
  Fitter fitter(designed, needed, out);
  const int grown = fitter.Fit(window, titleRoom);
  out.clientWidth = client.width + grown;
  out.clientHeight = client.height;
  out.rects[&window] = {0, 0, out.clientWidth, out.clientHeight};
  // A line keeps its designed distance from its container's right edge, so
  // a separator spans the columns it spanned however they grew.
  for (const Control* control : window.AllControls()) {
    if (control->GetKind() != Kind::Line) continue;
    const PixelRect designedLine = designed(*control);
    const int parentGrew = out.rects.at(control->Parent()).width - designed(*control->Parent()).width;
    PixelRect& r = out.rects[control];
    r.width = designedLine.Right() + parentGrew - r.left;
  }
  return out;
}

}  // namespace tq::ui
