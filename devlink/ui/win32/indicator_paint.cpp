#include "devlink/ui/win32/indicator_paint.h"

namespace tq::ui {
namespace {

COLORREF Warning() {
  return RGB((kWarningColor >> 16) & 0xFF, (kWarningColor >> 8) & 0xFF, kWarningColor & 0xFF);
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// The frame as four strips, leaving the inside to be painted once.
void PaintFrame(HDC dc, const RECT& outer, int border, COLORREF colour) {
  Fill(dc, {outer.left, outer.top, outer.right, outer.top + border}, colour);
  Fill(dc, {outer.left, outer.bottom - border, outer.right, outer.bottom}, colour);
  Fill(dc, {outer.left, outer.top + border, outer.left + border, outer.bottom - border}, colour);
  Fill(dc, {outer.right - border, outer.top + border, outer.right, outer.bottom - border}, colour);
}

// Fills `part` and draws `caption` centred in `inside`, as far as it falls
// within `part`.
void CaptionOver(HDC dc, const RECT& part, const RECT& inside, const std::wstring& caption,
                 COLORREF back, COLORREF fore) {
  if (part.right <= part.left) return;
  SetBkColor(dc, back);
  SetTextColor(dc, fore);
  SIZE size{};
  const int length = static_cast<int>(caption.size());
  GetTextExtentPoint32W(dc, caption.c_str(), length, &size);
  const int x = inside.left + (inside.right - inside.left - size.cx) / 2;
  const int y = inside.top + (inside.bottom - inside.top - size.cy) / 2;
  ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &part, caption.c_str(),
              static_cast<UINT>(length), nullptr);
}

RECT Inside(const RECT& area, int border) {
  return {area.left + border, area.top + border, area.right - border, area.bottom - border};
}

// Selects the font for the painting and puts the DC back as it was.
class Painting {
 public:
  Painting(HDC dc, HFONT font) : dc_(dc), font_(SelectObject(dc, font)) {}
  ~Painting() { SelectObject(dc_, font_); }
  Painting(const Painting&) = delete;
  Painting& operator=(const Painting&) = delete;

 private:
  HDC dc_;
  HGDIOBJ font_;
};

}  // namespace

// The filled part in the selection's colours, the rest as a text field, the
// caption across both in the colour that reads on each; greyed as a
// disabled control when it cannot be used.
void PaintBar(HDC dc, const RECT& area, const Bar& bar, const std::wstring& caption,
              const IndicatorLook& look) {
  const Painting painting(dc, look.font);
  PaintFrame(dc, area, look.border, GetSysColor(COLOR_BTNSHADOW));
  const RECT inside = Inside(area, look.border);
  const int filled = bar.FilledWidth(inside.right - inside.left);
  const RECT fill{inside.left, inside.top, inside.left + filled, inside.bottom};
  const RECT rest{inside.left + filled, inside.top, inside.right, inside.bottom};
  const COLORREF greyText = GetSysColor(COLOR_GRAYTEXT);
  CaptionOver(dc, fill, inside, caption, GetSysColor(look.enabled ? COLOR_HIGHLIGHT : COLOR_BTNSHADOW),
              look.enabled ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_BTNFACE));
  CaptionOver(dc, rest, inside, caption, GetSysColor(look.enabled ? COLOR_WINDOW : COLOR_BTNFACE),
              look.enabled ? GetSysColor(COLOR_WINDOWTEXT) : greyText);
}

// Lit in the selection's colour, unlit as a text field; a mark shows in the
// frame and the caption, or fills the lamp while it is lit. A disabled lamp
// shows no mark: nothing it shows is current.
void PaintLamp(HDC dc, const RECT& area, const Lamp& lamp, const std::wstring& caption,
               const IndicatorLook& look) {
  const Painting painting(dc, look.font);
  const bool warn = lamp.Marked() && look.enabled;
  PaintFrame(dc, area, look.border, warn ? Warning() : GetSysColor(COLOR_BTNSHADOW));
  COLORREF back = GetSysColor(COLOR_WINDOW);
  COLORREF fore = warn ? Warning() : GetSysColor(COLOR_WINDOWTEXT);
  if (!look.enabled) {
    back = GetSysColor(lamp.Lit() ? COLOR_BTNSHADOW : COLOR_BTNFACE);
    fore = GetSysColor(lamp.Lit() ? COLOR_BTNFACE : COLOR_GRAYTEXT);
  } else if (lamp.Lit()) {
    back = warn ? Warning() : GetSysColor(COLOR_HIGHLIGHT);
    fore = GetSysColor(COLOR_HIGHLIGHTTEXT);
  }
  const RECT inside = Inside(area, look.border);
  CaptionOver(dc, inside, inside, caption, back, fore);
}

}  // namespace tq::ui
