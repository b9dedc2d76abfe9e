// The SetupAPI and hid.dll backend on the real system calls, and both
// programs on it with no board attached (as under Wine, or on a desktop
// without a TQ5271): records cross the boundary intact, handles keep their
// values, and the programs end in their no-board state with nothing open.
#include "devlink/platform/win32/win32_hid_api.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/frm_main.h"
#include "devlink/device_link.h"
#include "devlink/ui/win32/win32_view.h"
#include "encoders/frm_main.h"

namespace tq {
namespace {

constexpr std::uint32_t kShare = kFileShareRead | kFileShareWrite;

TEST(Win32HidApi, CarriesRecordsAndHandlesToWindowsUnchanged) {
  Win32HidApi api;
  GUID guid{};
  api.HidD_GetHidGuid(&guid);
  EXPECT_EQ(guid, kHidInterfaceClass);

  // An interface record of this build's size is accepted: past the last
  // interface the enumeration ends for want of items, not for a bad record.
  const HDEVINFO set = api.SetupDiGetClassDevsA(&guid, nullptr, 0, kDigcfPresent | kDigcfDeviceInterface);
  ASSERT_NE(set, kInvalidHandleValue);
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof(data);
  SetLastError(0);
  EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(set, nullptr, &guid, 100000, &data), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_NE(api.SetupDiDestroyDeviceInfoList(set), 0);

  // Every present interface yields its path through the detail record.
  DeviceLink link(api, kConfigVariant);
  link.GetHidGuid();
  int interfaces = 0;
  EXPECT_TRUE(link.WalkInterfaces([&] {
    ++interfaces;
    EXPECT_EQ(link.DevicePath.rfind("\\\\?\\", 0), 0u) << link.DevicePath;
    return false;
  }));
  EXPECT_TRUE(link.LastInterface);
  std::printf("%d HID interface(s) present\n", interfaces);

  // A failed open is the value with all bits set.
  EXPECT_EQ(api.CreateFileA("\\\\.\\TQ5271-not-attached", kGenericRead, kShare, nullptr,
                            kOpenExisting, 0, 0),
            kInvalidHandleValue);

  // The security record as the device link fills it: the handle is
  // inheritable exactly when the record says so.
  char folder[MAX_PATH] = {};
  char path[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  ASSERT_NE(GetTempFileNameA(folder, "tq", 0, path), 0u);
  for (const BOOL inherit : {1, 0}) {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.bInheritHandle = inherit;
    const HANDLE file = api.CreateFileA(path, kGenericRead | kGenericWrite, kShare, &security,
                                        kOpenExisting, 0, 0);
    ASSERT_NE(file, kInvalidHandleValue);
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(reinterpret_cast<::HANDLE>(file), &flags));
    EXPECT_EQ((flags & HANDLE_FLAG_INHERIT) != 0, inherit == 1);

    // Not a HID device: every HID request fails, and says so as a BOOL.
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    EXPECT_EQ(api.HidD_GetAttributes(file, &attributes), 0);
    StringBuffer text{};
    EXPECT_EQ(api.HidD_GetSerialNumberString(file, text.data(), kStringRequestLength), 0);
    PHIDP_PREPARSED_DATA preparsed = 0;
    EXPECT_EQ(api.HidD_GetPreparsedData(file, &preparsed), 0);
    EXPECT_NE(api.CloseHandle(file), 0);
  }
  DeleteFileA(path);
}

// The overlapped read on a pipe, which waits like a HID handle with no
// report queued: the timeout ends it with WAIT_TIMEOUT, bytes written in
// the meantime are read, and a closed other end ends it at once. hid.dll's
// parser calls refuse what is no preparsed data with its own status.
TEST(Win32HidApi, ReadWaitsAtMostItsTimeoutAndHidpRefusesForeignData) {
  Win32HidApi api;
  const char* name = "\\\\.\\pipe\\tq-read-test";
  const ::HANDLE server = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
  ASSERT_NE(reinterpret_cast<HANDLE>(server), kInvalidHandleValue);
  const HANDLE client =
      api.CreateFileA(name, kGenericRead, 0, nullptr, kOpenExisting, kFileFlagOverlapped, 0);
  ASSERT_NE(client, kInvalidHandleValue);

  std::uint8_t buffer[8] = {};
  std::uint32_t got = 99;
  const DWORD before = GetTickCount();
  EXPECT_EQ(api.ReadFile(client, buffer, sizeof buffer, &got, 50), 0);
  EXPECT_EQ(api.GetLastError(), kErrorTimeout);
  EXPECT_GE(GetTickCount() - before, 40u);
  EXPECT_EQ(got, 0u);

  DWORD written = 0;
  ASSERT_TRUE(WriteFile(server, "\x00\x05\x10", 3, &written, nullptr));
  EXPECT_EQ(api.ReadFile(client, buffer, sizeof buffer, &got, 1000), 1);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(buffer[1], 0x05);

  CloseHandle(server);
  EXPECT_EQ(api.ReadFile(client, buffer, sizeof buffer, &got, 1000), 0);
  EXPECT_NE(api.GetLastError(), kErrorTimeout);
  EXPECT_NE(api.CloseHandle(client), 0);

  // A zeroed block lacks the parser's mark.
  alignas(8) std::uint8_t notPreparsed[512] = {};
  const auto data = reinterpret_cast<PHIDP_PREPARSED_DATA>(notPreparsed);
  HIDP_BUTTON_CAPS buttons[2];
  std::uint16_t length = 2;
  EXPECT_EQ(api.HidP_GetButtonCaps(HidP_Input, buttons, &length, data),
            kHidpStatusInvalidPreparsedData);
  HIDP_VALUE_CAPS values[2];
  EXPECT_EQ(api.HidP_GetValueCaps(HidP_Input, values, &length, data),
            kHidpStatusInvalidPreparsedData);
}

// Whatever HID devices the host has, none is a TQ5271 here: both programs
// reach their no-board state on the real calls, keep looking (the encoder
// utility's timer) and leave nothing open.
TEST(Win32HidApi, ProgramsWithoutABoardOnTheRealCalls) {
  Win32HidApi api;
  {
    encoders::frmMain form(api);
    ui::Win32View view(form.Form());
    form.Form_Load();
    EXPECT_FALSE(form.DeviceDetected);
    EXPECT_EQ(form.SerNo.ListCount(), 0);
    EXPECT_TRUE(form.Timer.Enabled());
    // A few of the timer's searches, from the loop.
    const DWORD until = GetTickCount() + 300;
    MSG message;
    while (static_cast<LONG>(until - GetTickCount()) > 0) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(10);
    }
    EXPECT_FALSE(form.DeviceDetected);
    EXPECT_EQ(form.Link().DeviceHandle, kInvalidHandleValue);
    EXPECT_EQ(form.Link().OverlappedHandle, kInvalidHandleValue);
    SendMessageW(static_cast<HWND>(view.Handle()), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.Timer.Enabled());
    PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }
  {
    config::frmMain form(api);
    ui::Win32View view(form.Form());
    form.Form_Load();
    EXPECT_FALSE(form.DeviceDetected);
    EXPECT_EQ(form.Link().DeviceHandle, kInvalidHandleValue);
    for (const ui::Control* control : form.Form().AllControls()) {
      if (control->GetKind() != ui::Kind::ComboBox && control->GetKind() != ui::Kind::CheckBox) continue;
      EXPECT_FALSE(IsWindowEnabled(static_cast<HWND>(view.HandleOf(*control)))) << control->Name();
    }
    SendMessageW(static_cast<HWND>(view.Handle()), WM_CLOSE, 0, 0);
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  }
}

}  // namespace
}  // namespace tq
