// Starts one of the programs exactly as a user would (no arguments), waits
// until its start-up is over and it waits for input, then checks its window
// the way a user would see it, photographs it, and closes it like the user.
//
//   tq_window_check <program.exe> <caption> <client width> <client height> <shot.bmp>
//
// The client size is in twips. Passes (exit 0) when the program's window
// has the caption and that client size at its DPI, is painted, holds its
// frames and controls with every list and check box disabled (no board is
// attached), and when the program ends with exit code 0 after WM_CLOSE.
#include <windows.h>

#include "tests/check_programs/win32/photograph.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kCloseTimeoutMs = 15000;

int failures = 0;

void Fail(const char* what) {
  std::printf("FAIL: %s\n", what);
  ++failures;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

struct Inventory {
  int frames = 0;
  int labels = 0;
  int lists = 0;
  int checkBoxes = 0;
  int enabledInputs = 0;
};

BOOL CALLBACK CountControl(HWND hwnd, LPARAM param) {
  auto* inventory = reinterpret_cast<Inventory*>(param);
  const std::wstring name = ClassOf(hwnd);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  const bool enabled = IsWindowEnabled(hwnd) != FALSE;
  const char* kind = "other";
  if (_wcsicmp(name.c_str(), L"Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) {
    ++inventory->frames;
    kind = "frame";
  } else if (_wcsicmp(name.c_str(), L"Button") == 0) {
    ++inventory->checkBoxes;
    inventory->enabledInputs += enabled;
    kind = "check box";
  } else if (_wcsicmp(name.c_str(), L"ComboBox") == 0) {
    ++inventory->lists;
    inventory->enabledInputs += enabled;
    kind = "list";
  } else if (_wcsicmp(name.c_str(), L"Static") == 0) {
    ++inventory->labels;
    kind = "label";
  }
  std::printf("  %-9s %-8s \"%ls\"\n", kind, enabled ? "enabled" : "disabled", TextOf(hwnd).c_str());
  return TRUE;
}

UINT DpiOf(HWND hwnd) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  const FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  if (proc) {
    const auto get = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(proc));
    if (const UINT dpi = get(hwnd)) return dpi;
  }
  const HDC dc = GetDC(hwnd);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(hwnd, dc);
  return static_cast<UINT>(dpi);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) {
    std::printf("usage: tq_window_check <program.exe> <caption> <width> <height> <shot.bmp>\n");
    return 2;
  }
  const std::wstring program = argv[1];
  const std::wstring caption = argv[2];
  const int widthTwips = _wtoi(argv[3]);
  const int heightTwips = _wtoi(argv[4]);
  char shot[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, argv[5], -1, shot, MAX_PATH, nullptr, nullptr);

  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    std::printf("FAIL: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
    return 1;
  }
  // Idle means the load event is over: the program has searched for a board
  // and now waits in its message loop.
  if (WaitForInputIdle(process.hProcess, kStartTimeoutMs) != 0) Fail("the program never became idle");

  HWND window = nullptr;
  for (DWORD waited = 0; !window && waited < kStartTimeoutMs; waited += 100) {
    window = TopWindowOf(process.dwProcessId);
    if (!window) Sleep(100);
  }
  if (!window) {
    Fail("no window appeared");
    TerminateProcess(process.hProcess, 1);
    return 1;
  }
  // Let whatever the program posted to itself after start-up run first.
  Sleep(500);

  const std::wstring shown = TextOf(window);
  std::printf("window \"%ls\"\n", shown.c_str());
  if (shown != caption) Fail("wrong caption");

  const UINT dpi = DpiOf(window);
  RECT client{};
  GetClientRect(window, &client);
  const int wantWidth = MulDiv(widthTwips, static_cast<int>(dpi), 1440);
  const int wantHeight = MulDiv(heightTwips, static_cast<int>(dpi), 1440);
  std::printf("dpi %u, client %ld x %ld pixels (layout: %d x %d)\n", dpi, client.right,
              client.bottom, wantWidth, wantHeight);
  // As designed, or wider where a text needs more room than designed.
  if (client.right < wantWidth || client.bottom != wantHeight) Fail("client area is not the layout's size");

  Inventory inventory;
  EnumChildWindows(window, &CountControl, reinterpret_cast<LPARAM>(&inventory));
  std::printf("%d frames, %d labels, %d lists, %d check boxes\n", inventory.frames,
              inventory.labels, inventory.lists, inventory.checkBoxes);
  if (inventory.frames == 0 || inventory.labels == 0 || inventory.lists == 0) Fail("controls are missing");
  if (inventory.enabledInputs != 0) Fail("a list or check box is enabled without a board");

  std::size_t colours = 0;
  if (!Photograph(window, shot, colours)) Fail("cannot photograph the window");
  std::printf("photograph: %zu colours\n", colours);
  // Frames, text, the field of every list: a drawn window has many shades.
  if (colours < 4) Fail("the window is not painted");

  PostMessageW(window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, kCloseTimeoutMs) != WAIT_OBJECT_0) {
    Fail("the program did not end after WM_CLOSE");
    TerminateProcess(process.hProcess, 1);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  std::printf("exit code %lu\n", code);
  if (code != 0) Fail("the program did not end cleanly");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf(failures ? "FAILED\n" : "PASSED\n");
  return failures ? 1 : 0;
}
