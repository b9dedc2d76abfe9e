// The window's messages: the user's picks, toggles and closing, timer
// ticks, a new DPI and the keyboard focus, handed to the model.
#include "devlink/ui/win32/win32_view_impl.h"

namespace tq::ui {
namespace {

// Defined by the headers only for newer Windows versions than this program
// requires.
constexpr UINT kWmDpiChanged = 0x02E0;

// Whether the user could reach `hwnd` now: it and every container up to the
// window are enabled.
bool Reachable(HWND hwnd, HWND top) {
  for (HWND at = hwnd; at && at != top; at = GetParent(at)) {
    if (!IsWindowEnabled(at) || !IsWindowVisible(at)) return false;
  }
  return hwnd != nullptr;
}

}  // namespace

LRESULT CALLBACK Win32View::Impl::TopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->OnMessage(hwnd, message, wParam, lParam);
}

LRESULT Win32View::Impl::OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnChildMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_TIMER: {
      const auto it = timers.find(static_cast<UINT_PTR>(wParam));
      if (it == timers.end()) break;
      // A timer on request ticks once per request.
      if (it->second->Mode() == TimerMode::OnRequest) KillTimer(hwnd, it->first);
      it->second->Tick();
      return 0;
    }
    case kTickRequested: {
      const auto it = timers.find(static_cast<UINT_PTR>(wParam));
      if (it != timers.end()) MirrorTimer(*it->second);
      return 0;
    }
    case WM_CLOSE:
      Unload();
      DestroyWindow(hwnd);
      return 0;
    case WM_ENDSESSION:
      // The session ends without a close: the board's handles still go.
      if (wParam) Unload();
      return 0;
    case WM_DESTROY:
      for (const auto& [id, timer] : timers) KillTimer(hwnd, id);
      // The controls still exist; what was said of them goes with them.
      ClearAnnotations();
      if (!tearingDown) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      requests.store(nullptr);
      top = nullptr;
      tooltip = nullptr;  // owned by the window, destroyed with it
      break;
    case kWmDpiChanged: {
      dpi = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      const POINT origin{suggested->left, suggested->top};
      Layout(&origin);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) lastFocus = focus;
      }
      break;
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Win32View::Impl::OnChildMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                     LRESULT& result) {
  switch (message) {
    case WM_COMMAND: {
      const auto child = reinterpret_cast<HWND>(lParam);
      if (!child) return false;  // a menu or a dialog key, which the programs do not have
      OnCommand(child, HIWORD(wParam));
      result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      result = OnControlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      return true;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const Control* control = ControlOf(item->hwndItem);
      if (!control) return false;
      if (control->GetKind() == Kind::Line) {
        DrawSlantedLine(*item);
      } else if (IsIndicator(*control)) {
        DrawIndicator(*control, *item);
      } else {
        return false;
      }
      result = TRUE;
      return true;
    }
    default:
      return false;
  }
}

// Only what the user does reaches the model here. Program-made changes are
// mirrored under the guard, and the model has already raised their events.
void Win32View::Impl::OnCommand(HWND child, UINT code) {
  if (mirroring > 0) return;
  Control* control = ControlOf(child);
  if (!control) return;
  if (control->GetKind() == Kind::ComboBox) {
    auto& list = static_cast<ComboBox&>(*control);
    const auto selected = static_cast<int>(SendMessageW(child, CB_GETCURSEL, 0, 0));
    switch (code) {
      case CBN_DROPDOWN:
        droppedList = child;
        changedWhileDropped = false;
        return;
      case CBN_SELCHANGE:
        if (selected == list.ListIndex()) return;
        if (child == droppedList) changedWhileDropped = true;
        break;
      case CBN_SELENDOK: {
        // The user chose from the open list; only a choice of the item it
        // already held is left to raise here.
        const bool repick = child == droppedList && !changedWhileDropped && selected == list.ListIndex();
        droppedList = nullptr;
        if (!repick) return;
        break;
      }
      case CBN_SELENDCANCEL:
        droppedList = nullptr;
        return;
      default:
        return;
    }
    list.UserPick(selected);
    // The model may have refused the pick, or its handler moved the
    // selection again: the list shows what the model holds.
    Mirror(list, Change::Selection);
  } else if (control->GetKind() == Kind::CheckBox && code == BN_CLICKED) {
    auto& box = static_cast<CheckBox&>(*control);
    box.UserToggle();
    Mirror(box, Change::Value);
  } else if (control->GetKind() == Kind::PushButton && code == BN_CLICKED) {
    static_cast<PushButton&>(*control).UserPress();
  }
}

void Win32View::Impl::RestoreFocus() {
  HWND target = lastFocus;
  if (!target || !IsWindow(target) || !Reachable(target, top)) {
    target = GetNextDlgTabItem(top, nullptr, FALSE);
  }
  if (target && target != top && Reachable(target, top)) SetFocus(target);
}

}  // namespace tq::ui
