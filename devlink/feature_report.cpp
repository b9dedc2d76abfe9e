#include "devlink/feature_report.h"

namespace tq {

std::vector<std::uint8_t> MakeSetReport(std::size_t length, std::uint8_t address,
                                        std::uint8_t value) {
  if (length < kSetReportMinLength) return {};
  std::vector<std::uint8_t> report(length, 0);
  report[1] = address;
  report[2] = value;
  return report;
}

std::optional<std::uint8_t> PageTag(std::span<const std::uint8_t> page) {
  if (page.size() <= kPageTagOffset) return std::nullopt;
  return page[kPageTagOffset];
}

std::optional<std::uint8_t> PageSetting(std::span<const std::uint8_t> page, std::uint8_t tag,
                                        std::uint8_t address) {
  if (PageTag(page) != tag || address < tag) return std::nullopt;
  const std::size_t offset = kPageDataOffset + static_cast<std::size_t>(address - tag);
  if (offset >= page.size()) return std::nullopt;
  return page[offset];
}

}  // namespace tq
