#include "devlink/report_descriptor/report_descriptor.h"

#include <algorithm>
#include <map>

namespace tq::hid {
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
  kGlobalLogicalMinimum = 0x1,
  kGlobalLogicalMaximum = 0x2,
  kGlobalPhysicalMinimum = 0x3,
  kGlobalPhysicalMaximum = 0x4,
  kGlobalUnitExponent = 0x5,
  kGlobalUnit = 0x6,
  kGlobalReportSize = 0x7,
  kGlobalReportId = 0x8,
  kGlobalReportCount = 0x9,
  kGlobalPush = 0xA,
  kGlobalPop = 0xB,
};
enum : unsigned {
  kLocalUsage = 0x0,
  kLocalUsageMinimum = 0x1,
  kLocalUsageMaximum = 0x2,
  kLocalDesignatorIndex = 0x3,
  kLocalDesignatorMinimum = 0x4,
  kLocalDesignatorMaximum = 0x5,
  kLocalStringIndex = 0x7,
  kLocalStringMinimum = 0x8,
  kLocalStringMaximum = 0x9,
};
constexpr std::uint8_t kLongItemPrefix = 0xFE;

// Main item data bits.
constexpr std::uint32_t kConstantBit = 0x01;
constexpr std::uint32_t kVariableBit = 0x02;
constexpr std::uint32_t kRelativeBit = 0x04;
constexpr std::uint32_t kNullStateBit = 0x40;

// Report ID byte plus at most this many data bytes still fits a 16-bit length.
constexpr std::uint64_t kMaxReportBits = 8ull * 0xFFFEu;
constexpr std::uint32_t kReportIdBits = 8;

struct GlobalState {
  USAGE usagePage = 0;
  std::int32_t logicalMin = 0, logicalMax = 0;
  std::int32_t physicalMin = 0, physicalMax = 0;
  std::uint32_t unitsExponent = 0, units = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

struct UsageEntry {
  USAGE page = 0, min = 0, max = 0;
};

// Local items: they describe only the main item they precede.
struct LocalState {
  std::vector<UsageEntry> usages;
  bool isRange = false;
  std::uint16_t stringMin = 0, stringMax = 0;
  bool isStringRange = false;
  std::uint16_t designatorMin = 0, designatorMax = 0;
  bool isDesignatorRange = false;
};

struct LinkState {
  std::uint16_t collection = 0;
  USAGE usagePage = 0, usage = 0;
};

// An item's data as the parser reads it: unsigned, and sign-extended from
// its own size for the items that are signed.
struct ItemData {
  std::uint32_t value = 0;
  std::int32_t signedValue = 0;
  std::size_t size = 0;
};

std::uint16_t LengthOf(const std::map<std::uint8_t, std::uint64_t>& dataBitsById) {
  std::uint64_t longest = 0;
  for (const auto& [id, bits] : dataBitsById) {
    longest = std::max<std::uint64_t>(longest, 1 + (bits + 7) / 8);
  }
  return static_cast<std::uint16_t>(longest);
}

// Parses the whole descriptor into one result per top-level collection.
class Parser {
 public:
  std::optional<std::vector<ParsedDescriptor>> Run(std::span<const std::uint8_t> descriptor) {
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
      ItemData data;
      data.size = sizeCode == 3 ? 4 : sizeCode;
      if (descriptor.size() - pos - 1 < data.size) return std::nullopt;
      for (std::size_t i = 0; i < data.size; ++i) {
        data.value |= static_cast<std::uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
      }
      data.signedValue = SignExtended(data);
      const unsigned type = (prefix >> 2) & 0x3u;
      const unsigned tag = prefix >> 4;
      pos += 1 + data.size;

      bool ok = true;
      if (type == kTypeMain) {
        ok = Main(tag, data.value);
      } else if (type == kTypeGlobal) {
        ok = Global(tag, data);
      } else if (type == kTypeLocal) {
        ok = Local(tag, data);
      }
      if (!ok) return std::nullopt;
    }
    if (!linkStack_.empty()) return std::nullopt;
    FinishCollection();
    // The kernel numbers a node's reports when any report anywhere in the
    // descriptor has an ID, whichever collection reads it.
    for (ParsedDescriptor& collection : done_) collection.numberedReports = numbered_;
    return std::move(done_);
  }

 private:
  // Closes the top-level collection under way: its lengths and counts are
  // its own, as Windows gives them to that collection's interface.
  void FinishCollection() {
    result_.caps.InputReportByteLength = LengthOf(dataBits_[std::size_t{HidP_Input}]);
    result_.caps.OutputReportByteLength = LengthOf(dataBits_[std::size_t{HidP_Output}]);
    result_.caps.FeatureReportByteLength = LengthOf(dataBits_[std::size_t{HidP_Feature}]);
    result_.caps.NumberLinkCollectionNodes =
        static_cast<std::uint16_t>(std::min<std::uint32_t>(collections_, 0xFFFFu));
    CountCaps();
    done_.push_back(std::move(result_));
    result_ = ParsedDescriptor{};
    dataBits_ = {};
    dataCount_ = {};
    collections_ = 0;
  }

  static std::int32_t SignExtended(const ItemData& data) {
    switch (data.size) {
      case 1:
        return static_cast<std::int8_t>(data.value);
      case 2:
        return static_cast<std::int16_t>(data.value);
      case 4:
        return static_cast<std::int32_t>(data.value);
      default:
        return 0;
    }
  }

  // A usage's page: its own with four data bytes, else the current one.
  UsageEntry Usage(const ItemData& data) const {
    const auto page = static_cast<USAGE>(data.size == 4 ? data.value >> 16 : 0);
    const auto usage = static_cast<USAGE>(data.value & 0xFFFFu);
    return UsageEntry{page != 0 ? page : global_.usagePage, usage, usage};
  }

  bool Local(unsigned tag, const ItemData& data) {
    const auto value16 = static_cast<std::uint16_t>(data.value);
    switch (tag) {
      case kLocalUsage:
        // A single usage after a range starts a new list.
        if (local_.isRange) local_.usages.clear();
        local_.isRange = false;
        if (local_.usages.size() == kMaxUsagesPerItem) return false;
        local_.usages.push_back(Usage(data));
        break;
      case kLocalUsageMinimum:
      case kLocalUsageMaximum: {
        // A range replaces whatever usages came before it; the end not yet
        // given stays 0.
        const UsageEntry entry = Usage(data);
        UsageEntry range = local_.isRange && !local_.usages.empty() ? local_.usages.front()
                                                                     : UsageEntry{};
        range.page = entry.page;
        (tag == kLocalUsageMinimum ? range.min : range.max) = entry.min;
        local_.usages.assign(1, range);
        local_.isRange = true;
        break;
      }
      case kLocalDesignatorIndex:
        local_.designatorMin = local_.designatorMax = value16;
        local_.isDesignatorRange = false;
        break;
      case kLocalDesignatorMinimum:
        local_.designatorMin = value16;
        local_.isDesignatorRange = true;
        break;
      case kLocalDesignatorMaximum:
        local_.designatorMax = value16;
        local_.isDesignatorRange = true;
        break;
      case kLocalStringIndex:
        local_.stringMin = local_.stringMax = value16;
        local_.isStringRange = false;
        break;
      case kLocalStringMinimum:
        local_.stringMin = value16;
        local_.isStringRange = true;
        break;
      case kLocalStringMaximum:
        local_.stringMax = value16;
        local_.isStringRange = true;
        break;
      default:
        break;  // Delimiters and reserved tags change nothing here.
    }
    return true;
  }

  bool Global(unsigned tag, const ItemData& data) {
    switch (tag) {
      case kGlobalUsagePage:
        global_.usagePage = static_cast<USAGE>(data.value);
        break;
      case kGlobalLogicalMinimum:
        global_.logicalMin = data.signedValue;
        break;
      case kGlobalLogicalMaximum:
        global_.logicalMax = data.signedValue;
        break;
      case kGlobalPhysicalMinimum:
        global_.physicalMin = data.signedValue;
        break;
      case kGlobalPhysicalMaximum:
        global_.physicalMax = data.signedValue;
        break;
      case kGlobalUnitExponent:
        global_.unitsExponent = static_cast<std::uint32_t>(data.signedValue);
        break;
      case kGlobalUnit:
        global_.units = static_cast<std::uint32_t>(data.signedValue);
        break;
      case kGlobalReportSize:
        global_.reportSize = data.value;
        break;
      case kGlobalReportCount:
        global_.reportCount = data.value;
        break;
      case kGlobalReportId:
        if (data.value == 0 || data.value > 0xFF) return false;
        global_.reportId = static_cast<std::uint8_t>(data.value);
        numbered_ = true;
        break;
      case kGlobalPush:
        pushed_.push_back(global_);
        break;
      case kGlobalPop:
        if (pushed_.empty()) return false;
        global_ = pushed_.back();
        pushed_.pop_back();
        break;
      default:
        break;
    }
    return true;
  }

  bool Main(unsigned tag, std::uint32_t data) {
    bool ok = true;
    switch (tag) {
      case kMainInput:
        ok = Fields(HidP_Input, data);
        break;
      case kMainOutput:
        ok = Fields(HidP_Output, data);
        break;
      case kMainFeature:
        ok = Fields(HidP_Feature, data);
        break;
      case kMainCollection:
        OpenCollection();
        break;
      case kMainEndCollection:
        if (linkStack_.empty()) return false;
        link_ = linkStack_.back();
        linkStack_.pop_back();
        break;
      default:
        break;
    }
    local_ = LocalState{};
    return ok;
  }

  void OpenCollection() {
    // A new top-level collection starts a new interface; main items outside
    // every collection stay with the one before them.
    if (linkStack_.empty() && collections_ > 0) FinishCollection();
    linkStack_.push_back(link_);
    const UsageEntry usage = local_.usages.empty() ? UsageEntry{global_.usagePage, 0, 0}
                                                   : local_.usages.front();
    if (collections_ == 0) {
      result_.caps.UsagePage = usage.page;
      result_.caps.Usage = usage.min;
    }
    link_ = LinkState{static_cast<std::uint16_t>(collections_), usage.page, usage.min};
    ++collections_;
  }

  // One main item's fields, split as Windows splits them (see the header).
  bool Fields(HIDP_REPORT_TYPE type, std::uint32_t data) {
    const std::uint32_t count = global_.reportCount;
    if (count == 0) return true;
    const std::uint64_t fieldBits = std::uint64_t{global_.reportSize} * count;
    const auto kind = static_cast<std::size_t>(type);
    auto& reports = dataBits_[kind];
    const auto known = reports.find(global_.reportId);
    const std::uint64_t before = known == reports.end() ? 0 : known->second;
    const std::uint64_t end = kReportIdBits + before + fieldBits;
    // A zero-sized field declares no report.
    if (fieldBits > 0) {
      if (before + fieldBits > kMaxReportBits) return false;
      reports[global_.reportId] = before + fieldBits;
    }

    const bool isArray = (data & kVariableBit) == 0;
    std::vector<UsageEntry> usages = local_.usages;
    if (usages.empty()) usages.push_back(UsageEntry{});
    if (!isArray && usages.size() > count) usages.resize(count);
    const std::size_t n = usages.size();

    ReportField field;
    field.reportId = global_.reportId;
    field.bitSize = global_.reportSize;
    field.isRange = local_.isRange;
    field.stringMin = local_.stringMin;
    field.stringMax = local_.stringMax;
    field.isStringRange = local_.isStringRange;
    field.designatorMin = local_.designatorMin;
    field.designatorMax = local_.designatorMax;
    field.isDesignatorRange = local_.isDesignatorRange;
    field.bitField = data;
    field.isArray = isArray;
    field.isButton = global_.reportSize == 1 || isArray;
    field.isAbsolute = (data & kRelativeBit) == 0;
    field.isConstant = (data & kConstantBit) != 0;
    field.hasNull = (data & kNullStateBit) != 0;
    field.logicalMin = global_.logicalMin;
    field.logicalMax = global_.logicalMax;
    field.physicalMin = global_.physicalMin;
    field.physicalMax = global_.physicalMax;
    field.units = global_.units;
    field.unitsExponent = global_.unitsExponent;
    field.linkCollection = link_.collection;
    field.linkUsagePage = link_.usagePage;
    field.linkUsage = link_.usage;

    // Fields are made in Windows' order of data indices; an array's are
    // then listed the other way round.
    std::vector<ReportField> made;
    made.reserve(n);
    std::uint64_t position = isArray ? end - fieldBits : end;
    std::uint16_t& dataCount = dataCount_[kind];
    for (std::size_t i = 0; i < n; ++i) {
      const UsageEntry& usage = usages[isArray ? i : n - 1 - i];
      field.usagePage = usage.page;
      field.usageMin = usage.min;
      field.usageMax = usage.max;
      if (isArray) {
        field.reportCount = count;
        field.arrayFirstValue = std::int64_t{global_.logicalMin} + static_cast<std::int64_t>(i);
      } else {
        field.reportCount = i == 0 ? count - static_cast<std::uint32_t>(n - 1) : 1;
        position -= std::uint64_t{field.reportCount} * global_.reportSize;
      }
      field.startByte = static_cast<std::uint32_t>(position / 8);
      field.startBit = static_cast<std::uint8_t>(position % 8);
      // A field without usages takes no data index: its range ends just
      // before it begins, in Windows' 16-bit arithmetic.
      field.dataIndexMin = dataCount;
      field.dataIndexMax = static_cast<std::uint16_t>(
          field.HasUsage() ? dataCount + (field.usageMax - field.usageMin) : dataCount - 1);
      dataCount = static_cast<std::uint16_t>(field.dataIndexMax + 1);
      made.push_back(field);
    }
    if (isArray) std::reverse(made.begin(), made.end());
    auto& fields = result_.fields[kind];
    fields.insert(fields.end(), made.begin(), made.end());
    return true;
  }

  void CountCaps() {
    HIDP_CAPS& caps = result_.caps;
    const std::array<std::uint16_t*, 3> buttons = {
        &caps.NumberInputButtonCaps, &caps.NumberOutputButtonCaps, &caps.NumberFeatureButtonCaps};
    const std::array<std::uint16_t*, 3> values = {
        &caps.NumberInputValueCaps, &caps.NumberOutputValueCaps, &caps.NumberFeatureValueCaps};
    const std::array<std::uint16_t*, 3> indices = {&caps.NumberInputDataIndices,
                                                   &caps.NumberOutputDataIndices,
                                                   &caps.NumberFeatureDataIndices};
    for (std::size_t type = 0; type < 3; ++type) {
      for (const ReportField& field : result_.fields[type]) {
        if (!field.HasUsage()) continue;
        std::uint16_t& kind = field.isButton ? *buttons[type] : *values[type];
        ++kind;
        *indices[type] = static_cast<std::uint16_t>(
            *indices[type] +
            (field.isRange ? field.dataIndexMax - field.dataIndexMin + 1 : 1));
      }
    }
  }

  std::vector<ParsedDescriptor> done_;
  ParsedDescriptor result_;
  bool numbered_ = false;
  GlobalState global_;
  std::vector<GlobalState> pushed_;
  LocalState local_;
  LinkState link_;
  std::vector<LinkState> linkStack_;
  std::uint32_t collections_ = 0;
  std::array<std::map<std::uint8_t, std::uint64_t>, 3> dataBits_;
  std::array<std::uint16_t, 3> dataCount_{};
};

}  // namespace

std::optional<std::vector<ParsedDescriptor>> ParseTopLevelCollections(
    std::span<const std::uint8_t> descriptor) {
  return Parser().Run(descriptor);
}

std::optional<ParsedDescriptor> ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  auto collections = ParseTopLevelCollections(descriptor);
  if (!collections) return std::nullopt;
  return std::move(collections->front());
}

std::optional<HIDP_CAPS> CapsFromReportDescriptor(std::span<const std::uint8_t> descriptor) {
  auto parsed = ParseReportDescriptor(descriptor);
  if (!parsed) return std::nullopt;
  return parsed->caps;
}

}  // namespace tq::hid
