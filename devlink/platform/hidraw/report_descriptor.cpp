#include "devlink/platform/hidraw/report_descriptor.h"

#include <array>
#include <map>
#include <vector>

namespace tq::hidraw {
namespace {

// Item types and tags of the short-item prefix byte.
enum : unsigned { kTypeMain = 0, kTypeGlobal = 1, kTypeLocal = 2 };
enum : unsigned {
  kMainInput = 0x8,
  kMainOutput = 0x9,
  kMainCollection = 0xA,
  kMainFeature = 0xB,
  kMainEndCollection = 0xC,
};
enum : unsigned {
  kGlobalUsagePage = 0x0,
  kGlobalReportSize = 0x7,
  kGlobalReportId = 0x8,
  kGlobalReportCount = 0x9,
  kGlobalPush = 0xA,
  kGlobalPop = 0xB,
};
enum : unsigned { kLocalUsage = 0x0, kLocalUsageMinimum = 0x1 };
constexpr std::uint8_t kLongItemPrefix = 0xFE;

// Report ID byte plus at most this many data bytes still fits a 16-bit length.
constexpr std::uint64_t kMaxReportBits = 8ull * 0xFFFEu;

enum ReportKind : std::size_t { kInput, kOutput, kFeature, kReportKinds };

struct GlobalState {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

// A usage as written: with four data bytes it names its own page.
struct LocalUsage {
  std::uint32_t value = 0;
  bool extended = false;
};

std::uint16_t LengthOf(const std::map<std::uint8_t, std::uint64_t>& bitsById) {
  std::uint64_t longest = 0;
  for (const auto& [id, bits] : bitsById) {
    const std::uint64_t length = 1 + (bits + 7) / 8;
    if (length > longest) longest = length;
  }
  return static_cast<std::uint16_t>(longest);
}

}  // namespace

std::optional<HIDP_CAPS> CapsFromReportDescriptor(std::span<const std::uint8_t> descriptor) {
  GlobalState global;
  std::vector<GlobalState> pushed;
  LocalUsage firstUsage;
  bool haveUsage = false;
  std::array<std::map<std::uint8_t, std::uint64_t>, kReportKinds> bits;
  HIDP_CAPS caps{};
  bool haveTopLevel = false;
  std::size_t depth = 0;
  std::uint32_t collections = 0;

  std::size_t pos = 0;
  while (pos < descriptor.size()) {
    const std::uint8_t prefix = descriptor[pos];
    if (prefix == kLongItemPrefix) {
      // No long item is defined; skip its data.
      if (descriptor.size() - pos < 3) return std::nullopt;
      const std::size_t dataSize = descriptor[pos + 1];
      if (descriptor.size() - pos - 3 < dataSize) return std::nullopt;
      pos += 3 + dataSize;
      continue;
    }
    const std::size_t sizeCode = prefix & 0x3u;
    const std::size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
    if (descriptor.size() - pos - 1 < dataSize) return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < dataSize; ++i) {
      value |= static_cast<std::uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
    }
    const unsigned type = (prefix >> 2) & 0x3u;
    const unsigned tag = prefix >> 4;
    pos += 1 + dataSize;

    if (type == kTypeMain) {
      switch (tag) {
        case kMainInput:
        case kMainOutput:
        case kMainFeature: {
          const ReportKind kind = tag == kMainInput ? kInput
                                  : tag == kMainOutput ? kOutput
                                                       : kFeature;
          const std::uint64_t fieldBits =
              std::uint64_t{global.reportSize} * std::uint64_t{global.reportCount};
          if (fieldBits == 0) break;
          std::uint64_t& total = bits[kind][global.reportId];
          total += fieldBits;
          if (total > kMaxReportBits) return std::nullopt;
          break;
        }
        case kMainCollection:
          ++depth;
          ++collections;
          if (depth == 1 && !haveTopLevel) {
            haveTopLevel = true;
            caps.UsagePage = static_cast<std::uint16_t>(
                haveUsage && firstUsage.extended ? firstUsage.value >> 16 : global.usagePage);
            caps.Usage =
                static_cast<std::uint16_t>(haveUsage ? firstUsage.value & 0xFFFFu : 0u);
          }
          break;
        case kMainEndCollection:
          if (depth == 0) return std::nullopt;
          --depth;
          break;
        default:
          break;
      }
      // Local items describe only the main item they precede.
      haveUsage = false;
    } else if (type == kTypeGlobal) {
      switch (tag) {
        case kGlobalUsagePage:
          global.usagePage = value;
          break;
        case kGlobalReportSize:
          global.reportSize = value;
          break;
        case kGlobalReportCount:
          global.reportCount = value;
          break;
        case kGlobalReportId:
          if (value == 0 || value > 0xFF) return std::nullopt;
          global.reportId = static_cast<std::uint8_t>(value);
          break;
        case kGlobalPush:
          pushed.push_back(global);
          break;
        case kGlobalPop:
          if (pushed.empty()) return std::nullopt;
          global = pushed.back();
          pushed.pop_back();
          break;
        default:
          break;
      }
    } else if (type == kTypeLocal) {
      if ((tag == kLocalUsage || tag == kLocalUsageMinimum) && !haveUsage) {
        firstUsage = LocalUsage{value, dataSize == 4};
        haveUsage = true;
      }
    }
  }
  if (depth != 0) return std::nullopt;

  caps.InputReportByteLength = LengthOf(bits[kInput]);
  caps.OutputReportByteLength = LengthOf(bits[kOutput]);
  caps.FeatureReportByteLength = LengthOf(bits[kFeature]);
  caps.NumberLinkCollectionNodes =
      static_cast<std::uint16_t>(collections > 0xFFFFu ? 0xFFFFu : collections);
  return caps;
}

}  // namespace tq::hidraw
