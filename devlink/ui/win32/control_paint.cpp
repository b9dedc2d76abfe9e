// What the view paints itself: the colours of labels and frames, slanted
// lines, and the bars and lamps (indicator_paint.h).
#include <algorithm>

#include "devlink/ui/win32/indicator_paint.h"
#include "devlink/ui/win32/win32_view_impl.h"

namespace tq::ui {
namespace {

int SysColorIndex(SystemColor color) {
  switch (color) {
    case SystemColor::ButtonFace: return COLOR_BTNFACE;
    case SystemColor::ButtonText: return COLOR_BTNTEXT;
    case SystemColor::WindowBackground: return COLOR_WINDOW;
    case SystemColor::WindowText: return COLOR_WINDOWTEXT;
  }
  return COLOR_BTNFACE;
}

// Whether `hwnd` and every container up to the window are enabled: a
// disabled frame greys all it holds, as at a start with no board.
bool EnabledUpTo(HWND hwnd, HWND top) {
  for (HWND at = hwnd; at && at != top; at = GetParent(at)) {
    if (!IsWindowEnabled(at)) return false;
  }
  return true;
}

}  // namespace

LRESULT Win32View::Impl::OnControlColor(HDC dc, HWND child) {
  SystemColor back = SystemColor::ButtonFace;
  SystemColor fore = SystemColor::ButtonText;
  if (const Control* control = ControlOf(child); control && control->GetKind() == Kind::Label) {
    const auto& label = static_cast<const Label&>(*control);
    back = label.BackColor();
    fore = label.ForeColor();
  }
  const int backIndex = SysColorIndex(back);
  SetTextColor(dc, GetSysColor(EnabledUpTo(child, top) ? SysColorIndex(fore) : COLOR_GRAYTEXT));
  SetBkColor(dc, GetSysColor(backIndex));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(backIndex));
}

void Win32View::Impl::DrawSlantedLine(const DRAWITEMSTRUCT& item) {
  const auto& line = static_cast<const Line&>(*ControlOf(item.hwndItem));
  const RECT r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  const HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
  const HGDIOBJ old = SelectObject(item.hDC, pen);
  const bool falling = (line.X2() > line.X1()) == (line.Y2() > line.Y1());
  MoveToEx(item.hDC, r.left, falling ? r.top : r.bottom - 1, nullptr);
  LineTo(item.hDC, r.right - 1, falling ? r.bottom - 1 : r.top);
  SelectObject(item.hDC, old);
  DeleteObject(pen);
}

void Win32View::Impl::DrawIndicator(const Control& control, const DRAWITEMSTRUCT& item) {
  const IndicatorLook look{font, std::max(1, Pixels(kIndicatorBorderTwips)),
                           EnabledUpTo(item.hwndItem, top)};
  const std::wstring caption = Wide(control.Caption());
  if (control.GetKind() == Kind::Bar) {
    PaintBar(item.hDC, item.rcItem, static_cast<const Bar&>(control), caption, look);
  } else {
    PaintLamp(item.hDC, item.rcItem, static_cast<const Lamp&>(control), caption, look);
  }
}

}  // namespace tq::ui
