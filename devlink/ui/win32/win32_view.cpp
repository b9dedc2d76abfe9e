#include "devlink/ui/win32/win32_view.h"
#include "devlink/ui/text_fit.h"
#include "devlink/ui/win32/indicator_paint.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace tq::ui {
namespace {

constexpr int kTwipsPerInch = 1440;
constexpr UINT kDefaultDpi = 96;
constexpr wchar_t kWindowClass[] = L"TQ5271.Window";
constexpr WORD kIconResource = 1;
// A fixed frame with a caption, like every window of the programs: the
// layout is absolute, so the window is never resized by the user.
constexpr DWORD kTopStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kTopExStyle = WS_EX_CONTROLPARENT;
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr int kFirstControlId = 100;  // clear of IDOK, IDCANCEL and the like
constexpr UINT_PTR kFrameSubclass = 1;
constexpr UINT_PTR kListSubclass = 2;
// Rows a dropped list shows before it scrolls; the pulse widths are many.
constexpr int kDroppedRows = 12;
// Defined by the headers only for newer Windows versions than this program
// requires.
constexpr UINT kWmDpiChanged = 0x02E0;

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
  }
  return wide;
}

int SysColorIndex(SystemColor color) {
  switch (color) {
    case SystemColor::ButtonFace: return COLOR_BTNFACE;
    case SystemColor::ButtonText: return COLOR_BTNTEXT;
    case SystemColor::WindowBackground: return COLOR_WINDOW;
    case SystemColor::WindowText: return COLOR_WINDOWTEXT;
  }
  return COLOR_BTNFACE;
}

// Functions of newer Windows versions, looked up when needed so the programs
// still start where they are missing.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const FARPROC proc = user32 ? GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

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

struct Extent {
  int left, top, width, height;
};

// Whether the user could reach `hwnd` now: it and every container up to the
// window are enabled.
bool Reachable(HWND hwnd, HWND top) {
  for (HWND at = hwnd; at && at != top; at = GetParent(at)) {
    if (!IsWindowEnabled(at) || !IsWindowVisible(at)) return false;
  }
  return hwnd != nullptr;
}

// Whether `hwnd` and every container up to the window are enabled: a
// disabled frame greys all it holds, as at a start with no board.
bool EnabledUpTo(HWND hwnd, HWND top) {
  for (HWND at = hwnd; at && at != top; at = GetParent(at)) {
    if (!IsWindowEnabled(at)) return false;
  }
  return true;
}

bool IsIndicator(const Control& control) {
  return control.GetKind() == Kind::Bar || control.GetKind() == Kind::Lamp;
}

bool Overlap(const TwipsRect& a, const TwipsRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

}  // namespace

struct Win32View::Impl {
  explicit Impl(Window& w) : window(w) {}

  Window& window;
  HWND top = nullptr;
  HWND tooltip = nullptr;
  HFONT font = nullptr;
  UINT dpi = kDefaultDpi;
  std::map<const Control*, HWND> handles;
  std::unordered_map<HWND, Control*> controls;
  std::map<const Control*, UINT_PTR> timerIds;
  std::map<UINT_PTR, Timer*> timers;
  std::set<const Control*> tooltips;
  // Above zero while the view itself changes native controls: whatever they
  // report then is the program's own change, which the model has raised.
  int mirroring = 0;
  bool unloaded = false;
  bool tearingDown = false;
  HWND lastFocus = nullptr;
  // The list whose items are dropped down, and whether the user's moves in
  // it have already changed its selection: choosing the item it was opened
  // on changes nothing natively, yet is a pick.
  HWND droppedList = nullptr;
  bool changedWhileDropped = false;
  // Widths the texts need at the current DPI, in pixels (only ever growing
  // until the DPI changes), the items of each list measured so far, and the
  // layout they gave.
  std::map<const Control*, int> needs;
  std::map<const Control*, int> measuredItems;
  std::map<std::wstring, int> textWidths;
  FittedLayout fitted;

  struct Mirroring {
    explicit Mirroring(int& depth) : depth_(depth) { ++depth_; }
    ~Mirroring() { --depth_; }
    Mirroring(const Mirroring&) = delete;
    Mirroring& operator=(const Mirroring&) = delete;
    int& depth_;
  };

  static ATOM WindowClass();
  static LRESULT CALLBACK TopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR self);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);

  int Pixels(int twips) const { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }
  HWND HandleOf(const Control& control) const {
    const auto it = handles.find(&control);
    return it == handles.end() ? nullptr : it->second;
  }
  Control* ControlOf(HWND hwnd) const {
    const auto it = controls.find(hwnd);
    return it == controls.end() ? nullptr : it->second;
  }

  void Create();
  void Build(Container& container, HWND parent);
  HWND CreateControl(Control& control, HWND parent);
  void StackLaterOnTop(const Container& container);
  void Layout(const POINT* origin);
  void Relayout(const POINT* origin);
  void SizeWindow(const POINT* origin);
  PixelRect Designed(const Control& control) const;
  Extent ExtentOf(const Control& control) const;
  void Place(const Control& control, HWND hwnd);
  void FitComboField(HWND combo, int height);
  int TextWidth(const std::string& text);
  int MeasureNeed(const Control& control);
  int TitleNeed();
  void UpdateNeed(const Control& control);
  void Fit();

  void MirrorAll(Control& control);
  void Mirror(Control& control, Change change);
  void MirrorItems(const ComboBox& model, HWND combo);
  void MirrorHint(const Control& control, HWND hwnd);
  void MirrorTimer(const Timer& timer);
  void ShowNow();

  LRESULT OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void OnCommand(HWND child, UINT code);
  LRESULT OnControlColor(HDC dc, HWND child);
  void DrawSlantedLine(const DRAWITEMSTRUCT& item);
  void DrawIndicator(const Control& control, const DRAWITEMSTRUCT& item);
  void Unload();
  void RestoreFocus();
};

ATOM Win32View::Impl::WindowClass() {
  static const ATOM atom = [] {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Impl::TopProc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                             0, 0, LR_DEFAULTSIZE));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc);
  }();
  return atom;
}

LRESULT CALLBACK Win32View::Impl::TopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->OnMessage(hwnd, message, wParam, lParam);
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

void Win32View::Impl::Create() {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof(classes);
  classes.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&classes);

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!WindowClass()) throw std::runtime_error("RegisterClassExW failed");
  top = CreateWindowExW(kTopExStyle, kWindowClass, Wide(window.Caption()).c_str(), kTopStyle,
                        CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, this);
  if (!top) throw std::runtime_error("CreateWindowExW failed");
  dpi = DpiOf(top);

  tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, top, nullptr, instance, nullptr);

  handles[&window] = top;
  controls[top] = &window;
  Build(window, top);
  Layout(nullptr);
  for (Control* control : window.AllControls()) MirrorAll(*control);
}

void Win32View::Impl::Build(Container& container, HWND parent) {
  for (Control* control : container.Children()) {
    const HWND hwnd = CreateControl(*control, parent);
    if (control->GetKind() == Kind::Frame) Build(static_cast<Container&>(*control), hwnd);
  }
  StackLaterOnTop(container);
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
  textWidths.clear();
  measuredItems.clear();
  needs.clear();
  fitted = {};
  for (const auto& [control, hwnd] : handles) {
    if (hwnd == top) continue;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Place(*control, hwnd);
  }
  for (const auto& [control, hwnd] : handles) {
    needs[control] = hwnd == top ? TitleNeed() : MeasureNeed(*control);
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
  if (control.GetKind() == Kind::Window) {
    return {0, 0, Pixels(window.ClientWidth()), Pixels(window.ClientHeight())};
  }
  if (control.GetKind() == Kind::Line) {
    const auto& line = static_cast<const Line&>(control);
    return {Pixels(std::min(line.X1(), line.X2())), Pixels(std::min(line.Y1(), line.Y2())),
            Pixels(std::abs(line.X2() - line.X1())), Pixels(std::abs(line.Y2() - line.Y1()))};
  }
  const TwipsRect r = control.Position();
  return {Pixels(r.left), Pixels(r.top), Pixels(r.width), Pixels(r.height)};
}

Extent Win32View::Impl::ExtentOf(const Control& control) const {
  const auto it = fitted.rects.find(&control);
  const PixelRect r = it == fitted.rects.end() ? Designed(control) : it->second;
  if (control.GetKind() == Kind::Line) {
    // Etched rules are two pixels thick, centred on the line.
    if (r.height == 0) return {r.left, r.top - 1, std::max(1, r.width), 2};
    if (r.width == 0) return {r.left - 1, r.top, 2, r.height};
    return {r.left, r.top, r.width + 1, r.height + 1};
  }
  return {r.left, r.top, r.width, r.height};
}

// How wide `text` is in the controls' font; read-backs fill the same items
// again and again, so each text is measured once per font.
int Win32View::Impl::TextWidth(const std::string& text) {
  const std::wstring wide = Wide(text);
  const auto [it, added] = textWidths.try_emplace(wide, 0);
  if (!added) return it->second;
  const HDC dc = GetDC(top);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(top, dc);
  it->second = size.cx;
  return size.cx;
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
    case Kind::Bar:
    case Kind::Lamp:
      return caption.empty() ? 0 : TextWidth(caption) + 2 * Pixels(kIndicatorInsetTwips);
    case Kind::ComboBox: {
      const auto& model = static_cast<const ComboBox&>(control);
      int& measured = measuredItems[&control];
      if (model.ListCount() < measured) measured = 0;  // cleared and refilled
      int widest = 0;
      for (; measured < model.ListCount(); ++measured) {
        widest = std::max(widest, TextWidth(model.Items()[static_cast<std::size_t>(measured)]));
      }
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
  int& recorded = needs[&control];
  if (need <= recorded) return;
  recorded = need;
  const Extent e = ExtentOf(control);
  const int room = control.GetKind() == Kind::Window ? fitted.clientWidth : e.width;
  if (need > room) Relayout(nullptr);
}

// Lays the window out for the needs recorded; a new font or DPI measures
// every text again first.
void Win32View::Impl::Fit() {
  fitted = FitText(
      window, [this](const Control& c) { return Designed(c); },
      [this](const Control& c) {
        const auto it = needs.find(&c);
        return it == needs.end() ? 0 : it->second;
      },
      needs[&window]);
}

void Win32View::Impl::Place(const Control& control, HWND hwnd) {
  const Extent e = ExtentOf(control);
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

// Lists grow one item per notification while a program fills them, so only
// what the native list lacks is appended; anything else rebuilds it.
void Win32View::Impl::MirrorItems(const ComboBox& model, HWND combo) {
  const std::vector<std::string>& items = model.Items();
  const auto held = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
  bool prefix = held >= 0 && held <= model.ListCount();
  for (int i = 0; prefix && i < held; ++i) {
    const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) {
      prefix = false;
      break;
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    prefix = text == Wide(items[static_cast<std::size_t>(i)]);
  }
  int from = held;
  if (!prefix) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    from = 0;
  }
  for (int i = from; i < model.ListCount(); ++i) {
    const std::wstring text = Wide(items[static_cast<std::size_t>(i)]);
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
  if (timer.Enabled()) {
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

LRESULT Win32View::Impl::OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnChildMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_TIMER: {
      const auto it = timers.find(static_cast<UINT_PTR>(wParam));
      if (it == timers.end()) break;
      it->second->Tick();
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
      if (!tearingDown) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
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
  }
}

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

// The program's unload runs once and is never cancelled.
void Win32View::Impl::Unload() {
  if (unloaded) return;
  unloaded = true;
  window.Close();
}

void Win32View::Impl::RestoreFocus() {
  HWND target = lastFocus;
  if (!target || !IsWindow(target) || !Reachable(target, top)) {
    target = GetNextDlgTabItem(top, nullptr, FALSE);
  }
  if (target && target != top && Reachable(target, top)) SetFocus(target);
}

Win32View::Win32View(Window& window) : impl_(std::make_unique<Impl>(window)) {
  impl_->Create();
  window.AttachView(this);
  if (window.Shown()) impl_->ShowNow();
}

Win32View::~Win32View() {
  if (impl_->window.View() == this) impl_->window.AttachView(nullptr);
  if (impl_->top) {
    impl_->tearingDown = true;
    DestroyWindow(impl_->top);
  }
  if (impl_->font) DeleteObject(impl_->font);
}

int Win32View::RunMessageLoop() {
  const ATOM ours = Impl::WindowClass();
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return EXIT_FAILURE;
    // Tab and the arrow keys move between controls as in a dialog.
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && GetClassWord(root, GCW_ATOM) == ours && IsDialogMessageW(root, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void* Win32View::Handle() const { return impl_->top; }

void* Win32View::HandleOf(const Control& control) const {
  return impl_->top ? impl_->HandleOf(control) : nullptr;
}

unsigned Win32View::Dpi() const { return impl_->dpi; }

int Win32View::Pixels(int twips) const { return impl_->Pixels(twips); }

void Win32View::OnChanged(Control& control, Change change) { impl_->Mirror(control, change); }

}  // namespace tq::ui
