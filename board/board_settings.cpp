#include "board/board_settings.h"

#include <cstdio>

#include "board/config_reports.h"
#include "devlink/device_link.h"

namespace tq::monitor {
namespace {

bool ValidPair(int pair) { return pair >= 1 && pair <= kPairCount; }
bool ValidAxis(int axis) { return axis >= 1 && axis <= kAxisCount; }

}  // namespace

void BoardSettings::Take(std::span<const std::uint8_t> page) {
  if (auto decoded = encoders::DecodeEncoderPage(page)) encoders_ = *decoded;
  const auto inputs = config::DecodeInputPage(page);
  if (!inputs) return;
  if (inputs->invertMask) invertMask_ = inputs->invertMask;
  for (std::size_t k = 0; k < modeBytes_.size(); ++k) {
    if (inputs->modeBytes[k]) modeBytes_[k] = inputs->modeBytes[k];
  }
}

std::optional<int> BoardSettings::PairType(int pair) const {
  if (!encoders_ || !ValidPair(pair)) return std::nullopt;
  return encoders_->types[static_cast<std::size_t>(pair - 1)];
}

std::optional<std::string> BoardSettings::PairTypeName(int pair) const {
  const auto type = PairType(pair);
  if (!type || *type < 0 || static_cast<std::size_t>(*type) >= encoders::kEncoderTypeItems.size()) {
    return std::nullopt;
  }
  return encoders::kEncoderTypeItems[static_cast<std::size_t>(*type)];
}

std::optional<std::int64_t> BoardSettings::PulseWidthMs() const {
  if (!encoders_ || encoders_->pulseWidthPosition < 0) return std::nullopt;
  return std::int64_t{encoders_->pulseWidthPosition + 1} * encoders::kPulseWidthStepMs;
}

std::optional<bool> BoardSettings::Inverted(int axis) const {
  if (!invertMask_ || !ValidAxis(axis)) return std::nullopt;
  return config::IsInverted(*invertMask_, axis);
}

std::optional<std::string> BoardSettings::ModeName(int axis) const {
  if (!ValidAxis(axis)) return std::nullopt;
  const auto& stored = modeBytes_[static_cast<std::size_t>(axis - 1)];
  if (!stored) return std::nullopt;
  if (const auto position = config::ModePosition(*stored)) {
    return config::kModeItems[static_cast<std::size_t>(*position)];
  }
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", unsigned{*stored});
  return text;
}

std::optional<bool> BoardSettings::Zoomed(int axis) const {
  if (!ValidAxis(axis)) return std::nullopt;
  const auto& stored = modeBytes_[static_cast<std::size_t>(axis - 1)];
  if (!stored) return std::nullopt;
  return *stored == config::kModeZoom;
}

BoardSettings ReadBoardSettings(DeviceLink& link) {
  BoardSettings settings;
  link.ReadSettingsPages([&settings](std::span<const std::uint8_t> page) { settings.Take(page); });
  return settings;
}

}  // namespace tq::monitor
