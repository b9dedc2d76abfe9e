// The platform's HID operations, one virtual per Windows call, with the same
// names, argument order and results. The Windows backend passes them straight
// through; other backends reproduce the Windows results and effects, so the
// device link reads exactly like the Windows program it is.
//
// Windows' own headers define many of these names as macros
// (INVALID_HANDLE_VALUE, GENERIC_READ, ...), so the constants here carry a
// k prefix and the records live in namespace tq.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tq {

using BOOL = std::int32_t;
using NTSTATUS = std::int32_t;
using HANDLE = std::uintptr_t;
using HDEVINFO = std::uintptr_t;
using PHIDP_PREPARSED_DATA = std::uintptr_t;

// All bits set, as on Windows; both the device-information set and the
// file handle report failure with it.
inline constexpr HANDLE kInvalidHandleValue = ~HANDLE{0};

inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x00000001u;
inline constexpr std::uint32_t kFileShareWrite = 0x00000002u;
inline constexpr std::uint32_t kOpenExisting = 3u;
inline constexpr std::uint32_t kFileFlagOverlapped = 0x40000000u;
inline constexpr std::uint32_t kDigcfPresent = 0x00000002u;
inline constexpr std::uint32_t kDigcfDeviceInterface = 0x00000010u;
inline constexpr NTSTATUS kHidpStatusSuccess = 0x00110000;
// GetLastError codes the programs tell apart.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
  friend bool operator==(const GUID&, const GUID&) = default;
};

// The HID device-interface class, {4D1E55B2-F16F-11CF-88CB-001111000030}.
inline constexpr GUID kHidInterfaceClass{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// Same member layout as the Windows records, so their sizes are those of the
// build's word size (SP_DEVICE_INTERFACE_DATA: 28 bytes on 32-bit, 32 on
// 64-bit; SECURITY_ATTRIBUTES: 12 or 24).
struct SP_DEVICE_INTERFACE_DATA {
  std::uint32_t cbSize = 0;
  GUID InterfaceClassGuid;
  std::uint32_t Flags = 0;
  std::uintptr_t Reserved = 0;
};

struct SECURITY_ATTRIBUTES {
  std::uint32_t nLength = 0;
  void* lpSecurityDescriptor = nullptr;
  BOOL bInheritHandle = 0;
};

struct HIDD_ATTRIBUTES {
  std::uint32_t Size = 0;
  std::uint16_t VendorID = 0;
  std::uint16_t ProductID = 0;
  std::uint16_t VersionNumber = 0;
};

struct HIDP_CAPS {
  std::uint16_t Usage = 0;
  std::uint16_t UsagePage = 0;
  std::uint16_t InputReportByteLength = 0;
  std::uint16_t OutputReportByteLength = 0;
  std::uint16_t FeatureReportByteLength = 0;
  std::uint16_t Reserved[17] = {};
  std::uint16_t NumberLinkCollectionNodes = 0;
  std::uint16_t NumberInputButtonCaps = 0;
  std::uint16_t NumberInputValueCaps = 0;
  std::uint16_t NumberInputDataIndices = 0;
  std::uint16_t NumberOutputButtonCaps = 0;
  std::uint16_t NumberOutputValueCaps = 0;
  std::uint16_t NumberOutputDataIndices = 0;
  std::uint16_t NumberFeatureButtonCaps = 0;
  std::uint16_t NumberFeatureValueCaps = 0;
  std::uint16_t NumberFeatureDataIndices = 0;
};

// The value SP_DEVICE_INTERFACE_DETAIL_DATA_A's size field must hold: the
// record is a DWORD and one CHAR, packed to 5 bytes on 32-bit and padded to
// 8 on 64-bit Windows.
inline constexpr std::uint32_t kDetailDataSizeField = sizeof(void*) == 8 ? 8u : 5u;
// The detail record's path starts right after its 4-byte size field.
inline constexpr std::size_t kDetailPathOffset = 4;

class HidApi {
 public:
  virtual ~HidApi() = default;

  virtual void HidD_GetHidGuid(GUID* hidGuid) = 0;

  virtual HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                        std::uintptr_t hwndParent, std::uint32_t flags) = 0;
  virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO deviceInfoSet, void* deviceInfoData,
                                           const GUID* interfaceClassGuid,
                                           std::uint32_t memberIndex,
                                           SP_DEVICE_INTERFACE_DATA* deviceInterfaceData) = 0;
  // detail may be null with detailSize 0: then only requiredSize is filled
  // and the call fails, as on Windows.
  virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO deviceInfoSet,
                                                SP_DEVICE_INTERFACE_DATA* deviceInterfaceData,
                                                std::uint8_t* detail, std::uint32_t detailSize,
                                                std::uint32_t* requiredSize,
                                                void* deviceInfoData) = 0;
  virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet) = 0;

  virtual HANDLE CreateFileA(const char* fileName, std::uint32_t desiredAccess,
                             std::uint32_t shareMode, SECURITY_ATTRIBUTES* securityAttributes,
                             std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes,
                             HANDLE templateFile) = 0;
  virtual BOOL CloseHandle(HANDLE object) = 0;
  // Why the last failed CreateFileA failed; 0 where the backend cannot tell.
  virtual std::uint32_t GetLastError() { return 0; }

  virtual BOOL HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) = 0;
  // Strings arrive as UTF-16LE bytes, zero-terminated when the terminator
  // still fits. A buffer too small for the string itself makes the call fail
  // and leaves the buffer untouched.
  virtual BOOL HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                                     std::uint32_t bufferLength) = 0;
  virtual BOOL HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                          std::uint32_t bufferLength) = 0;
  virtual BOOL HidD_GetManufacturerString(HANDLE device, void* buffer,
                                          std::uint32_t bufferLength) = 0;
  virtual BOOL HidD_GetProductString(HANDLE device, void* buffer,
                                     std::uint32_t bufferLength) = 0;

  virtual BOOL HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) = 0;
  virtual NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) = 0;
  virtual BOOL HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) = 0;

  // Byte 0 of the buffer is the report ID; length counts it.
  virtual BOOL HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) = 0;
  virtual BOOL HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) = 0;
};

}  // namespace tq
