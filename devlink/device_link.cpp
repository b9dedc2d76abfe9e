#include <algorithm>
#include <string_view>

#include "devlink/device_link.h"
#include "devlink/feature_report.h"

namespace tq {
namespace {

constexpr std::uint32_t kShareReadWrite = kFileShareRead | kFileShareWrite;
constexpr std::string_view kProductTags[] = {"TQ5271A", "TQ5271X"};
// A device path longer than this is not a path; the interface is skipped.
constexpr std::uint32_t kMaxDetailSize = 65536;

}  // namespace

DeviceLink::DeviceLink(HidApi& api, const BoardVariant& variant) : api_(api), variant_(variant) {}

void DeviceLink::RecordHandle(HANDLE handle) {
  // The result field is 32 bits wide, like the handle-sized results it
  // receives on a 32-bit build.
  LastResult = static_cast<std::int32_t>(static_cast<std::uint32_t>(handle & 0xFFFFFFFFu));
}

void DeviceLink::GetHidGuid() { api_.HidD_GetHidGuid(&HidClassGuid); }

bool DeviceLink::WalkInterfaces(const std::function<bool()>& visit) {
  LastInterface = false;
  HandleSecurity = SECURITY_ATTRIBUTES{};
  HandleSecurity.nLength = sizeof(SECURITY_ATTRIBUTES);
  HandleSecurity.lpSecurityDescriptor = nullptr;
  HandleSecurity.bInheritHandle = 1;
  if (variant_.productTagTest) {
    TagBuffer.fill(0);
    SerialBuffer.fill(0);
  }

  const HDEVINFO set = api_.SetupDiGetClassDevsA(&HidClassGuid, nullptr, 0,
                                                 kDigcfPresent | kDigcfDeviceInterface);
  RecordHandle(set);
  if (set == kInvalidHandleValue) return false;

  for (std::uint32_t index = 0;; ++index) {
    InterfaceData = SP_DEVICE_INTERFACE_DATA{};
    InterfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
    Record(api_.SetupDiEnumDeviceInterfaces(set, nullptr, &HidClassGuid, index, &InterfaceData));
    if (LastResult == 0) {
      LastInterface = true;
      break;
    }

    DetailSize = 0;
    Record(api_.SetupDiGetDeviceInterfaceDetailA(set, &InterfaceData, nullptr, 0, &DetailSize,
                                                 nullptr));
    // A record with no room for its size field and a terminator, or longer
    // than any path, names nothing that could be opened; the platform would
    // read its size field past the end of a smaller buffer.
    if (DetailSize < kDetailPathOffset + 1 || DetailSize > kMaxDetailSize) continue;
    DetailBuffer.assign(std::size_t{DetailSize} + 1, 0);
    for (std::size_t i = 0; i < kDetailPathOffset; ++i) {
      DetailBuffer[i] = static_cast<std::uint8_t>(kDetailDataSizeField >> (8 * i));
    }
    Record(api_.SetupDiGetDeviceInterfaceDetailA(set, &InterfaceData, DetailBuffer.data(),
                                                 DetailSize, nullptr, nullptr));
    DevicePath.clear();
    for (std::size_t i = kDetailPathOffset; i < DetailBuffer.size() && DetailBuffer[i] != 0; ++i) {
      DevicePath += static_cast<char>(DetailBuffer[i]);
    }

    if (visit()) break;
  }

  Record(api_.SetupDiDestroyDeviceInfoList(set));
  return true;
}

bool DeviceLink::FindTheHid(const std::string& wantedSerial) {
  DeviceDetected = false;
  if (variant_.guidAtEverySearch) GetHidGuid();

  WalkInterfaces([&] {
    if (!OpenDeviceHandle(variant_.firstOpenAccess)) return false;
    if (!ReadAttributes()) {
      CloseDeviceHandle();
      return false;
    }
    if (!IsAcceptedBoard()) {
      DeviceDetected = false;
      CloseDeviceHandle();
      return false;
    }
    if (variant_.matchSerial) {
      std::string serial;
      if (!ReadSerialText(serial) || serial != wantedSerial) {
        CloseDeviceHandle();
        return false;
      }
    }
    DeviceDetected = true;
    return true;
  });

  if (!DeviceDetected) return false;
  ReadCapabilities();
  OverlappedHandle = Open(kGenericRead | kGenericWrite, kFileFlagOverlapped);
  return true;
}

HANDLE DeviceLink::Open(std::uint32_t access, std::uint32_t flags) {
  const HANDLE handle = api_.CreateFileA(DevicePath.c_str(), access, kShareReadWrite,
                                         &HandleSecurity, kOpenExisting, flags, 0);
  RecordHandle(handle);
  return handle;
}

bool DeviceLink::OpenDeviceHandle(std::uint32_t access) {
  DeviceHandle = Open(access, 0);
  return DeviceHandle != kInvalidHandleValue;
}

bool DeviceLink::ReadAttributes() {
  Attributes = HIDD_ATTRIBUTES{};
  Attributes.Size = sizeof(HIDD_ATTRIBUTES);
  Record(api_.HidD_GetAttributes(DeviceHandle, &Attributes));
  return LastResult != 0;
}

bool DeviceLink::HasProductTag() {
  // Cleared before every read, so a failed read cannot leave the tag of the
  // interface examined before this one.
  TagBuffer.fill(0);
  Record(api_.HidD_GetIndexedString(DeviceHandle, kProductTagIndex, TagBuffer.data(),
                                    kStringRequestLength));
  return std::ranges::any_of(kProductTags, [this](std::string_view tag) {
    for (std::size_t i = 0; i < tag.size(); ++i) {
      if (TagBuffer[2 * i] != static_cast<std::uint8_t>(tag[i])) return false;
    }
    return true;
  });
}

bool DeviceLink::IsAcceptedBoard() {
  const std::uint16_t vendor = Attributes.VendorID;
  if (variant_.productTagTest && (vendor == variant_.table->makerVendorId ||
                                  vendor == kSharedVendorID)) {
    if (HasProductTag()) return true;
  }
  return variant_.table->Accepts(vendor, Attributes.ProductID);
}

bool DeviceLink::ReadSerialText(std::string& text) {
  Record(api_.HidD_GetSerialNumberString(DeviceHandle, SerialBuffer.data(),
                                         kStringRequestLength));
  if (LastResult == 0) return false;
  text = HidStringToText(SerialBuffer);
  return true;
}

void DeviceLink::ReadCapabilities() {
  PHIDP_PREPARSED_DATA preparsed = 0;
  Record(api_.HidD_GetPreparsedData(DeviceHandle, &preparsed));
  if (LastResult == 0) return;
  LastResult = api_.HidP_GetCaps(preparsed, &Capabilities);
  Record(api_.HidD_FreePreparsedData(preparsed));
}

void DeviceLink::Close(HANDLE& handle) {
  if (handle == kInvalidHandleValue) return;
  Record(api_.CloseHandle(handle));
  handle = kInvalidHandleValue;
}

void DeviceLink::CloseDeviceHandle() { Close(DeviceHandle); }
void DeviceLink::CloseOverlappedHandle() { Close(OverlappedHandle); }

void DeviceLink::CloseBoard() {
  CloseDeviceHandle();
  CloseOverlappedHandle();
}

bool DeviceLink::SendSetReport(std::uint8_t address, std::uint8_t value) {
  std::vector<std::uint8_t> report = MakeSetReport(FeatureReportByteLength(), address, value);
  if (report.empty()) return false;
  Record(api_.HidD_SetFeature(DeviceHandle, report.data(),
                              static_cast<std::uint32_t>(report.size())));
  return LastResult != 0;
}

bool DeviceLink::GetFeature(std::vector<std::uint8_t>& buffer) {
  if (buffer.empty()) return false;
  Record(api_.HidD_GetFeature(DeviceHandle, buffer.data(),
                              static_cast<std::uint32_t>(buffer.size())));
  return LastResult != 0;
}

void DeviceLink::ReadSettingsPages(const PageHandler& onPage) {
  std::vector<std::uint8_t> page(FeatureReportByteLength(), 0);
  for (int request = 0; request < kPageRequests; ++request) {
    if (GetFeature(page)) onPage(page);
  }
}

std::optional<std::string> DeviceLink::ReadBoardString(StringRequest request) {
  StringBuffer buffer{};
  Record((api_.*request)(OverlappedHandle, buffer.data(), kStringRequestLength));
  if (LastResult == 0) return std::nullopt;
  return HidStringToText(buffer);
}

}  // namespace tq
