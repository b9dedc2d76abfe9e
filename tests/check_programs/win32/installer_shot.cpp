// Starts an installer as a user would (no arguments), waits for its first
// page, lists the page's texts, photographs it, and ends the installer there,
// before anything is installed.
//
//   tq_installer_shot <installer.exe> <caption> <text on the page> <shot.bmp>
//
// Passes (exit 0) when a window with that caption appears, one of its
// controls shows that text, and the window is painted.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/check_programs/win32/photograph.h"

namespace {

constexpr DWORD kStartTimeoutMs = 60000;

struct Search {
  std::wstring wanted;
  bool seen = false;
};

BOOL CALLBACK ListText(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(hwnd)) return TRUE;
  const std::wstring text = TextOf(hwnd);
  if (text.empty()) return TRUE;
  std::printf("  \"%ls\"\n", text.c_str());
  if (text.find(search->wanted) != std::wstring::npos) search->seen = true;
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) {
    std::printf("usage: tq_installer_shot <installer.exe> <caption> <text on the page> <shot.bmp>\n");
    return 2;
  }
  const std::wstring installer = argv[1];
  const std::wstring caption = argv[2];
  char shot[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, argv[4], -1, shot, MAX_PATH, nullptr, nullptr);

  std::wstring commandLine = L"\"" + installer + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(installer.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    std::printf("FAIL: cannot start %ls (error %lu)\n", installer.c_str(), GetLastError());
    return 1;
  }
  WaitForInputIdle(process.hProcess, kStartTimeoutMs);
  HWND window = nullptr;
  for (DWORD waited = 0; waited < kStartTimeoutMs; waited += 100) {
    window = TopWindowOf(process.dwProcessId);
    if (window && TextOf(window) == caption) break;
    Sleep(100);
  }
  int failures = 0;
  if (!window || TextOf(window) != caption) {
    std::printf("FAIL: no window \"%ls\" appeared\n", caption.c_str());
    ++failures;
  } else {
    // The page's controls are made after the frame; let them paint.
    Sleep(1500);
    std::printf("window \"%ls\"\n", TextOf(window).c_str());
    Search search{argv[3]};
    EnumChildWindows(window, &ListText, reinterpret_cast<LPARAM>(&search));
    if (!search.seen) {
      std::printf("FAIL: no control shows \"%ls\"\n", search.wanted.c_str());
      ++failures;
    }
    std::size_t colours = 0;
    if (!Photograph(window, shot, colours)) {
      std::printf("FAIL: cannot photograph the window\n");
      ++failures;
    }
    std::printf("photograph: %zu colours\n", colours);
    if (colours < 4) {
      std::printf("FAIL: the window is not painted\n");
      ++failures;
    }
  }
  // Leaving at the first page: nothing has been installed.
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf(failures ? "FAILED\n" : "PASSED\n");
  return failures ? 1 : 0;
}
