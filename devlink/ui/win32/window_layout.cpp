// The window laid out at its monitor's DPI: the font at that size, every
// text measured in it, the layout widened where a text needs more room
// (text_needs.h, text_fit.h), and each control placed where it lands.
#include <algorithm>

#include "devlink/ui/win32/win32_view_impl.h"

namespace tq::ui {
namespace {

// Rows a dropped list shows before it scrolls; the pulse widths are many.
constexpr int kDroppedRows = 12;

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

}  // namespace

UINT DpiOf(HWND hwnd) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(hwnd)) return dpi;
  }
  int dpi = 0;
  if (const HDC dc = GetDC(hwnd)) {
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(hwnd, dc);
  }
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

// A new DPI (or the first layout): a font of that size, every text measured
// in it with the controls at their designed size (a list's frame is
// measured as designed), then the window laid out for what the texts need.
void Win32View::Impl::Layout(const POINT* origin) {
  const Font& model = window.GetFont();
  const HFONT previous = font;
  font = CreateFontW(-MulDiv(model.pointSize, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL,
                     FALSE, FALSE, FALSE, static_cast<DWORD>(model.charset), OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                     Wide(model.face).c_str());
  needs.Clear();
  fitted = {};
  for (const auto& [control, hwnd] : handles) {
    if (hwnd == top) continue;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Place(*control, hwnd);
  }
  for (const auto& [control, hwnd] : handles) {
    needs.Set(*control, hwnd == top ? TitleNeed() : MeasureNeed(*control));
  }
  if (previous) DeleteObject(previous);
  Relayout(origin);
}

void Win32View::Impl::Relayout(const POINT* origin) {
  Fit();
  SizeWindow(origin);
  for (const auto& [control, hwnd] : handles) {
    if (hwnd != top) Place(*control, hwnd);
  }
  ClipToPaintOrder();
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// The client area, not the outer frame, is the size the layout gives.
void Win32View::Impl::SizeWindow(const POINT* origin) {
  const int width = fitted.clientWidth;
  const int height = fitted.clientHeight;
  RECT outer{0, 0, width, height};
  static const auto adjustForDpi =
      User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  if (adjustForDpi) {
    adjustForDpi(&outer, kTopStyle, FALSE, kTopExStyle, dpi);
  } else {
    AdjustWindowRectEx(&outer, kTopStyle, FALSE, kTopExStyle);
  }
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (origin ? 0u : static_cast<UINT>(SWP_NOMOVE));
  const int x = origin ? origin->x : 0;
  const int y = origin ? origin->y : 0;
  SetWindowPos(top, nullptr, x, y, outer.right - outer.left, outer.bottom - outer.top, flags);
  // A caption that needs more room than the metrics say (a theme, a very
  // long title) would eat into the client area; give the difference back.
  RECT client{};
  GetClientRect(top, &client);
  const int missingWidth = width - (client.right - client.left);
  const int missingHeight = height - (client.bottom - client.top);
  if (missingWidth != 0 || missingHeight != 0) {
    RECT now{};
    GetWindowRect(top, &now);
    SetWindowPos(top, nullptr, 0, 0, now.right - now.left + missingWidth,
                 now.bottom - now.top + missingHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
}

// Where the layout puts `control`, in pixels at the window's DPI: fitted to
// the texts once the window is laid out.
PixelRect Win32View::Impl::Designed(const Control& control) const {
  return DesignedRect(control, [this](int twips) { return Pixels(twips); });
}

PixelRect Win32View::Impl::ExtentOf(const Control& control) const {
  const auto it = fitted.rects.find(&control);
  return DrawnRect(control, it == fitted.rects.end() ? Designed(control) : it->second);
}

// How wide `text` is in the controls' font, measured now.
int Win32View::Impl::MeasureText(const std::string& text) const {
  const std::wstring wide = Wide(text);
  const HDC dc = GetDC(top);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(top, dc);
  return static_cast<int>(size.cx);
}

// Read-backs fill the same items again and again, so each text is measured
// once per font (text_needs.h).
int Win32View::Impl::TextWidth(const std::string& text) {
  return needs.TextWidth(text, [this](const std::string& t) { return MeasureText(t); });
}

// The width `control` needs for its text: the text and what the control
// draws beside it (a check box's box, a list's frame and arrow, a frame's
// border before and after its caption), at the window's DPI.
int Win32View::Impl::MeasureNeed(const Control& control) {
  const std::string& caption = control.Caption();
  const int gap = MulDiv(4, static_cast<int>(dpi), kDefaultDpi);
  switch (control.GetKind()) {
    case Kind::Label:
      return caption.empty() ? 0 : TextWidth(caption) + TextWidth(" ");
    case Kind::Frame:
      // The caption stands a border and a gap in from each side.
      return caption.empty() ? 0 : TextWidth(caption) + 2 * (2 * gap + 2);
    case Kind::CheckBox:
      return TextWidth(caption) + MulDiv(GetSystemMetrics(SM_CXMENUCHECK), static_cast<int>(dpi), kDefaultDpi) +
             2 * gap;
    case Kind::PushButton:
      // The caption stands clear of the raised edge and of the focus
      // rectangle drawn inside it, on each side.
      return caption.empty() ? 0
                             : TextWidth(caption) +
                                   2 * (MulDiv(GetSystemMetrics(SM_CXEDGE), static_cast<int>(dpi), kDefaultDpi) + gap);
    case Kind::Bar:
    case Kind::Lamp:
      return caption.empty() ? 0 : TextWidth(caption) + 2 * Pixels(kIndicatorInsetTwips);
    case Kind::ComboBox: {
      const int widest = needs.WidestNewItem(
          static_cast<const ComboBox&>(control),
          [this](const std::string& item) { return MeasureText(item); });
      if (widest == 0) return 0;
      // What the list takes beside the item's text: its frame and arrow.
      COMBOBOXINFO info{};
      info.cbSize = sizeof(info);
      RECT outer{};
      const HWND hwnd = HandleOf(control);
      if (!hwnd || !GetComboBoxInfo(hwnd, &info) || !GetWindowRect(hwnd, &outer)) return 0;
      const int chrome = (outer.right - outer.left) - (info.rcItem.right - info.rcItem.left);
      return widest + chrome + gap;
    }
    case Kind::Window:
    case Kind::Timer:
    case Kind::Line:
      break;
  }
  return 0;
}

// The caption in the desktop's caption font, beside the window's icon and
// its three buttons.
int Win32View::Impl::TitleNeed() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return 0;
  const int scale = static_cast<int>(dpi);
  const HFONT captionFont = CreateFontIndirectW(&metrics.lfCaptionFont);
  const HDC dc = GetDC(top);
  const HGDIOBJ old = SelectObject(dc, captionFont);
  const std::wstring caption = Wide(window.Caption());
  SIZE size{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(top, dc);
  DeleteObject(captionFont);
  // The metrics are those of the system's DPI; the caption font is too.
  const int system = static_cast<int>(DpiOf(nullptr));
  const int text = MulDiv(size.cx, scale, system);
  const int buttons = MulDiv(3 * metrics.iCaptionWidth + GetSystemMetrics(SM_CXSMICON), scale, system);
  return text + buttons + MulDiv(16, scale, kDefaultDpi);
}

void Win32View::Impl::UpdateNeed(const Control& control) {
  if (fitted.clientWidth == 0) return;  // the first layout measures everything
  const int need = control.GetKind() == Kind::Window ? TitleNeed() : MeasureNeed(control);
  if (needs.Grow(control, need, fitted)) Relayout(nullptr);
}

// Lays the window out for the needs recorded; a new font or DPI measures
// every text again first.
void Win32View::Impl::Fit() {
  fitted = needs.Fit(window, [this](const Control& c) { return Designed(c); });
}

void Win32View::Impl::Place(const Control& control, HWND hwnd) {
  const PixelRect e = ExtentOf(control);
  int height = e.height;
  if (control.GetKind() == Kind::ComboBox) {
    // A drop-down list's window height is its field plus the dropped list.
    const auto row = static_cast<int>(SendMessageW(hwnd, CB_GETITEMHEIGHT, 0, 0));
    height += std::max(row, 1) * kDroppedRows + 2;
  }
  SetWindowPos(hwnd, nullptr, e.left, e.top, e.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (control.GetKind() == Kind::ComboBox) FitComboField(hwnd, e.height);
}

// The field of a drop-down list takes its height from the font; the layout
// was made with fields exactly as high as the control's height, so the field
// is brought to that.
// The field's frame around the text differs between versions of the
// control, and what it reports as the field's height need not be what it
// takes: the height is set, measured, and set again until it fits.
void Win32View::Impl::FitComboField(HWND combo, int height) {
  constexpr auto kField = static_cast<WPARAM>(-1);
  int wanted = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, kField, 0));
  for (int attempt = 0; attempt < 4 && wanted > 0; ++attempt) {
    RECT field{};
    GetWindowRect(combo, &field);
    const int have = field.bottom - field.top;
    if (have == height) return;
    wanted += height - have;
    if (wanted <= 0) return;
    SendMessageW(combo, CB_SETITEMHEIGHT, kField, wanted);
  }
}

}  // namespace tq::ui
