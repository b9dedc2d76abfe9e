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

// hid.dll fills the caller's caps records in place: same layout, member
// for member (ReportCount of the button record lies in what MinGW's header
// still calls Reserved).
static_assert(sizeof(tq::HIDP_BUTTON_CAPS) == sizeof(::HIDP_BUTTON_CAPS));
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, ReportID);
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, BitField);
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, LinkCollection);
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, LinkUsage);
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, LinkUsagePage);
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, IsRange);
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, IsAbsolute);
TQ_SAME_MEMBER(HIDP_BUTTON_CAPS, Range);
static_assert(offsetof(tq::HIDP_BUTTON_CAPS, ReportCount) == offsetof(::HIDP_BUTTON_CAPS, Reserved));
static_assert(sizeof(tq::HIDP_VALUE_CAPS) == sizeof(::HIDP_VALUE_CAPS));
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, ReportID);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, BitField);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, LinkCollection);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, LinkUsagePage);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, IsAbsolute);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, HasNull);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, BitSize);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, ReportCount);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, UnitsExp);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, Units);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, LogicalMin);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, PhysicalMax);
TQ_SAME_MEMBER(HIDP_VALUE_CAPS, Range);
static_assert(sizeof(tq::HIDP_RANGE) == 16 && sizeof(tq::HIDP_NOT_RANGE) == 16);
static_assert(int{tq::HidP_Input} == int{::HidP_Input} &&
              int{tq::HidP_Output} == int{::HidP_Output} &&
              int{tq::HidP_Feature} == int{::HidP_Feature});
static_assert(tq::kHidpStatusInvalidPreparsedData == HIDP_STATUS_INVALID_PREPARSED_DATA);
static_assert(tq::kHidpStatusInvalidReportType == HIDP_STATUS_INVALID_REPORT_TYPE);
static_assert(tq::kHidpStatusInvalidReportLength == HIDP_STATUS_INVALID_REPORT_LENGTH);
static_assert(tq::kHidpStatusUsageNotFound == HIDP_STATUS_USAGE_NOT_FOUND);
static_assert(tq::kHidpStatusValueOutOfRange == HIDP_STATUS_VALUE_OUT_OF_RANGE);
static_assert(tq::kHidpStatusBufferTooSmall == HIDP_STATUS_BUFFER_TOO_SMALL);
static_assert(tq::kHidpStatusIncompatibleReportId == HIDP_STATUS_INCOMPATIBLE_REPORT_ID);
static_assert(tq::kHidpStatusReportDoesNotExist == HIDP_STATUS_REPORT_DOES_NOT_EXIST);
static_assert(tq::kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(tq::kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(tq::kErrorTimeout == WAIT_TIMEOUT);
static_assert(tq::kErrorDeviceNotConnected == ERROR_DEVICE_NOT_CONNECTED);
static_assert(tq::kErrorInvalidUserBuffer == ERROR_INVALID_USER_BUFFER);

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

NTSTATUS Win32HidApi::HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType,
                                         HIDP_BUTTON_CAPS* buttonCaps,
                                         std::uint16_t* buttonCapsLength,
                                         PHIDP_PREPARSED_DATA preparsedData) {
  return ::HidP_GetButtonCaps(static_cast<::HIDP_REPORT_TYPE>(reportType),
                              reinterpret_cast<::PHIDP_BUTTON_CAPS>(buttonCaps), buttonCapsLength,
                              reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData));
}

NTSTATUS Win32HidApi::HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                                        std::uint16_t* valueCapsLength,
                                        PHIDP_PREPARSED_DATA preparsedData) {
  return ::HidP_GetValueCaps(static_cast<::HIDP_REPORT_TYPE>(reportType),
                             reinterpret_cast<::PHIDP_VALUE_CAPS>(valueCaps), valueCapsLength,
                             reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData));
}

NTSTATUS Win32HidApi::HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                     std::uint16_t linkCollection, USAGE* usageList,
                                     std::uint32_t* usageLength,
                                     PHIDP_PREPARSED_DATA preparsedData, char* report,
                                     std::uint32_t reportLength) {
  // ULONG is a type of its own here, as DWORD is.
  ULONG length = usageLength ? *usageLength : 0;
  const NTSTATUS status = ::HidP_GetUsages(
      static_cast<::HIDP_REPORT_TYPE>(reportType), usagePage, linkCollection, usageList,
      usageLength ? &length : nullptr, reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData),
      report, reportLength);
  if (usageLength) *usageLength = length;
  return status;
}

NTSTATUS Win32HidApi::HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                                         std::uint16_t linkCollection, USAGE usage,
                                         std::uint32_t* usageValue,
                                         PHIDP_PREPARSED_DATA preparsedData, char* report,
                                         std::uint32_t reportLength) {
  ULONG value = usageValue ? *usageValue : 0;
  const NTSTATUS status = ::HidP_GetUsageValue(
      static_cast<::HIDP_REPORT_TYPE>(reportType), usagePage, linkCollection, usage,
      usageValue ? &value : nullptr, reinterpret_cast<::PHIDP_PREPARSED_DATA>(preparsedData),
      report, reportLength);
  if (usageValue) *usageValue = value;
  return status;
}

BOOL Win32HidApi::ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                           std::uint32_t* bytesRead, std::uint32_t timeoutMs) {
  if (bytesRead) *bytesRead = 0;
  OVERLAPPED overlapped{};
  overlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return 0;
  DWORD got = 0;
  BOOL done = ::ReadFile(Native(device), buffer, bytesToRead, &got, &overlapped);
  DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
  if (!done && error == ERROR_IO_PENDING) {
    const DWORD wait = ::WaitForSingleObject(overlapped.hEvent, timeoutMs);
    if (wait != WAIT_OBJECT_0) ::CancelIo(Native(device));
    // After a cancel this waits for the read to end; a report that came in
    // the meantime still counts.
    done = ::GetOverlappedResult(Native(device), &overlapped, &got, TRUE);
    error = done ? ERROR_SUCCESS : ::GetLastError();
    if (!done && error == ERROR_OPERATION_ABORTED && wait == WAIT_TIMEOUT) error = WAIT_TIMEOUT;
  }
  ::CloseHandle(overlapped.hEvent);
  if (done && bytesRead) *bytesRead = got;
  ::SetLastError(error);
  return done ? 1 : 0;
}

BOOL Win32HidApi::HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  return Widen(::HidD_GetFeature(Native(device), reportBuffer, length));
}

BOOL Win32HidApi::HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) {
  return Widen(::HidD_SetFeature(Native(device), reportBuffer, length));
}

}  // namespace tq
