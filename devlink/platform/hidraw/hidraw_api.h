// HidApi over Linux: the kernel's hidraw nodes for enumeration, attributes,
// capabilities and feature reports; sysfs for the USB device's release and
// strings; the USB device's usbfs node for strings by index. No daemon and
// no library beyond the kernel headers.
//
// Results follow Windows: the present interfaces are the hidraw nodes in
// node-number order, each path is the node under the /dev root, and handles,
// device-information sets and preparsed data are tokens that are never 0 nor
// kInvalidHandleValue and are not reused within one object's life. Every
// call completes before it returns, whatever flags a handle was opened with.
//
// Access: the hidraw nodes of an accepted board and its usbfs node must be
// open to the user (the udev rule in packaging/linux does that for the
// logged-in user); other hidraw nodes usually are not, and their opens fail
// as they would for a device Windows holds exclusively.
//
// Input reports come from read on the node: hidraw hands a report with its
// ID byte when the device numbers its reports and without one otherwise,
// and ReadFile puts a 0 in front then, as Windows delivers them. HidP_*
// answer from the node's report descriptor as Windows' parser reads it
// (devlink/report_descriptor).
//
// One object serves the window's thread, and ReadFile may run on another
// thread at the same time, on a handle only that thread uses: a mutex keeps
// the tables, and a read waits without holding it. GetLastError is per
// thread, as on Windows.
#pragma once

#include <memory>
#include <string>

#include "devlink/hid_api.h"

namespace tq {

namespace hidraw {
class KernelCalls;
}

class HidrawApi final : public HidApi {
 public:
  explicit HidrawApi(std::string sysRoot = "/sys", std::string devRoot = "/dev");
  // With other system calls behind the device nodes; `kernel` must outlive
  // this object.
  HidrawApi(std::string sysRoot, std::string devRoot, hidraw::KernelCalls& kernel);
  // Closes whatever handles are still open.
  ~HidrawApi() override;
  HidrawApi(const HidrawApi&) = delete;
  HidrawApi& operator=(const HidrawApi&) = delete;

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
  // The failed open's errno as its Windows code: EACCES and EPERM
  // kErrorAccessDenied, ENOENT and ENODEV kErrorFileNotFound, EBUSY
  // kErrorSharingViolation.
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

  // poll and read on the node: kErrorTimeout when nothing came in time,
  // kErrorDeviceNotConnected once the device is gone and its queue empty.
  BOOL ReadFile(HANDLE device, void* buffer, std::uint32_t bytesToRead,
                std::uint32_t* bytesRead, std::uint32_t timeoutMs) override;
  BOOL HidD_GetInputReport(HANDLE device, void* reportBuffer, std::uint32_t length) override;
  BOOL HidD_GetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) override;
  BOOL HidD_SetFeature(HANDLE device, void* reportBuffer, std::uint32_t length) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tq
