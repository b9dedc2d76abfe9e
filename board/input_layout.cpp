#include "board/input_layout.h"

#include <algorithm>
#include <vector>

namespace tq::monitor {
namespace {

// An unsigned field of `bits` bits read as the signed value its logical
// range declares, as a game's HID stack scales it.
std::int32_t SignExtended(std::uint32_t raw, std::uint16_t bits) {
  if (bits == 0 || bits >= 32) return static_cast<std::int32_t>(raw);
  const std::uint32_t sign = 1u << (bits - 1);
  const std::uint32_t masked = raw & ((sign << 1) - 1);
  return static_cast<std::int32_t>(masked ^ sign) - static_cast<std::int32_t>(sign);
}

}  // namespace

std::optional<InputLayout> InputLayout::Learn(HidApi& api, PHIDP_PREPARSED_DATA preparsedData) {
  HIDP_CAPS caps{};
  if (api.HidP_GetCaps(preparsedData, &caps) != kHidpStatusSuccess ||
      caps.InputReportByteLength == 0) {
    return std::nullopt;
  }
  InputLayout layout;
  layout.reportLength_ = caps.InputReportByteLength;

  std::vector<HIDP_VALUE_CAPS> values(caps.NumberInputValueCaps);
  std::uint16_t valueCount = caps.NumberInputValueCaps;
  if (valueCount > 0 &&
      api.HidP_GetValueCaps(HidP_Input, values.data(), &valueCount, preparsedData) ==
          kHidpStatusSuccess) {
    values.resize(std::min<std::size_t>(valueCount, values.size()));
    for (const HIDP_VALUE_CAPS& value : values) {
      if (value.UsagePage != kGenericDesktopPage) continue;
      const USAGE first = value.IsRange ? value.Range.UsageMin : value.NotRange.Usage;
      const USAGE last = value.IsRange ? value.Range.UsageMax : value.NotRange.Usage;
      for (std::size_t axis = 0; axis < kAxisUsages.size(); ++axis) {
        const USAGE usage = kAxisUsages[axis];
        if (usage < first || usage > last || layout.axes_[axis].present) continue;
        if (!layout.reportId_) layout.reportId_ = value.ReportID;
        layout.axes_[axis] = AxisField{
            .present = true,
            .range = {value.LogicalMin, value.LogicalMax},
            .bitSize = value.BitSize,
        };
      }
    }
  }

  std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps);
  std::uint16_t buttonCount = caps.NumberInputButtonCaps;
  if (buttonCount > 0 &&
      api.HidP_GetButtonCaps(HidP_Input, buttons.data(), &buttonCount, preparsedData) ==
          kHidpStatusSuccess) {
    buttons.resize(std::min<std::size_t>(buttonCount, buttons.size()));
    const auto board = std::ranges::find_if(
        buttons, [](const HIDP_BUTTON_CAPS& button) { return button.UsagePage == kButtonPage; });
    layout.buttons_ = board != buttons.end();
    if (layout.buttons_ && !layout.reportId_) layout.reportId_ = board->ReportID;
  }

  const bool anyAxis =
      std::ranges::any_of(layout.axes_, [](const AxisField& axis) { return axis.present; });
  if (!anyAxis && !layout.buttons_) return std::nullopt;
  return layout;
}

InputSample InputLayout::Decode(HidApi& api, PHIDP_PREPARSED_DATA preparsedData,
                                std::span<std::uint8_t> report, std::int64_t ms) const {
  InputSample sample;
  sample.ms = ms;
  if (report.size() != reportLength_) return sample;
  char* bytes = reinterpret_cast<char*>(report.data());
  const auto length = static_cast<std::uint32_t>(report.size());

  for (std::size_t axis = 0; axis < axes_.size(); ++axis) {
    const AxisField& field = axes_[axis];
    if (!field.present) continue;
    std::uint32_t raw = 0;
    if (api.HidP_GetUsageValue(HidP_Input, kGenericDesktopPage, 0, kAxisUsages[axis], &raw,
                               preparsedData, bytes, length) != kHidpStatusSuccess) {
      continue;
    }
    sample.axes[axis] = field.range.minimum < 0 ? SignExtended(raw, field.bitSize)
                                                : static_cast<std::int32_t>(raw);
  }

  if (buttons_) {
    std::array<USAGE, kButtonCount * 2> pressed{};
    auto count = static_cast<std::uint32_t>(pressed.size());
    if (api.HidP_GetUsages(HidP_Input, kButtonPage, 0, pressed.data(), &count, preparsedData,
                           bytes, length) == kHidpStatusSuccess) {
      for (std::uint32_t i = 0; i < std::min<std::uint32_t>(count, pressed.size()); ++i) {
        const USAGE button = pressed[i];
        if (button >= 1 && button <= kButtonCount) sample.buttons.set(button - 1u);
      }
    }
  }
  return sample;
}

std::optional<AxisRange> InputLayout::Range(int axis) const {
  if (axis < 1 || axis > kAxisCount) return std::nullopt;
  const AxisField& field = axes_[static_cast<std::size_t>(axis - 1)];
  if (!field.present) return std::nullopt;
  return field.range;
}

}  // namespace tq::monitor
