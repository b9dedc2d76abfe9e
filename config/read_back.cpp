// Brings the window into line with the board just opened: device details,
// the settings it holds, and the controls its release supports. Every
// control the read-back changes reports its click like a user's change, so
// the board is sent back what it was just read to hold.
#include <optional>
#include <span>
#include <string>

#include "board/config_reports.h"
#include "config/frm_main.h"

namespace tq::config {

void frmMain::FillModeLists() {
  ModeCode[0] = kModeNormal;
  ModeCode[1] = kModeZoom;
  for (int input = 1; input <= kInputCount; ++input) {
    ModeCh(input).AddItem(kModeItems[0]);
    if (input != kUnzoomableInput) ModeCh(input).AddItem(kModeItems[1]);
    ModeCh(input).SetListIndex(0);
  }
}

void frmMain::ReadSettings() {
  if (!DeviceDetected) {
    lblManuf.SetCaption({});
    lblProduct.SetCaption({});
    lblSerialNumber.SetCaption({});
    lblVersion.SetCaption({});
    return;
  }
  int minor = 0;  // counts as 0 unless the manufacturer string is read
  FillDeviceDetails(minor);
  ApplySettingsPages();
  EnableSupported(minor);
}

void frmMain::FillDeviceDetails(int& minor) {
  // One buffer for the run's three strings, not cleared between them: each
  // request fills at most its first 100 bytes, so a text always ends inside.
  StringBuffer buffer{};
  const auto read = [&](DeviceLink::StringRequest request) -> std::optional<std::string> {
    link_.LastResult =
        (link_.Api().*request)(link_.OverlappedHandle, buffer.data(), kStringRequestLength);
    if (link_.LastResult == 0) return std::nullopt;
    return HidStringToText(buffer);
  };
  if (auto manufacturer = read(&HidApi::HidD_GetManufacturerString)) {
    lblManuf.SetCaption(" " + *manufacturer);
    minor = ReleaseMinor(link_.Attributes.VersionNumber);
    lblVersion.SetCaption(ReleaseCaption(link_.Attributes.VersionNumber));
  }
  if (auto product = read(&HidApi::HidD_GetProductString)) {
    lblProduct.SetCaption(" " + *product);
  }
  if (auto serial = read(&HidApi::HidD_GetSerialNumberString)) {
    lblSerialNumber.SetCaption(" " + *serial);
  }
}

void frmMain::ApplySettingsPages() {
  // Every page that comes back is applied, again each time it comes.
  link_.ReadSettingsPages([this](std::span<const std::uint8_t> page) {
    const auto settings = DecodeInputPage(page);
    if (!settings) return;
    if (settings->invertMask) {
      for (int input = 1; input <= kInputCount; ++input) {
        InvertCh(input).SetValue(IsInverted(*settings->invertMask, input) ? 1 : 0);
      }
    }
    if (settings->autoDetect) AutoCh.SetValue(*settings->autoDetect ? 1 : 0);
    for (int input = 1; input <= kInputCount; ++input) {
      const auto& modeByte = settings->modeBytes[static_cast<std::size_t>(input - 1)];
      if (!modeByte) continue;
      // A byte that is neither mode, or "Zoom" for input 7's one-item list,
      // finds no item: the list keeps what it shows and the reads go on.
      if (const auto position = ModePosition(*modeByte)) ModeCh(input).SetListIndex(*position);
    }
  });
}

void frmMain::EnableSupported(int minor) {
  Frame1.SetEnabled(true);
  Frame4.SetEnabled(true);
  if (minor >= kFirstReleaseWithAutoDetect) AutoCh.SetEnabled(true);
  if (minor >= kFirstReleaseWithModes) {
    Frame2.SetEnabled(true);
    for (int input = 1; input <= kInputCount; ++input) {
      const bool offered = input != kUnzoomableInput;
      ModeCh(input).SetEnabled(offered);
      InputLabel(input).SetEnabled(offered);
    }
  }
  if (minor >= kFirstReleaseWithInvert) {
    for (int input = 1; input <= kInputCount; ++input) InvertCh(input).SetEnabled(true);
    Frame3.SetEnabled(true);
  }
}

}  // namespace tq::config
