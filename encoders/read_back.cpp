// Brings the window into line with the board just opened: device details,
// the items the board's release offers, and the settings it holds.
#include <span>

#include "board/encoder_reports.h"
#include "encoders/frm_main.h"

namespace tq::encoders {

void frmMain::ReadBoardSettings() {
  SettingsLoaded = false;
  ClearSettingsControls();
  if (!DeviceDetected) return;

  int minor = 0;  // counts as 0 until the manufacturer string is read
  FillDeviceDetails(minor);
  Frame1.SetEnabled(true);
  OfferItems(minor);
  ApplySettingsPages();
  SettingsLoaded = true;
}

void frmMain::ClearSettingsControls() {
  lblManuf.SetCaption({});
  lblProduct.SetCaption({});
  lblVersion.SetCaption({});
  for (int pair = 1; pair <= kPairCount; ++pair) {
    Enc(pair).Clear();
    Enc(pair).SetEnabled(false);
  }
  Frame3.SetEnabled(false);
  ModeCh1.SetEnabled(false);
  ModeCh1.Clear();
  Label1.SetEnabled(false);
  for (int pair = 1; pair <= kPairCount; ++pair) PairLabel(pair).SetEnabled(false);
}

void frmMain::FillDeviceDetails(int& minor) {
  if (auto manufacturer = link_.ReadBoardString(&HidApi::HidD_GetManufacturerString)) {
    lblManuf.SetCaption(" " + *manufacturer);
    minor = ReleaseMinor(link_.Attributes.VersionNumber);
    lblVersion.SetCaption(ReleaseCaption(link_.Attributes.VersionNumber));
  }
  if (auto product = link_.ReadBoardString(&HidApi::HidD_GetProductString)) {
    lblProduct.SetCaption(" " + *product);
  }
}

void frmMain::OfferItems(int minor) {
  if (minor >= kFirstReleaseWithEncoders) {
    for (int pair = 1; pair <= kPairCount; ++pair) {
      Enc(pair).AddItem(kEncoderTypeItems[0]);
      Enc(pair).AddItem(kEncoderTypeItems[1]);
      Enc(pair).SetListIndex(0);
      Enc(pair).SetEnabled(true);
    }
    Frame3.SetEnabled(true);
    ModeCh1.SetEnabled(true);
    Label1.SetEnabled(true);
    for (int pair = 1; pair <= kPairCount; ++pair) PairLabel(pair).SetEnabled(true);
    for (int position = 0; position < kPulseWidthCount; ++position) {
      ModeCh1.AddItem(PulseWidthItem(position));
    }
    ModeCh1.SetListIndex(kDefaultPulseWidthPosition);
  }
  if (minor >= kFirstReleaseWithAllTypes) {
    for (int pair = 1; pair <= kPairCount; ++pair) {
      Enc(pair).AddItem(kEncoderTypeItems[2]);
      Enc(pair).AddItem(kEncoderTypeItems[3]);
    }
  }
}

void frmMain::ApplySettingsPages() {
  // Every page 16 that comes back is applied; the last one stands.
  link_.ReadSettingsPages([this](std::span<const std::uint8_t> page) {
    const auto settings = DecodeEncoderPage(page);
    if (!settings) return;
    // A value a list has no item for leaves that list as it is.
    ModeCh1.SetListIndex(settings->pulseWidthPosition);
    for (int pair = 1; pair <= kPairCount; ++pair) {
      Enc(pair).SetListIndex(settings->types[static_cast<std::size_t>(pair - 1)]);
    }
  });
}

}  // namespace tq::encoders
