#include "tests/check_programs/win32/photograph.h"

#include <fstream>
#include <set>

namespace {

struct Found {
  DWORD process;
  HWND window = nullptr;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != found->process || !IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER)) {
    return TRUE;
  }
  found->window = hwnd;
  return FALSE;
}

}  // namespace

HWND TopWindowOf(DWORD process) {
  Found found{process};
  EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&found));
  return found.window;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

bool Photograph(HWND hwnd, const char* path, std::size_t& colours) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
  GdiFlush();
  const auto stride = static_cast<std::size_t>((width * 3 + 3) & ~3);
  const std::size_t size = stride * static_cast<std::size_t>(height);
  std::set<unsigned> seen;
  const auto* pixel = static_cast<const unsigned char*>(bits);
  for (int y = 0; y < height && copied; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = pixel + stride * static_cast<std::size_t>(y) + 3 * static_cast<std::size_t>(x);
      seen.insert(static_cast<unsigned>(p[0] | p[1] << 8 | p[2] << 16));
    }
  }
  colours = seen.size();

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + size);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
  out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(size));
  const bool written = out.good();

  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return copied && written;
}

