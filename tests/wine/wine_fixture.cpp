#include "tests/wine/wine_fixture.h"

namespace tq::winetest {

HANDLE CountingWin32Api::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                     std::uint32_t shareMode,
                                     SECURITY_ATTRIBUTES* securityAttributes,
                                     std::uint32_t creationDisposition,
                                     std::uint32_t flagsAndAttributes, HANDLE templateFile) {
  if (beforeOpen) beforeOpen(fileName);
  const HANDLE handle = Win32HidApi::CreateFileA(fileName, desiredAccess, shareMode,
                                                 securityAttributes, creationDisposition,
                                                 flagsAndAttributes, templateFile);
  if (handle != kInvalidHandleValue) {
    std::lock_guard lock(mutex);
    open.insert(handle);
  }
  return handle;
}

BOOL CountingWin32Api::CloseHandle(HANDLE object) {
  {
    std::lock_guard lock(mutex);
    open.erase(object);
  }
  return Win32HidApi::CloseHandle(object);
}

BOOL CountingWin32Api::ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                                std::uint32_t* bytesRead, std::uint32_t timeoutMs) {
  const BOOL read = Win32HidApi::ReadFile(device, buffer, bytesToRead, bytesRead, timeoutMs);
  if (read != 0) ++reportsRead;
  return read;
}

void UnderWine::SetUp() {
  // winebus finds a node some time after the kernel made it. When it never
  // did, the later scenarios fail at once rather than wait again.
  static bool neverListed = false;
  ASSERT_FALSE(neverListed) << "Wine did not list the board and the pad";
  const bool listed = WaitUntil(
      [&] { return !PathOf(kMakerVendorID).empty() && !PathOf(kPadVendor).empty(); },
      std::chrono::seconds(60));
  neverListed = !listed;
  ASSERT_TRUE(listed) << "Wine does not list the board and the pad";
  Remark();
}

void UnderWine::TearDown() { EXPECT_EQ(api.open.size(), 0u) << "handles left open"; }

std::vector<UnderWine::Interface> UnderWine::Interfaces() {
  std::vector<Interface> found;
  DeviceLink link(api, kConfigVariant);
  link.GetHidGuid();
  link.WalkInterfaces([&] {
    Interface entry{link.DevicePath.c_str(), {}};
    if (link.OpenDeviceHandle(kGenericRead)) {
      if (link.ReadAttributes()) entry.attributes = link.Attributes;
      link.CloseDeviceHandle();
    }
    found.push_back(entry);
    return false;
  });
  return found;
}

std::string UnderWine::PathOf(std::uint16_t vendor) {
  for (const auto& entry : Interfaces()) {
    if (entry.attributes.VendorID == vendor) return entry.path;
  }
  return "";
}

std::optional<std::string> ReadString(HidApi& api, HANDLE handle, StringRequest request) {
  StringBuffer buffer{};
  if ((api.*request)(handle, buffer.data(), kStringRequestLength) == 0) return std::nullopt;
  return HidStringToText(buffer);
}

}  // namespace tq::winetest
