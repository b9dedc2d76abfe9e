#include "board/encoder_reports.h"

#include "devlink/feature_report.h"

namespace tq::encoders {

std::string EncoderTypeName(int type) {
  if (type < 0 || static_cast<std::size_t>(type) >= kEncoderTypeItems.size()) {
    return "type " + std::to_string(type);
  }
  return kEncoderTypeItems[static_cast<std::size_t>(type)];
}

BankBits PackBank(std::span<const int, kPairsPerBank> codes) {
  BankBits bits;
  for (int i = 0; i < kPairsPerBank; ++i) {
    const int code = codes[static_cast<std::size_t>(i)];
    if (code < 0 || code >= static_cast<int>(kEncoderTypeItems.size())) continue;
    const auto bit = static_cast<std::uint8_t>(1u << i);
    if (code & 1) bits.low = static_cast<std::uint8_t>(bits.low | bit);
    if (code & 2) bits.high = static_cast<std::uint8_t>(bits.high | bit);
  }
  return bits;
}

std::optional<std::uint8_t> PulseWidthCode(int listPosition) {
  if (listPosition < 0 || listPosition >= kPulseWidthCount) return std::nullopt;
  return static_cast<std::uint8_t>(listPosition + 1);
}

std::string PulseWidthItem(int listPosition) {
  return std::to_string(kPulseWidthStepMs * (listPosition + 1)) + " ms";
}

std::optional<EncoderSettings> DecodeEncoderPage(std::span<const std::uint8_t> page) {
  const auto lowBank1 = PageSetting(page, kEncoderPageTag, SetEncoderLow1to8);
  const auto lowBank2 = PageSetting(page, kEncoderPageTag, SetEncoderLow9to16);
  const auto highBank1 = PageSetting(page, kEncoderPageTag, SetEncoderHigh1to8);
  const auto highBank2 = PageSetting(page, kEncoderPageTag, SetEncoderHigh9to16);
  const auto pulse = PageSetting(page, kEncoderPageTag, SetPulseWidth);
  if (!lowBank1 || !lowBank2 || !highBank1 || !highBank2 || !pulse) return std::nullopt;

  EncoderSettings settings;
  for (int bit = 0; bit < kPairsPerBank; ++bit) {
    const auto type = [bit](std::uint8_t low, std::uint8_t high) {
      return ((low >> bit) & 1) + 2 * ((high >> bit) & 1);
    };
    settings.types[static_cast<std::size_t>(bit)] = type(*lowBank1, *highBank1);
    settings.types[static_cast<std::size_t>(bit + kPairsPerBank)] = type(*lowBank2, *highBank2);
  }
  settings.pulseWidthPosition = *pulse - 1;
  return settings;
}

std::string PairInputs(int pair) {
  return std::to_string(2 * pair - 1) + "-" + std::to_string(2 * pair);
}

}  // namespace tq::encoders
