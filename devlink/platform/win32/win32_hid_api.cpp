#include "devlink/platform/win32/win32_hid_api.h"

#include <windows.h>
#include <setupapi.h>

// hid.dll's headers carry no C++ linkage of their own.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <cstddef>

// The device link hands its own records to Windows as they are, so each must
// have the layout of the real one in this build: same size, every member the
// device link reads or writes at the same offset.
#define TQ_SAME_MEMBER(record, member) \
  static_assert(offsetof(tq::record, member) == offsetof(::record, member), #record "::" #member)

static_assert(sizeof(tq::GUID) == sizeof(::GUID));
static_assert(offsetof(tq::GUID, Data4) == offsetof(::GUID, Data4));

static_assert(sizeof(tq::SP_DEVICE_INTERFACE_DATA) == sizeof(::SP_DEVICE_INTERFACE_DATA));
TQ_SAME_MEMBER(SP_DEVICE_INTERFACE_DATA, InterfaceClassGuid);
TQ_SAME_MEMBER(SP_DEVICE_INTERFACE_DATA, Flags);
TQ_SAME_MEMBER(SP_DEVICE_INTERFACE_DATA, Reserved);

static_assert(sizeof(tq::SECURITY_ATTRIBUTES) == sizeof(::SECURITY_ATTRIBUTES));
TQ_SAME_MEMBER(SECURITY_ATTRIBUTES, lpSecurityDescriptor);
TQ_SAME_MEMBER(SECURITY_ATTRIBUTES, bInheritHandle);

static_assert(sizeof(tq::HIDD_ATTRIBUTES) == sizeof(::HIDD_ATTRIBUTES));
TQ_SAME_MEMBER(HIDD_ATTRIBUTES, VendorID);
TQ_SAME_MEMBER(HIDD_ATTRIBUTES, ProductID);
TQ_SAME_MEMBER(HIDD_ATTRIBUTES, VersionNumber);

static_assert(sizeof(tq::HIDP_CAPS) == sizeof(::HIDP_CAPS));
TQ_SAME_MEMBER(HIDP_CAPS, InputReportByteLength);
TQ_SAME_MEMBER(HIDP_CAPS, FeatureReportByteLength);
TQ_SAME_MEMBER(HIDP_CAPS, NumberFeatureDataIndices);

// The detail record: its size field holds the record's own size, and the
// path follows the field directly.
static_assert(tq::kDetailDataSizeField == sizeof(::SP_DEVICE_INTERFACE_DETAIL_DATA_A));
static_assert(tq::kDetailPathOffset == offsetof(::SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath));

static_assert(tq::kGenericRead == GENERIC_READ && tq::kGenericWrite == GENERIC_WRITE);
static_assert(tq::kFileShareRead == FILE_SHARE_READ && tq::kFileShareWrite == FILE_SHARE_WRITE);
static_assert(tq::kOpenExisting == OPEN_EXISTING);
static_assert(tq::kFileFlagOverlapped == FILE_FLAG_OVERLAPPED);
static_assert(tq::kDigcfPresent == DIGCF_PRESENT && tq::kDigcfDeviceInterface == DIGCF_DEVICEINTERFACE);
static_assert(tq::kHidpStatusSuccess == HIDP_STATUS_SUCCESS);
static_assert(sizeof(tq::HANDLE) == sizeof(::HANDLE) && sizeof(tq::HDEVINFO) == sizeof(::HDEVINFO));
static_assert(sizeof(tq::PHIDP_PREPARSED_DATA) == sizeof(::PHIDP_PREPARSED_DATA));

#undef TQ_SAME_MEMBER

namespace tq {
namespace {

::HANDLE Native(HANDLE handle) { return reinterpret_cast<::HANDLE>(handle); }
HANDLE Portable(::HANDLE handle) { return reinterpret_cast<HANDLE>(handle); }
::HDEVINFO NativeSet(HDEVINFO set) { return reinterpret_cast<::HDEVINFO>(set); }
const ::GUID* Native(const GUID* guid) { return reinterpret_cast<const ::GUID*>(guid); }

// hid.dll answers in BOOLEAN, one byte; the seam speaks the 32-bit BOOL.
BOOL Widen(BOOLEAN result) { return result ? 1 : 0; }

}  // namespace

void Win32HidApi::HidD_GetHidGuid(GUID* hidGuid) {
  ::HidD_GetHidGuid(reinterpret_cast<::GUID*>(hidGuid));
}

HDEVINFO Win32HidApi::SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                           std::uintptr_t hwndParent, std::uint32_t flags) {
  return reinterpret_cast<HDEVINFO>(::SetupDiGetClassDevsA(
      Native(classGuid), enumerator, reinterpret_cast<::HWND>(hwndParent), flags));
}

BOOL Win32HidApi::SetupDiEnumDeviceInterfaces(HDEVINFO deviceInfoSet, void* deviceInfoData,
                                              const GUID* interfaceClassGuid,
                                              std::uint32_t memberIndex,
                                              SP_DEVICE_INTERFACE_DATA* deviceInterfaceData) {
  return ::SetupDiEnumDeviceInterfaces(
      NativeSet(deviceInfoSet), static_cast<::PSP_DEVINFO_DATA>(deviceInfoData),
      Native(interfaceClassGuid), memberIndex,
      reinterpret_cast<::PSP_DEVICE_INTERFACE_DATA>(deviceInterfaceData));
}

BOOL Win32HidApi::SetupDiGetDeviceInterfaceDetailA(HDEVINFO deviceInfoSet,
                                                   SP_DEVICE_INTERFACE_DATA* deviceInterfaceData,
                                                   std::uint8_t* detail, std::uint32_t detailSize,
                                                   std::uint32_t* requiredSize,
                                                   void* deviceInfoData) {
  // DWORD is unsigned long here, a type of its own; the size travels through
  // one so that nothing writes a uint32_t through a foreign pointer type.
  DWORD required = requiredSize ? *requiredSize : 0;
  const BOOL result = ::SetupDiGetDeviceInterfaceDetailA(
      NativeSet(deviceInfoSet), reinterpret_cast<::PSP_DEVICE_INTERFACE_DATA>(deviceInterfaceData),
      reinterpret_cast<::PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(detail), detailSize,
      requiredSize ? &required : nullptr, static_cast<::PSP_DEVINFO_DATA>(deviceInfoData));
  if (requiredSize) *requiredSize = required;
  return result;
}

BOOL Win32HidApi::SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet) {
  return ::SetupDiDestroyDeviceInfoList(NativeSet(deviceInfoSet));
}

HANDLE Win32HidApi::CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                                std::uint32_t shareMode, SECURITY_ATTRIBUTES* securityAttributes,
                                std::uint32_t creationDisposition,
                                std::uint32_t flagsAndAttributes, HANDLE templateFile) {
  return Portable(::CreateFileA(fileName, desiredAccess, shareMode,
                                reinterpret_cast<::LPSECURITY_ATTRIBUTES>(securityAttributes),
                                creationDisposition, flagsAndAttributes, Native(templateFile)));
}

BOOL Win32HidApi::CloseHandle(HANDLE object) { return ::CloseHandle(Native(object)); }

std::uint32_t Win32HidApi::GetLastError() { return ::GetLastError(); }

BOOL Win32HidApi::HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) {
  return Widen(
      ::HidD_GetAttributes(Native(device), reinterpret_cast<::PHIDD_ATTRIBUTES>(attributes)));
}

BOOL Win32HidApi::HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                                        std::uint32_t bufferLength) {
  return Widen(::HidD_GetIndexedString(Native(device), stringIndex, buffer, bufferLength));
}

BOOL Win32HidApi::HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                             std::uint32_t bufferLength) {
  return Widen(::HidD_GetSerialNumberString(Native(device), buffer, bufferLength));
}

BOOL Win32HidApi::HidD_GetManufacturerString(HANDLE device, void* buffer,
                                             std::uint32_t bufferLength) {
  return Widen(::HidD_GetManufacturerString(Native(device), buffer, bufferLength));
}

BOOL Win32HidApi::HidD_GetProductString(HANDLE device, void* buffer, std::uint32_t bufferLength) {
  return Widen(::HidD_GetProductString(Native(device), buffer, bufferLength));
}

BOOL Win32HidApi::HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) {
  // The reference is a pointer on Windows and a plain number in the seam.
  ::PHIDP_PREPARSED_DATA data =
      preparsedData ? reinterpret_cast<::PHIDP_PREPARSED_DATA>(*preparsedData) : nullptr;
  const BOOL result = Widen(::HidD_GetPreparsedData(Native(device), &data));
  if (preparsedData) *preparsedData = reinterpret_cast<PHIDP_PREPARSED_DATA>(data);
  return result;
}

NTSTATUS Win32HidApi::HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) {
  return ::HidP_GetCaps(reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData),
                        reinterpret_cast<::PHIDP_CAPS>(capabilities));
}

BOOL Win32HidApi::HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) {
  return Widen(::HidD_FreePreparsedData(reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData)));
}

BOOL Win32HidApi::HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  return Widen(::HidD_GetFeature(Native(device), reportBuffer, length));
}

BOOL Win32HidApi::HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  return Widen(::HidD_SetFeature(Native(device), reportBuffer, length));
}

}  // namespace tq
