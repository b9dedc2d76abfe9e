#include "ctl/board_scan.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace tq::ctl {
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

std::string SerialList(const std::vector<const ScannedInterface*>& boards) {
  std::string list;
  for (const auto* board : boards) list += (list.empty() ? "" : ", ") + *board->serial;
  return list;
}

}  // namespace

const BoardVariant kCtlVariant{
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
  DeviceLink link(api, kCtlVariant);
  link.GetHidGuid();
  scan.listed = link.WalkInterfaces([&] {
    ScannedInterface seen;
    seen.path = link.DevicePath;
    if (!link.OpenDeviceHandle(kCtlVariant.firstOpenAccess)) {
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

std::variant<std::unique_ptr<OpenBoard>, std::string> OpenChosenBoard(
    HidApi& api, const HostHints& hints, const std::optional<std::string>& serial) {
  const Scan scan = ScanInterfaces(api, hints);
  if (!scan.listed) return std::string("cannot list the HID interfaces");
  std::vector<const ScannedInterface*> usable;
  for (const auto& seen : scan.interfaces) {
    if (seen.Usable()) usable.push_back(&seen);
  }
  const ScannedInterface* chosen = nullptr;
  if (serial) {
    std::vector<const ScannedInterface*> matching;
    std::ranges::copy_if(usable, std::back_inserter(matching),
                         [&](const ScannedInterface* seen) { return *seen->serial == *serial; });
    if (matching.empty()) {
      return "no board with serial " + *serial +
             (usable.empty() ? std::string(" (no usable board attached)")
                             : " (attached: " + SerialList(usable) + ")");
    }
    if (matching.size() > 1) {
      return std::to_string(matching.size()) + " boards share serial " + *serial +
             "; unplug all but one";
    }
    chosen = matching.front();
  } else if (usable.size() > 1) {
    return std::to_string(usable.size()) + " boards attached (serials " + SerialList(usable) +
           "); choose one with --serial";
  } else if (usable.empty()) {
    const auto unopened = std::ranges::find_if(
        scan.interfaces, [](const ScannedInterface& seen) { return !seen.Opened(); });
    if (unopened != scan.interfaces.end()) {
      return "no usable board: " + unopened->path + ": " + unopened->openFailure;
    }
    return std::string("no board attached");
  } else {
    chosen = usable.front();
  }

  auto board = std::make_unique<OpenBoard>(api);
  if (!board->link.FindTheHid(*chosen->serial)) {
    return "board " + *chosen->serial + " could not be opened again (unplugged?)";
  }
  board->seen = *chosen;
  // The programs judge the release only once the manufacturer string reads.
  const bool releaseKnown =
      board->link.ReadBoardString(&HidApi::HidD_GetManufacturerString).has_value();
  board->facts = BoardFacts{board->link.Attributes.VersionNumber, releaseKnown, chosen->encoders,
                            chosen->config};
  return board;
}

}  // namespace tq::ctl
