// Reads a program's version resource the way Explorer's Details tab does and
// checks what it says.
//
//   tq_version_check <program.exe> <file description>
//
// Passes (exit 0) when the fixed file and product versions are the project's
// and the US-English string table names the product, the company, the given
// description and the project's version.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int failures = 0;

std::wstring Widen(const char* text) {
  std::wstring wide;
  while (*text) wide += static_cast<wchar_t>(static_cast<unsigned char>(*text++));
  return wide;
}

std::wstring StringValue(std::vector<BYTE>& info, const wchar_t* name) {
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || !value || length == 0) {
    return L"";
  }
  return static_cast<const wchar_t*>(value);
}

void Expect(const wchar_t* what, const std::wstring& seen, const std::wstring& wanted) {
  std::wprintf(L"%-16ls %ls\n", what, seen.c_str());
  if (seen != wanted) {
    std::wprintf(L"FAIL: %ls is \"%ls\", wanted \"%ls\"\n", what, seen.c_str(), wanted.c_str());
    ++failures;
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: tq_version_check <program.exe> <file description>\n");
    return 2;
  }
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
  std::vector<BYTE> info(size);
  if (size == 0 || !GetFileVersionInfoW(argv[1], 0, size, info.data())) {
    std::wprintf(L"FAIL: %ls has no version resource\n", argv[1]);
    return 1;
  }

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedLength = 0;
  if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength) ||
      fixedLength < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE) {
    std::printf("FAIL: no fixed file information\n");
    return 1;
  }
  const DWORD wantedMs = MAKELONG(TQ_VERSION_MINOR, TQ_VERSION_MAJOR);
  const DWORD wantedLs = MAKELONG(0, TQ_VERSION_PATCH);
  std::printf("file version     %u.%u.%u.%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)},
              unsigned{LOWORD(fixed->dwFileVersionMS)}, unsigned{HIWORD(fixed->dwFileVersionLS)},
              unsigned{LOWORD(fixed->dwFileVersionLS)});
  if (fixed->dwFileVersionMS != wantedMs || fixed->dwFileVersionLS != wantedLs ||
      fixed->dwProductVersionMS != wantedMs || fixed->dwProductVersionLS != wantedLs) {
    std::printf("FAIL: fixed versions are not the project's " TQ_VERSION_TEXT "\n");
    ++failures;
  }

  const std::wstring version = Widen(TQ_VERSION_TEXT);
  Expect(L"ProductName", StringValue(info, L"ProductName"), L"TQ5271 utilities");
  Expect(L"CompanyName", StringValue(info, L"CompanyName"), L"TQ Controls");
  Expect(L"FileDescription", StringValue(info, L"FileDescription"), argv[2]);
  Expect(L"FileVersion", StringValue(info, L"FileVersion"), version);
  Expect(L"ProductVersion", StringValue(info, L"ProductVersion"), version);
  return failures == 0 ? 0 : 1;
}
