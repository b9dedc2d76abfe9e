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
// ReadFile's timeout that never runs out (INFINITE).
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
// hid.dll's results (HIDP_STATUS_*), as Windows defines them.
inline constexpr NTSTATUS kHidpStatusSuccess = 0x00110000;
inline constexpr NTSTATUS kHidpStatusInvalidPreparsedData = static_cast<NTSTATUS>(0xC0110001u);
inline constexpr NTSTATUS kHidpStatusInvalidReportType = static_cast<NTSTATUS>(0xC0110002u);
inline constexpr NTSTATUS kHidpStatusInvalidReportLength = static_cast<NTSTATUS>(0xC0110003u);
inline constexpr NTSTATUS kHidpStatusUsageNotFound = static_cast<NTSTATUS>(0xC0110004u);
inline constexpr NTSTATUS kHidpStatusValueOutOfRange = static_cast<NTSTATUS>(0xC0110005u);
inline constexpr NTSTATUS kHidpStatusBufferTooSmall = static_cast<NTSTATUS>(0xC0110007u);
inline constexpr NTSTATUS kHidpStatusIncompatibleReportId = static_cast<NTSTATUS>(0xC011000Au);
inline constexpr NTSTATUS kHidpStatusReportDoesNotExist = static_cast<NTSTATUS>(0xC0110010u);
// GetLastError codes the programs tell apart.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
// WAIT_TIMEOUT: what the Windows backend's wait for an overlapped read
// returns when no report came in time; the read is cancelled and the code
// left as the thread's last error.
inline constexpr std::uint32_t kErrorTimeout = 258;
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;
// A read buffer shorter than the device's InputReportByteLength.
inline constexpr std::uint32_t kErrorInvalidUserBuffer = 1784;

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

using USAGE = std::uint16_t;

enum HIDP_REPORT_TYPE : std::int32_t { HidP_Input = 0, HidP_Output = 1, HidP_Feature = 2 };

// The two views of a capability's usages, strings, designators and data
// indices: a range, or one of each (the second member of each pair unused).
// Plain members, so the unions holding them stay trivial; the records
// zero them.
struct HIDP_RANGE {
  USAGE UsageMin, UsageMax;
  std::uint16_t StringMin, StringMax;
  std::uint16_t DesignatorMin, DesignatorMax;
  std::uint16_t DataIndexMin, DataIndexMax;
};
struct HIDP_NOT_RANGE {
  USAGE Usage, Reserved1;
  std::uint16_t StringIndex, Reserved2;
  std::uint16_t DesignatorIndex, Reserved3;
  std::uint16_t DataIndex, Reserved4;
};

// Windows' records member for member (72 bytes each); the union holds Range
// when IsRange is set, NotRange otherwise.
struct HIDP_BUTTON_CAPS {
  USAGE UsagePage = 0;
  std::uint8_t ReportID = 0;
  std::uint8_t IsAlias = 0;
  std::uint16_t BitField = 0;
  std::uint16_t LinkCollection = 0;
  USAGE LinkUsage = 0;
  USAGE LinkUsagePage = 0;
  std::uint8_t IsRange = 0;
  std::uint8_t IsStringRange = 0;
  std::uint8_t IsDesignatorRange = 0;
  std::uint8_t IsAbsolute = 0;
  std::uint16_t ReportCount = 0;
  std::uint16_t Reserved2 = 0;
  std::uint32_t Reserved[9] = {};
  union {
    HIDP_RANGE Range;
    HIDP_NOT_RANGE NotRange{};
  };
};

struct HIDP_VALUE_CAPS {
  USAGE UsagePage = 0;
  std::uint8_t ReportID = 0;
  std::uint8_t IsAlias = 0;
  std::uint16_t BitField = 0;
  std::uint16_t LinkCollection = 0;
  USAGE LinkUsage = 0;
  USAGE LinkUsagePage = 0;
  std::uint8_t IsRange = 0;
  std::uint8_t IsStringRange = 0;
  std::uint8_t IsDesignatorRange = 0;
  std::uint8_t IsAbsolute = 0;
  std::uint8_t HasNull = 0;
  std::uint8_t Reserved = 0;
  std::uint16_t BitSize = 0;
  std::uint16_t ReportCount = 0;
  std::uint16_t Reserved2[5] = {};
  std::uint32_t UnitsExp = 0;
  std::uint32_t Units = 0;
  std::int32_t LogicalMin = 0, LogicalMax = 0;
  std::int32_t PhysicalMin = 0, PhysicalMax = 0;
  union {
    HIDP_RANGE Range;
    HIDP_NOT_RANGE NotRange{};
  };
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
  // Why the last failed CreateFileA or ReadFile of the calling thread
  // failed, as Windows keeps it per thread; 0 where the backend cannot tell.
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

  // The next input report, byte 0 its report ID (0 on a device that numbers
  // none), zero-filled to the device's InputReportByteLength, which
  // bytesToRead must reach. Waits at most timeoutMs for it, as the Windows
  // backend's overlapped read does; fails with GetLastError() kErrorTimeout
  // when none came, kErrorDeviceNotConnected once the device is gone.
  // May run on a thread of its own, on a handle only that thread uses,
  // while another thread makes the other calls: every backend allows that
  // (hidraw and the emulator by a mutex over their tables, released while a
  // read waits).
  virtual BOOL ReadFile(HANDLE /*device*/, void* /*buffer*/, std::uint32_t /*bytesToRead*/,
                        std::uint32_t* /*bytesRead*/, std::uint32_t /*timeoutMs*/) {
    return 0;
  }

  // The input report the device holds now, asked of it over its control
  // pipe rather than waited for: byte 0 names the report ID on entry (0 on a
  // device that numbers none), and length, which counts it, is the device's
  // InputReportByteLength. A device that does not answer fails it, as does
  // the Windows backend, which does not ask (win32_hid_api.h says why).
  virtual BOOL HidD_GetInputReport(HANDLE /*device*/, void* /*reportBuffer*/,
                                   std::uint32_t /*length*/) {
    return 0;
  }

  // Each capability of a report type (HidP_GetButtonCaps: buttons and
  // arrays; HidP_GetValueCaps: the rest), in the order hid.dll gives them.
  // length holds the room on entry and the number there is on return:
  // kHidpStatusBufferTooSmall when it did not fit (the first `length` were
  // written), kHidpStatusUsageNotFound when there is none.
  virtual NTSTATUS HidP_GetButtonCaps(HIDP_REPORT_TYPE /*reportType*/,
                                      HIDP_BUTTON_CAPS* /*buttonCaps*/,
                                      std::uint16_t* /*buttonCapsLength*/,
                                      PHIDP_PREPARSED_DATA /*preparsedData*/) {
    return kHidpStatusInvalidPreparsedData;
  }
  virtual NTSTATUS HidP_GetValueCaps(HIDP_REPORT_TYPE /*reportType*/,
                                     HIDP_VALUE_CAPS* /*valueCaps*/,
                                     std::uint16_t* /*valueCapsLength*/,
                                     PHIDP_PREPARSED_DATA /*preparsedData*/) {
    return kHidpStatusInvalidPreparsedData;
  }
  // The buttons of usagePage that are on in a report of exactly the type's
  // report length (linkCollection 0: any collection).
  virtual NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE /*reportType*/, USAGE /*usagePage*/,
                                  std::uint16_t /*linkCollection*/, USAGE* /*usageList*/,
                                  std::uint32_t* /*usageLength*/,
                                  PHIDP_PREPARSED_DATA /*preparsedData*/, char* /*report*/,
                                  std::uint32_t /*reportLength*/) {
    return kHidpStatusInvalidPreparsedData;
  }
  // The raw (unscaled, unsigned) value of one usage in a report.
  virtual NTSTATUS HidP_GetUsageValue(HIDP_REPORT_TYPE /*reportType*/, USAGE /*usagePage*/,
                                      std::uint16_t /*linkCollection*/, USAGE /*usage*/,
                                      std::uint32_t* /*usageValue*/,
                                      PHIDP_PREPARSED_DATA /*preparsedData*/, char* /*report*/,
                                      std::uint32_t /*reportLength*/) {
    return kHidpStatusInvalidPreparsedData;
  }

  // Byte 0 of the buffer is the report ID; length counts it.
  virtual BOOL HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) = 0;
  virtual BOOL HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) = 0;
};

}  // namespace tq
