#include "board/config_reports.h"

#include "devlink/feature_report.h"

namespace tq::config {
namespace {

// Input k's mode byte lives at address kModeAddresses[k - 1].
constexpr std::array<std::uint8_t, kInputCount> kModeAddresses{
    SetInputMode1, SetInputMode2, SetInputMode3, SetInputMode4,
    SetInputMode5, SetInputMode6, SetInputMode7, SetInputMode8};

bool IsInput(int input) { return input >= 1 && input <= kInputCount; }

std::uint8_t InputBit(int input) { return static_cast<std::uint8_t>(1u << (input - 1)); }

}  // namespace

std::optional<std::uint8_t> InputModeCommand(int input) {
  if (!IsInput(input) || input == kUnzoomableInput) return std::nullopt;
  return kModeAddresses[static_cast<std::size_t>(input - 1)];
}

std::uint8_t InvertMask(std::span<const int, kInputCount> states) {
  std::uint8_t mask = 0;
  for (int input = 1; input <= kInputCount; ++input) {
    if (states[static_cast<std::size_t>(input - 1)] == 1) {
      mask = static_cast<std::uint8_t>(mask | InputBit(input));
    }
  }
  return mask;
}

bool IsInverted(std::uint8_t mask, int input) {
  return IsInput(input) && (mask & InputBit(input)) != 0;
}

bool AutoDetectOn(std::uint8_t stored) { return (stored & 1) != 0; }

std::optional<int> ModePosition(std::uint8_t modeByte) {
  if (modeByte == kModeNormal) return 0;
  if (modeByte == kModeZoom) return 1;
  return std::nullopt;
}

std::optional<InputPage> DecodeInputPage(std::span<const std::uint8_t> page) {
  if (page.size() < kPageLength) return std::nullopt;
  const auto tag = PageTag(page);
  if (tag != kLowPageTag && tag != kHighPageTag) return std::nullopt;

  InputPage decoded;
  if (tag == kLowPageTag) {
    decoded.invertMask = PageSetting(page, kLowPageTag, SetInvertMask);
    if (const auto detect = PageSetting(page, kLowPageTag, SetAutoDetect)) {
      decoded.autoDetect = AutoDetectOn(*detect);
    }
  }
  for (int input = 1; input <= kInputCount; ++input) {
    const std::uint8_t address = kModeAddresses[static_cast<std::size_t>(input - 1)];
    // Each page speaks for its own sixteen addresses only, whatever follows
    // them in a longer reply.
    if (address < *tag || address - *tag >= static_cast<int>(kPageSettingCount)) continue;
    decoded.modeBytes[static_cast<std::size_t>(input - 1)] = PageSetting(page, *tag, address);
  }
  return decoded;
}

}  // namespace tq::config
