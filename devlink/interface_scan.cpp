#include "devlink/interface_scan.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tq {
namespace {

bool AcceptedVendor(std::uint16_t vendorId) {
  return vendorId == kMakerVendorID || vendorId == kSharedVendorID;
}

std::string WhyNotOpened(std::uint32_t error, const HostHints& hints) {
  switch (error) {
    case kErrorAccessDenied:
      return "cannot open: permission denied; " + hints.accessDeniedHint;
    case kErrorSharingViolation:
      return "cannot open: another program holds it exclusively";
    case kErrorFileNotFound:
      return "cannot open: it is gone (unplugged while listing?)";
    default:
      return "cannot open (error " + std::to_string(error) + ")";
  }
}

std::optional<std::string> ReadString(DeviceLink& link, DeviceLink::StringRequest request) {
  StringBuffer buffer{};
  if ((link.Api().*request)(link.DeviceHandle, buffer.data(), kStringRequestLength) == 0) {
    return std::nullopt;
  }
  return HidStringToText(buffer);
}

}  // namespace

const BoardVariant kScanVariant{
    .guidAtEverySearch = true,
    .firstOpenAccess = kGenericRead | kGenericWrite,
    .productTagTest = true,
    .matchSerial = true,
    .table = &kEncodersBoards,
};

std::optional<UsbIds> IdsFromDevicePath(const std::string& path) {
  std::string lower = path;
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto hex = [&](std::string_view key) -> std::optional<std::uint16_t> {
    const auto at = lower.find(key);
    if (at == std::string::npos || at + key.size() + 4 > lower.size()) return std::nullopt;
    std::uint16_t value = 0;
    const char* first = lower.data() + at + key.size();
    const auto [end, error] = std::from_chars(first, first + 4, value, 16);
    if (error != std::errc{} || end != first + 4) return std::nullopt;
    return value;
  };
  const auto vendor = hex("vid_");
  const auto product = hex("pid_");
  if (!vendor || !product) return std::nullopt;
  return UsbIds{*vendor, *product};
}

Scan ScanInterfaces(HidApi& api, const HostHints& hints) {
  Scan scan;
  DeviceLink link(api, kScanVariant);
  link.GetHidGuid();
  scan.listed = link.WalkInterfaces([&] {
    ScannedInterface seen;
    seen.path = link.DevicePath;
    if (!link.OpenDeviceHandle(kScanVariant.firstOpenAccess)) {
      seen.ids = hints.identify ? hints.identify(seen.path) : std::nullopt;
      // Only interfaces known to be of an accepted vendor are worth a line.
      if (seen.ids && AcceptedVendor(seen.ids->vendorId)) {
        seen.openFailure = WhyNotOpened(api.GetLastError(), hints);
        scan.interfaces.push_back(std::move(seen));
      }
      return false;
    }
    if (link.ReadAttributes() && AcceptedVendor(link.Attributes.VendorID)) {
      seen.ids = UsbIds{link.Attributes.VendorID, link.Attributes.ProductID};
      seen.versionNumber = link.Attributes.VersionNumber;
      seen.encoders = link.IsAcceptedBoard();
      seen.config = kConfigBoards.Accepts(seen.ids->vendorId, seen.ids->productId);
      // The accepted-board rule reads string 42 for either vendor.
      seen.tag = HidStringToText(link.TagBuffer);
      if (seen.tag->empty()) seen.tag.reset();
      std::string serial;
      if (link.ReadSerialText(serial)) seen.serial = serial;
      seen.manufacturer = ReadString(link, &HidApi::HidD_GetManufacturerString);
      seen.product = ReadString(link, &HidApi::HidD_GetProductString);
      link.Capabilities = HIDP_CAPS{};
      link.ReadCapabilities();
      seen.reportLength = link.FeatureReportByteLength();
      scan.interfaces.push_back(std::move(seen));
    }
    link.CloseDeviceHandle();
    return false;
  });
  return scan;
}

}  // namespace tq
