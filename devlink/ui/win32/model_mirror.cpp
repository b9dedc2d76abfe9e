// The model mirrored into the native controls, each property as it
// changes, under a guard so that what the controls report meanwhile is not
// taken for the user's doing.
#include <algorithm>

#include "devlink/ui/win32/win32_view_impl.h"

namespace tq::ui {

void Win32View::Impl::MirrorAll(Control& control) {
  switch (control.GetKind()) {
    case Kind::Timer:
      MirrorTimer(static_cast<Timer&>(control));
      return;
    case Kind::ComboBox:
      Mirror(control, Change::Items);
      break;
    case Kind::CheckBox:
      Mirror(control, Change::Caption);
      Mirror(control, Change::Value);
      break;
    case Kind::Window:
    case Kind::Frame:
    case Kind::Label:
    case Kind::PushButton:
    case Kind::Bar:  // a bar and a lamp paint the rest from the model
    case Kind::Lamp:
      Mirror(control, Change::Caption);
      break;
    case Kind::Line:
      break;
  }
  Mirror(control, Change::Enabled);
  Mirror(control, Change::Hint);
}

void Win32View::Impl::Mirror(Control& control, Change change) {
  if (!top) return;  // the window is gone; nothing is left to draw
  if (control.GetKind() == Kind::Timer) {
    if (change == Change::Enabled || change == Change::Interval) {
      MirrorTimer(static_cast<Timer&>(control));
    }
    return;
  }
  if (change == Change::Shown) {
    ShowNow();
    return;
  }
  const HWND hwnd = HandleOf(control);
  if (!hwnd) return;
  const Mirroring guard(mirroring);
  switch (change) {
    case Change::Caption:
      if (control.GetKind() != Kind::ComboBox && control.GetKind() != Kind::Line) {
        SetWindowTextW(hwnd, Wide(control.Caption()).c_str());
        UpdateNeed(control);
      }
      if (IsIndicator(control)) InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case Change::Enabled:
      if (hwnd == top) break;
      // A control that loses its input must not keep the keyboard focus.
      if (!control.Enabled() && GetFocus() == hwnd) SetFocus(top);
      EnableWindow(hwnd, control.Enabled() ? TRUE : FALSE);
      if (IsIndicator(control)) InvalidateRect(hwnd, nullptr, FALSE);
      // What a frame holds is drawn grey with it, so it is drawn again.
      if (control.GetKind() == Kind::Frame) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
      break;
    case Change::Hint:
      MirrorHint(control, hwnd);
      break;
    case Change::Colors:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case Change::Items:
      MirrorItems(static_cast<const ComboBox&>(control), hwnd);
      UpdateNeed(control);
      [[fallthrough]];
    case Change::Selection:
      SendMessageW(hwnd, CB_SETCURSEL,
                   static_cast<WPARAM>(static_cast<const ComboBox&>(control).ListIndex()), 0);
      break;
    case Change::Value:
      if (control.GetKind() == Kind::CheckBox) {
        SendMessageW(hwnd, BM_SETCHECK,
                     static_cast<const CheckBox&>(control).Value() ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      [[fallthrough]];
    case Change::Marked:
      // Painted from the model when the loop next paints: changes made
      // between two frames cost one paint, and only this control's.
      if (IsIndicator(control)) InvalidateRect(hwnd, nullptr, FALSE);
      break;
    case Change::Interval:
    case Change::Shown:
      break;
  }
}

// Only what the native list lacks is appended (list_mirror.h).
void Win32View::Impl::MirrorItems(const ComboBox& model, HWND combo) {
  const auto held = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  const ListMirror::Steps steps = lists.Mirror(model, held);
  if (steps.clear) SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  const std::vector<std::string>& items = model.Items();
  for (std::size_t i = steps.appendFrom; i < items.size(); ++i) {
    const std::wstring text = Wide(items[i]);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void Win32View::Impl::MirrorHint(const Control& control, HWND hwnd) {
  if (!tooltip || hwnd == top) return;
  std::wstring text = Wide(control.Hint());
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = GetParent(hwnd);
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
  const bool has = tooltips.count(&control) != 0;
  if (text.empty()) {
    if (has) {
      SendMessageW(tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
      tooltips.erase(&control);
    }
    return;
  }
  tool.lpszText = text.data();
  if (has) {
    SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  } else if (SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
    tooltips.insert(&control);
  }
}

void Win32View::Impl::MirrorTimer(const Timer& timer) {
  const auto it = timerIds.find(&timer);
  if (it == timerIds.end()) return;
  // A timer on request runs only while a request waits for its tick.
  const bool wanted = timer.Mode() == TimerMode::Periodic || timer.Requested();
  if (timer.Enabled() && wanted) {
    // Setting a running timer again starts its count afresh, so a new
    // interval takes effect from now.
    SetTimer(top, it->second, static_cast<UINT>(std::max(timer.Interval(), 1)), nullptr);
  } else {
    KillTimer(top, it->second);
  }
}

// The program goes on working right after showing its window (searching
// for boards), so the window is painted now, not when the loop next runs.
void Win32View::Impl::ShowNow() {
  ShowWindow(top, SW_SHOW);
  UpdateWindow(top);
}

}  // namespace tq::ui
