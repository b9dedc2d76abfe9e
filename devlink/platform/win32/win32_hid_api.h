// HidApi over the real SetupAPI, hid.dll and kernel32: every call goes
// straight to the Windows function of the same name. ReadFile is the
// overlapped read (ReadFile, WaitForSingleObject, CancelIo and
// GetOverlappedResult on timeout), so its handle must be opened with
// kFileFlagOverlapped; a handle opened without it reads synchronously and
// ignores the timeout. HidD_GetInputReport is the one call not passed on:
// under Wine 8 it held the monitor's reading thread, whose reads then came
// in bursts and measured pulses of 2 to 8 ms, so the Windows build leaves
// the standing state to the first report. The Windows headers stay in the
// .cpp, so a program's main can include this without them.
#pragma once

#include "devlink/hid_api.h"

namespace tq {

class Win32HidApi : public HidApi {
 public:
  void HidD_GetHidGuid(GUID* hidGuid) override;
  HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, const char* enumerator,
                                std::uintptr_t hwndParent, std::uint32_t flags) override;
  BOOL SetupDiEnumDeviceInterfaces(HDEVINFO deviceInfoSet, void* deviceInfoData,
                                   const GUID* interfaceClassGuid, std::uint32_t memberIndex,
                                   SP_DEVICE_INTERFACE_DATA* deviceInterfaceData) override;
  BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO deviceInfoSet,
                                        SP_DEVICE_INTERFACE_DATA* deviceInterfaceData,
                                        std::uint8_t* detail, std::uint32_t detailSize,
                                        std::uint32_t* requiredSize,
                                        void* deviceInfoData) override;
  BOOL SetupDiDestroyDeviceInfoList(HDEVINFO deviceInfoSet) override;
  HANDLE CreateFileA(const char* fileName, std::uint32_t desiredAccess, std::uint32_t shareMode,
                     SECURITY_ATTRIBUTES* securityAttributes, std::uint32_t creationDisposition,
                     std::uint32_t flagsAndAttributes, HANDLE templateFile) override;
  BOOL CloseHandle(HANDLE object) override;
  std::uint32_t GetLastError() override;
  BOOL HidD_GetAttributes(HANDLE device, HIDD_ATTRIBUTES* attributes) override;
  BOOL HidD_GetIndexedString(HANDLE device, std::uint32_t stringIndex, void* buffer,
                             std::uint32_t bufferLength) override;
  BOOL HidD_GetSerialNumberString(HANDLE device, void* buffer,
                                  std::uint32_t bufferLength) override;
  BOOL HidD_GetManufacturerString(HANDLE device, void* buffer,
                                  std::uint32_t bufferLength) override;
  BOOL HidD_GetProductString(HANDLE device, void* buffer, std::uint32_t bufferLength) override;
  BOOL HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsedData) override;
  NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA preparsedData, HIDP_CAPS* capabilities) override;
  BOOL HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsedData) override;
  NTSTATUS HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType, HIDP_BUTTON_CAPS* buttonCaps,
                              std::uint16_t* buttonCapsLength,
                              PHIDP_PREPARSED_DATA preparsedData) override;
  NTSTATUS HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                             std::uint16_t* valueCapsLength,
                             PHIDP_PREPARSED_DATA preparsedData) override;
  NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                          std::uint16_t linkCollection, USAGE* usageList,
                          std::uint32_t* usageLength, PHIDP_PREPARSED_DATA preparsedData,
                          char* report, std::uint32_t reportLength) override;
  NTSTATUS HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                              std::uint16_t linkCollection, USAGE usage,
                              std::uint32_t* usageValue, PHIDP_PREPARSED_DATA preparsedData,
                              char* report, std::uint32_t reportLength) override;
  BOOL ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t* bytesRead, std::uint32_t timeoutMs) override;
  BOOL HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) override;
  BOOL HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) override;
};

}  // namespace tq
