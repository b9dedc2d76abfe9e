// The native view's inside, shared by the files that do its five jobs:
// creating the controls (control_creation.cpp), measuring texts and laying
// the window out at its DPI (window_layout.cpp), mirroring the model
// (model_mirror.cpp), answering messages (window_messages.cpp), painting
// (control_paint.cpp) and telling the accessibility layer what it cannot
// find itself (accessibility.cpp); win32_view.cpp makes the window and holds the public
// calls. Only those files include it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>

#include "devlink/ui/list_mirror.h"
#include "devlink/ui/win32/accessible_annotations.h"
#include "devlink/ui/text_fit.h"
#include "devlink/ui/text_needs.h"
#include "devlink/ui/win32/win32_view.h"

namespace tq::ui {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr UINT kDefaultDpi = 96;
// A fixed frame with a caption, like every window of the programs: the
// layout is absolute, so the window is never resized by the user.
inline constexpr DWORD kTopStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
inline constexpr DWORD kTopExStyle = WS_EX_CONTROLPARENT;
// Posted by another thread's Timer::Request: wParam the timer's id.
inline constexpr UINT kTickRequested = WM_APP + 1;

// UTF-8 as the wide text every native call takes.
std::wstring Wide(const std::string& utf8);

// The DPI of the monitor `hwnd` is on (null: the system's).
UINT DpiOf(HWND hwnd);

// Functions of newer Windows versions, looked up when needed so the programs
// still start where they are missing.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const FARPROC proc = user32 ? GetProcAddress(user32, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

inline bool IsIndicator(const Control& control) {
  return control.GetKind() == Kind::Bar || control.GetKind() == Kind::Lamp;
}

struct Win32View::Impl {
  Impl(Window& w, std::unique_ptr<AccessibleAnnotations> a)
      : window(w), annotations(std::move(a)) {}

  Window& window;
  HWND top = nullptr;
  // The window other threads post a timer's request to: `top`, readable
  // off the window's thread; null once the window is gone.
  std::atomic<HWND> requests{nullptr};
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
  // What the texts need at the current DPI, in pixels, and the layout they
  // gave; what each native list holds.
  TextNeeds needs;
  FittedLayout fitted;
  ListMirror lists;
  // Null once the service has refused, or where there is none.
  std::unique_ptr<AccessibleAnnotations> annotations;
  std::set<HWND> annotated;
  // Each child's place in its parent's stacking before the labels moved
  // (0 topmost): the order it is painted in; and the labels clipped to it.
  std::map<HWND, std::size_t> paintRank;
  std::set<HWND> clipped;

  struct Mirroring {
    explicit Mirroring(int& depth) : depth_(depth) { ++depth_; }
    ~Mirroring() { --depth_; }
    Mirroring(const Mirroring&) = delete;
    Mirroring& operator=(const Mirroring&) = delete;
    int& depth_;
  };

  int Pixels(int twips) const { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }
  HWND HandleOf(const Control& control) const {
    const auto it = handles.find(&control);
    return it == handles.end() ? nullptr : it->second;
  }
  Control* ControlOf(HWND hwnd) const {
    const auto it = controls.find(hwnd);
    return it == controls.end() ? nullptr : it->second;
  }

  // win32_view.cpp
  static ATOM WindowClass();
  void Create();
  void Unload();

  // control_creation.cpp
  void Build(Container& container, HWND parent);
  HWND CreateControl(Control& control, HWND parent);
  void StackLaterOnTop(const Container& container);
  static LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR self);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR self);

  // window_layout.cpp
  void Layout(const POINT* origin);
  void Relayout(const POINT* origin);
  void SizeWindow(const POINT* origin);
  PixelRect Designed(const Control& control) const;
  PixelRect ExtentOf(const Control& control) const;
  void Place(const Control& control, HWND hwnd);
  void FitComboField(HWND combo, int height);
  int MeasureText(const std::string& text) const;
  int TextWidth(const std::string& text);
  int MeasureNeed(const Control& control);
  int TitleNeed();
  void UpdateNeed(const Control& control);
  void Fit();

  // model_mirror.cpp
  void MirrorAll(Control& control);
  void Mirror(Control& control, Change change);
  void MirrorItems(const ComboBox& model, HWND combo);
  void MirrorHint(const Control& control, HWND hwnd);
  void MirrorTimer(const Timer& timer);
  void ShowNow();

  // window_messages.cpp
  static LRESULT CALLBACK TopProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void OnCommand(HWND child, UINT code);
  void RestoreFocus();

  // accessibility.cpp
  void StackLabelsBeforeNamed(const Container& container);
  void ClipToPaintOrder();
  void Annotate(const Control& control);
  void AnnotateChange(const Control& control, Change change);
  void SetAnnotation(HWND hwnd, AccessibleAnnotations::Property property, const std::string& text);
  void ClearAnnotations();

  // control_paint.cpp
  LRESULT OnControlColor(HDC dc, HWND child);
  void DrawSlantedLine(const DRAWITEMSTRUCT& item);
  void DrawIndicator(const Control& control, const DRAWITEMSTRUCT& item);
};

}  // namespace tq::ui
