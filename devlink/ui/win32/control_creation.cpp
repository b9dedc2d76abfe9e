// Creating the native controls of a window of the model: one per control,
// in the model's containers, stacked and subclassed as the model needs.
#include <stdexcept>

#include "devlink/ui/win32/win32_view_impl.h"

namespace tq::ui {
namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int kFirstControlId = 100;  // clear of IDOK, IDCANCEL and the like
constexpr UINT_PTR kFrameSubclass = 1;
constexpr UINT_PTR kListSubclass = 2;

bool Overlap(const TwipsRect& a, const TwipsRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

}  // namespace

void Win32View::Impl::Build(Container& container, HWND parent) {
  for (Control* control : container.Children()) {
    const HWND hwnd = CreateControl(*control, parent);
    if (control->GetKind() == Kind::Frame) Build(static_cast<Container&>(*control), hwnd);
  }
  StackLaterOnTop(container);
  StackLabelsBeforeNamed(container);
}

HWND Win32View::Impl::CreateControl(Control& control, HWND parent) {
  const wchar_t* windowClass = nullptr;
  DWORD style = kChildStyle;
  DWORD exStyle = 0;
  switch (control.GetKind()) {
    case Kind::Window:
      return nullptr;
    case Kind::Timer: {
      const UINT_PTR id = timers.size() + 1;
      timerIds[&control] = id;
      timers[id] = &static_cast<Timer&>(control);
      return nullptr;
    }
    case Kind::Frame:
      windowClass = WC_BUTTONW;
      style |= BS_GROUPBOX | WS_CLIPCHILDREN;
      exStyle = WS_EX_CONTROLPARENT;
      break;
    case Kind::Label:
      windowClass = WC_STATICW;
      // SS_NOTIFY: a label with a hint must see the mouse to show it.
      style |= SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
      break;
    case Kind::ComboBox:
      windowClass = WC_COMBOBOXW;
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
      break;
    case Kind::CheckBox:
      windowClass = WC_BUTTONW;
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case Kind::PushButton:
      windowClass = WC_BUTTONW;
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case Kind::Bar:
    case Kind::Lamp:
      // Painted here (indicator_paint.h); SS_NOTIFY lets a hint show.
      windowClass = WC_STATICW;
      style |= SS_OWNERDRAW | SS_NOTIFY;
      break;
    case Kind::Line: {
      const auto& line = static_cast<const Line&>(control);
      windowClass = WC_STATICW;
      if (line.Y1() == line.Y2()) {
        style |= SS_ETCHEDHORZ;
      } else if (line.X1() == line.X2()) {
        style |= SS_ETCHEDVERT;
      } else {
        style |= SS_OWNERDRAW;
      }
      break;
    }
  }
  const auto id = static_cast<INT_PTR>(kFirstControlId + static_cast<int>(handles.size()));
  const HWND hwnd = CreateWindowExW(exStyle, windowClass, nullptr, style, 0, 0, 0, 0, parent,
                                    reinterpret_cast<HMENU>(id), GetModuleHandleW(nullptr),
                                    nullptr);
  if (!hwnd) throw std::runtime_error("CreateWindowExW failed for " + control.Name());
  if (control.GetKind() == Kind::Frame) {
    SetWindowSubclass(hwnd, &Impl::FrameProc, kFrameSubclass, reinterpret_cast<DWORD_PTR>(this));
  }
  if (control.GetKind() == Kind::ComboBox) {
    SetWindowSubclass(hwnd, &Impl::ListProc, kListSubclass, 0);
  }
  handles[&control] = hwnd;
  controls[hwnd] = &control;
  return hwnd;
}

// The model's stacking order has later controls on top; Windows puts each
// new child below its elder siblings, which also sets the keyboard order.
// Only controls that overlap are restacked, so the keyboard order stays the
// creation order everywhere else.
void Win32View::Impl::StackLaterOnTop(const Container& container) {
  const std::vector<Control*>& children = container.Children();
  for (std::size_t later = 0; later < children.size(); ++later) {
    const HWND upper = HandleOf(*children[later]);
    if (!upper) continue;
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      const HWND lower = HandleOf(*children[earlier]);
      if (lower && Overlap(children[earlier]->Position(), children[later]->Position())) {
        SetWindowPos(lower, upper, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
    }
  }
}

// Frames are real containers, as on the desktop the layout was made for:
// their children sit in frame coordinates, are clipped by the frame, and
// cannot be clicked while the frame is disabled. A group box keeps its
// children's notifications to itself, so they are passed on here; and it
// draws only its border and caption, leaving the inside to its parent,
// which does not draw under a child: the frame fills its inside itself.
LRESULT CALLBACK Win32View::Impl::FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self) {
  LRESULT result = 0;
  if (reinterpret_cast<Impl*>(self)->OnChildMessage(message, wParam, lParam, result)) {
    return result;
  }
  if (message == WM_ERASEBKGND) {
    RECT inside{};
    GetClientRect(hwnd, &inside);
    FillRect(reinterpret_cast<HDC>(wParam), &inside, GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Impl::FrameProc, id);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

// Since Windows 10 the wheel goes to the window under the pointer, focused
// or not, and a drop-down list moves its selection on it; where the wheel
// goes to the focus instead (older Windows, Wine), an unfocused list never
// sees it. Each pick is written to the board at once, so every list here
// behaves the second way: the wheel moves only a list that has the focus or
// is dropped down.
LRESULT CALLBACK Win32View::Impl::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR) {
  if (message == WM_MOUSEWHEEL && GetFocus() != hwnd &&
      !SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0)) {
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Impl::ListProc, id);
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace tq::ui
