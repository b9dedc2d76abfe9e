#include "devlink/ui/win32/win32_view.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "devlink/ui/win32/win32_view_impl.h"

namespace tq::ui {
namespace {

constexpr wchar_t kWindowClass[] = L"TQ5271.Window";
constexpr WORD kIconResource = 1;

}  // namespace

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
  requests.store(top);
  dpi = DpiOf(top);

  tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, top, nullptr, instance, nullptr);

  handles[&window] = top;
  controls[top] = &window;
  Build(window, top);
  Layout(nullptr);
  for (Control* control : window.AllControls()) {
    MirrorAll(*control);
    Annotate(*control);
  }
}

// The program's unload runs once and is never cancelled.
void Win32View::Impl::Unload() {
  if (unloaded) return;
  unloaded = true;
  window.Close();
}

Win32View::Win32View(Window& window) : Win32View(window, SystemAnnotations()) {}

Win32View::Win32View(Window& window, std::unique_ptr<AccessibleAnnotations> annotations)
    : impl_(std::make_unique<Impl>(window, std::move(annotations))) {
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

void Win32View::OnChanged(Control& control, Change change) {
  impl_->Mirror(control, change);
  if (impl_->top) impl_->AnnotateChange(control, change);
}

// Any thread: the ids are fixed once the window is made, and a window gone
// meanwhile makes the post fail, which loses nothing that could be shown.
void Win32View::OnTickRequested(Timer& timer) {
  const auto it = impl_->timerIds.find(&timer);
  const HWND top = impl_->requests.load();
  if (it != impl_->timerIds.end() && top) PostMessageW(top, kTickRequested, it->second, 0);
}

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

}  // namespace tq::ui
