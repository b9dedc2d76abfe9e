#include "ctl/setting_bytes.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "board/config_reports.h"
#include "board/encoder_reports.h"
#include "devlink/device_link.h"
#include "devlink/feature_report.h"

namespace tq::ctl {
namespace {

// Page t holds addresses t to t + 15.
std::uint8_t PageOf(std::uint8_t address) { return static_cast<std::uint8_t>(address & 0xF0); }

}  // namespace

bool IsSettingAddress(int address) {
  return std::ranges::find(kSettingAddresses, address) != kSettingAddresses.end();
}

std::string SettingName(std::uint8_t address) {
  using namespace encoders;
  switch (address) {
    case config::SetInvertMask:
      return "invert";
    case config::SetAutoDetect:
      return "auto";
    case SetEncoderLow1to8:
      return "enc1-8 low bits";
    case SetEncoderLow9to16:
      return "enc9-16 low bits";
    case SetEncoderHigh1to8:
      return "enc1-8 high bits";
    case SetEncoderHigh9to16:
      return "enc9-16 high bits";
    case SetPulseWidth:
      return "pulse";
    default:
      break;
  }
  if (address >= config::SetInputMode1 && address <= config::SetInputMode8) {
    return "mode" + std::to_string(address - config::SetInputMode1 + 1);
  }
  return "address " + std::to_string(address);
}

SettingBytes ReadSettingBytes(DeviceLink& link) {
  SettingBytes bytes;
  link.ReadSettingsPages([&bytes](std::span<const std::uint8_t> page) {
    for (const std::uint8_t address : kSettingAddresses) {
      if (const auto value = PageSetting(page, PageOf(address), address)) bytes[address] = *value;
    }
  });
  return bytes;
}

std::vector<std::uint8_t> MissingAddresses(const SettingBytes& bytes) {
  std::vector<std::uint8_t> missing;
  for (const std::uint8_t address : kSettingAddresses) {
    if (!bytes.contains(address)) missing.push_back(address);
  }
  return missing;
}

std::string NotBackInRequests() {
  return "did not come back in " + std::to_string(kPageRequests) + " requests";
}

std::string Hex(std::uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", unsigned{value});
  return text;
}

}  // namespace tq::ctl
