// What Windows' accessibility layer reads of the window: each label stacked
// just before the control it names, since Windows names a list by the
// static label before it in z-order; the window painted as the model
// stacks it all the same; and the names and states it cannot find itself
// (accessible_annotations.h).
#include <algorithm>
#include <vector>

#include "devlink/ui/win32/win32_view_impl.h"

namespace tq::ui {
namespace {

// The native children of `parent`, topmost first.
std::vector<HWND> ChildrenTopFirst(HWND parent) {
  std::vector<HWND> children;
  for (HWND at = GetWindow(parent, GW_CHILD); at; at = GetWindow(at, GW_HWNDNEXT)) {
    children.push_back(at);
  }
  return children;
}

RECT InParent(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Windows finds these kinds' names itself: their own captions, or the label
// before them.
bool NamedNatively(const Control& control) {
  return control.LabelledBy() == nullptr && control.AccessibleName().empty();
}

}  // namespace

// Labels are no tab stops, so moving one changes the keyboard order of
// nothing; the focusable controls keep the creation order between them.
// The order before the move is kept as the painting order (ClipToPaintOrder).
void Win32View::Impl::StackLabelsBeforeNamed(const Container& container) {
  const HWND parent = container.GetKind() == Kind::Window ? top : HandleOf(container);
  const std::vector<HWND> painted = ChildrenTopFirst(parent);
  for (std::size_t rank = 0; rank < painted.size(); ++rank) paintRank[painted[rank]] = rank;
  for (const Control* child : container.Children()) {
    if (child->GetKind() != Kind::Label) continue;
    const Control* named = static_cast<const Label*>(child)->LabelFor();
    // A label in another frame than its control cannot stand before it.
    if (!named || named->Parent() != &container) continue;
    const HWND label = HandleOf(*child);
    const HWND control = HandleOf(*named);
    if (!label || !control) continue;
    const HWND above = GetWindow(control, GW_HWNDPREV);
    if (above == label) continue;
    SetWindowPos(label, above ? above : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

// Where a label now stands above a control that overlaps it and was painted
// over it before (the encoder window's serial list over its caption), the
// label gives up that part: the control is seen and clicked there as
// before. Again after every layout, as the rectangles move.
void Win32View::Impl::ClipToPaintOrder() {
  std::vector<HWND> parents{top};
  for (const Control* control : window.AllControls()) {
    if (control->GetKind() == Kind::Frame) parents.push_back(HandleOf(*control));
  }
  for (const HWND parent : parents) {
    const std::vector<HWND> children = ChildrenTopFirst(parent);
    for (std::size_t upper = 0; upper < children.size(); ++upper) {
      const HWND above = children[upper];
      const auto aboveRank = paintRank.find(above);
      if (aboveRank == paintRank.end()) continue;
      const RECT own = InParent(above);
      HRGN region = nullptr;
      for (std::size_t lower = upper + 1; lower < children.size(); ++lower) {
        const auto rank = paintRank.find(children[lower]);
        if (rank == paintRank.end() || rank->second > aboveRank->second) continue;
        const RECT other = InParent(children[lower]);
        if (!Overlap(own, other)) continue;
        if (!region) region = CreateRectRgn(0, 0, own.right - own.left, own.bottom - own.top);
        const HRGN cut = CreateRectRgn(other.left - own.left, other.top - own.top,
                                       other.right - own.left, other.bottom - own.top);
        CombineRgn(region, region, cut, RGN_DIFF);
        DeleteObject(cut);
      }
      if (region) {
        SetWindowRgn(above, region, TRUE);  // the window owns the region now
        clipped.insert(above);
      } else if (clipped.erase(above) != 0) {
        SetWindowRgn(above, nullptr, TRUE);
      }
    }
  }
}

void Win32View::Impl::Annotate(const Control& control) {
  const bool indicator = IsIndicator(control);
  const Kind kind = control.GetKind();
  const bool input = kind == Kind::ComboBox || kind == Kind::CheckBox || kind == Kind::PushButton;
  if (!indicator && !(input && !NamedNatively(control))) return;
  const HWND hwnd = HandleOf(control);
  if (!hwnd) return;
  const std::string name = SpokenName(control);
  if (!name.empty()) SetAnnotation(hwnd, AccessibleAnnotations::Property::Name, name);
  if (indicator) {
    SetAnnotation(hwnd, AccessibleAnnotations::Property::Value, SpokenState(control));
  }
}

void Win32View::Impl::AnnotateChange(const Control& control, Change change) {
  if (change != Change::Caption && change != Change::Value) return;
  if (IsIndicator(control)) {
    if (!annotations) return;
    const HWND hwnd = HandleOf(control);
    // A lamp named by its caption has a new name; any other says a new
    // state.
    if (change == Change::Caption && NamedNatively(control)) {
      SetAnnotation(hwnd, AccessibleAnnotations::Property::Name, SpokenName(control));
      NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
    }
    SetAnnotation(hwnd, AccessibleAnnotations::Property::Value, SpokenState(control));
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
  } else if (change == Change::Caption && control.GetKind() == Kind::Label) {
    // A caption that names a control is that control's name.
    if (const Control* named = static_cast<const Label&>(control).LabelFor()) {
      Annotate(*named);
      if (const HWND hwnd = HandleOf(*named)) {
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd, OBJID_CLIENT, CHILDID_SELF);
      }
    }
  }
}

void Win32View::Impl::SetAnnotation(HWND hwnd, AccessibleAnnotations::Property property,
                                    const std::string& text) {
  if (!annotations) return;
  annotated.insert(hwnd);
  // A refusal stands for the rest of the run (Wine implements none of it),
  // so nothing more is asked of a service that cannot answer.
  if (!annotations->Set(hwnd, property, Wide(text))) ClearAnnotations();
}

void Win32View::Impl::ClearAnnotations() {
  if (annotations) {
    for (const HWND hwnd : annotated) annotations->Clear(hwnd);
  }
  annotated.clear();
  annotations.reset();
}

}  // namespace tq::ui
