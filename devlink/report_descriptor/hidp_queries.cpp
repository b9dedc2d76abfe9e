#include "devlink/report_descriptor/hidp_queries.h"

#include <algorithm>
#include <optional>

namespace tq::hid {
namespace {

const std::vector<ReportField>* FieldsOf(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type) {
  switch (type) {
    case HidP_Input:
    case HidP_Output:
    case HidP_Feature:
      return &parsed.fields[static_cast<std::size_t>(type)];
    default:
      return nullptr;
  }
}

std::uint16_t ReportLengthOf(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type) {
  switch (type) {
    case HidP_Input:
      return parsed.caps.InputReportByteLength;
    case HidP_Output:
      return parsed.caps.OutputReportByteLength;
    default:
      return parsed.caps.FeatureReportByteLength;
  }
}

// The fields a report may be asked about, or why it may not.
struct ReportFields {
  const std::vector<ReportField>* fields = nullptr;
  NTSTATUS status = kHidpStatusSuccess;
};

ReportFields FieldsForReport(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type,
                             std::span<const std::uint8_t> report) {
  if (report.empty()) return {nullptr, kHidpStatusInvalidReportLength};
  const auto* fields = FieldsOf(parsed, type);
  if (fields == nullptr) return {nullptr, kHidpStatusInvalidReportType};
  if (report.size() != ReportLengthOf(parsed, type)) {
    return {nullptr, kHidpStatusInvalidReportLength};
  }
  return {fields, kHidpStatusSuccess};
}

// `count` bits from bit `position` of the report, least significant first;
// nullopt where they run past its end.
std::optional<std::uint32_t> ReadBits(std::span<const std::uint8_t> report,
                                      std::uint64_t position, std::uint32_t count) {
  if (count > 32) return std::nullopt;
  if (position + count > std::uint64_t{report.size()} * 8) return std::nullopt;
  std::uint32_t value = 0;
  for (std::uint32_t bit = 0; bit < count; ++bit) {
    const std::uint64_t at = position + bit;
    const unsigned byte = report[static_cast<std::size_t>(at / 8)];
    if ((byte >> (at % 8)) & 1u) value |= 1u << bit;
  }
  return value;
}

std::uint64_t StartOf(const ReportField& field) {
  return std::uint64_t{field.startByte} * 8 + field.startBit;
}

// The field's positions that lie inside the report. A zero-size field has
// none, and a count reaching past the report's end holds nothing there, so
// an answer costs no more than the report's length whatever a count says.
std::uint64_t PositionsInReport(const ReportField& field, std::span<const std::uint8_t> report) {
  const std::uint64_t bits = std::uint64_t{report.size()} * 8;
  const std::uint64_t start = StartOf(field);
  if (field.bitSize == 0 || start >= bits) return 0;
  return std::min<std::uint64_t>(field.reportCount, (bits - start) / field.bitSize);
}

// The union as hid.dll fills it: a range's ends, or the single values with
// the second of each pair holding a range's end where only that is one.
template <typename Caps>
void PutUsages(const ReportField& field, Caps& caps) {
  caps.IsRange = field.isRange ? 1 : 0;
  caps.IsStringRange = field.isStringRange ? 1 : 0;
  caps.IsDesignatorRange = field.isDesignatorRange ? 1 : 0;
  const HIDP_RANGE range{
      .UsageMin = field.usageMin,
      .UsageMax = field.isRange ? field.usageMax : USAGE{0},
      .StringMin = field.stringMin,
      .StringMax = field.isStringRange ? field.stringMax : std::uint16_t{0},
      .DesignatorMin = field.designatorMin,
      .DesignatorMax = field.isDesignatorRange ? field.designatorMax : std::uint16_t{0},
      .DataIndexMin = field.dataIndexMin,
      .DataIndexMax = field.isRange ? field.dataIndexMax : std::uint16_t{0},
  };
  if (field.isRange) {
    caps.Range = range;
  } else {
    caps.NotRange = HIDP_NOT_RANGE{range.UsageMin, range.UsageMax, range.StringMin,
                                   range.StringMax, range.DesignatorMin, range.DesignatorMax,
                                   range.DataIndexMin, range.DataIndexMax};
  }
}

template <typename Caps>
void PutCommon(const ReportField& field, Caps& caps) {
  caps.UsagePage = field.usagePage;
  caps.ReportID = field.reportId;
  caps.IsAlias = 0;
  caps.BitField = static_cast<std::uint16_t>(field.bitField);
  caps.LinkCollection = field.linkCollection;
  caps.LinkUsage = field.linkUsage;
  caps.LinkUsagePage = field.linkUsagePage;
  caps.IsAbsolute = field.isAbsolute ? 1 : 0;
  PutUsages(field, caps);
}

HIDP_BUTTON_CAPS ButtonCapsOf(const ReportField& field) {
  HIDP_BUTTON_CAPS caps{};
  PutCommon(field, caps);
  // ReportCount stays 0, as Wine's hid.dll leaves it.
  return caps;
}

HIDP_VALUE_CAPS ValueCapsOf(const ReportField& field) {
  HIDP_VALUE_CAPS caps{};
  PutCommon(field, caps);
  caps.HasNull = field.hasNull ? 1 : 0;
  caps.BitSize = static_cast<std::uint16_t>(field.bitSize);
  // A range counts as one value per usage.
  caps.ReportCount = field.isRange ? 1 : static_cast<std::uint16_t>(field.reportCount);
  caps.UnitsExp = field.unitsExponent;
  caps.Units = field.units;
  caps.LogicalMin = field.logicalMin;
  caps.LogicalMax = field.logicalMax;
  caps.PhysicalMin = field.physicalMin;
  caps.PhysicalMax = field.physicalMax;
  return caps;
}

// The caps calls: every handed-out field of the kind, as many as there is
// room for; the count there is in `length`.
template <typename Caps, typename Convert>
NTSTATUS ListCaps(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type, bool buttons,
                  Caps* out, std::uint16_t* length, Convert convert) {
  const auto* fields = FieldsOf(parsed, type);
  if (fields == nullptr) return kHidpStatusInvalidReportType;
  if (length == nullptr) return kHidpStatusInvalidPreparsedData;
  const std::uint16_t room = out == nullptr ? std::uint16_t{0} : *length;
  std::uint32_t found = 0;
  for (const ReportField& field : *fields) {
    if (!field.HasUsage() || field.isButton != buttons) continue;
    if (found < room) out[found] = convert(field);
    ++found;
  }
  *length = static_cast<std::uint16_t>(std::min<std::uint32_t>(found, 0xFFFFu));
  if (found == 0) return kHidpStatusUsageNotFound;
  return found > room ? kHidpStatusBufferTooSmall : kHidpStatusSuccess;
}

bool InCollection(const ReportField& field, std::uint16_t linkCollection) {
  return linkCollection == 0 || field.linkCollection == linkCollection;
}

}  // namespace

NTSTATUS GetButtonCaps(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                       HIDP_BUTTON_CAPS* buttonCaps, std::uint16_t* buttonCapsLength) {
  return ListCaps(parsed, reportType, true, buttonCaps, buttonCapsLength, ButtonCapsOf);
}

NTSTATUS GetValueCaps(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                      HIDP_VALUE_CAPS* valueCaps, std::uint16_t* valueCapsLength) {
  return ListCaps(parsed, reportType, false, valueCaps, valueCapsLength, ValueCapsOf);
}

NTSTATUS GetUsages(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                   USAGE usagePage, std::uint16_t linkCollection, USAGE* usageList,
                   std::uint32_t* usageLength, std::span<const std::uint8_t> report) {
  if (usageLength == nullptr) return kHidpStatusInvalidPreparsedData;
  const std::uint32_t room = usageList == nullptr ? 0 : *usageLength;
  const ReportFields asked = FieldsForReport(parsed, reportType, report);
  if (asked.fields == nullptr) {
    // hid.dll counts none found, except for an empty report, refused first.
    if (!report.empty()) *usageLength = 0;
    return asked.status;
  }

  const std::uint8_t reportId = report[0];
  bool matched = false;
  bool incompatible = false;
  std::uint32_t on = 0;
  const auto add = [&](std::uint32_t usage) {
    if (on < room) usageList[on] = static_cast<USAGE>(usage);
    ++on;
  };
  for (const ReportField& field : *asked.fields) {
    if (!field.HasUsage() || !field.isButton || field.usagePage != usagePage ||
        !InCollection(field, linkCollection)) {
      continue;
    }
    if (reportId != 0 && field.reportId != reportId) {
      incompatible = true;
      continue;
    }
    matched = true;
    if (field.usageMax < field.usageMin) continue;
    const std::uint32_t span = std::uint32_t{field.usageMax} - field.usageMin;
    if (field.isArray) {
      // Each position holds the number of a usage that is on; a number
      // outside the field's usages, or one naming usage 0, is none.
      const std::int64_t first = field.arrayFirstValue;
      const std::uint64_t elements = PositionsInReport(field, report);
      for (std::uint64_t element = 0; element < elements; ++element) {
        const auto value = ReadBits(report, StartOf(field) + element * field.bitSize,
                                    std::min<std::uint32_t>(field.bitSize, 32));
        if (!value || *value < first || *value > first + span) continue;
        const auto usage = static_cast<std::uint32_t>(field.usageMin + (*value - first));
        if (usage != 0) add(usage);
      }
    } else {
      // One bit per usage of the range, as far as the field reaches.
      const std::uint64_t bits =
          std::min<std::uint64_t>(span + 1, PositionsInReport(field, report));
      for (std::uint32_t bit = 0; bit < bits; ++bit) {
        const auto value = ReadBits(report, StartOf(field) + bit, 1);
        if (value && *value != 0) add(field.usageMin + bit);
      }
    }
  }
  *usageLength = on;
  if (!matched) return incompatible ? kHidpStatusIncompatibleReportId : kHidpStatusUsageNotFound;
  return on > room ? kHidpStatusBufferTooSmall : kHidpStatusSuccess;
}

NTSTATUS GetUsageValue(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                       USAGE usagePage, std::uint16_t linkCollection, USAGE usage,
                       std::uint32_t* usageValue, std::span<const std::uint8_t> report) {
  const ReportFields asked = FieldsForReport(parsed, reportType, report);
  if (asked.fields == nullptr) return asked.status;

  const std::uint8_t reportId = report[0];
  bool incompatible = false;
  for (const ReportField& field : *asked.fields) {
    if (!field.HasUsage() || field.isButton || field.usagePage != usagePage ||
        !InCollection(field, linkCollection) || usage < field.usageMin ||
        usage > field.usageMax) {
      continue;
    }
    if (reportId != 0 && field.reportId != reportId) {
      incompatible = true;
      continue;
    }
    if (field.bitSize > 32) return kHidpStatusBufferTooSmall;
    // A range holds its usages' values one after another.
    const std::uint64_t offset =
        field.isRange ? static_cast<std::uint64_t>(usage - field.usageMin) * field.bitSize : 0;
    const auto value = ReadBits(report, StartOf(field) + offset, field.bitSize);
    if (!value) return kHidpStatusInvalidReportLength;
    if (usageValue == nullptr) return kHidpStatusBufferTooSmall;
    *usageValue = *value;
    return kHidpStatusSuccess;
  }
  return incompatible ? kHidpStatusIncompatibleReportId : kHidpStatusUsageNotFound;
}

NTSTATUS HidP_GetCaps(const ParsedDescriptor* parsed, HIDP_CAPS* capabilities) {
  if (parsed == nullptr || capabilities == nullptr) return kHidpStatusInvalidPreparsedData;
  *capabilities = parsed->caps;
  return kHidpStatusSuccess;
}

NTSTATUS HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType, HIDP_BUTTON_CAPS* buttonCaps,
                            std::uint16_t* buttonCapsLength, const ParsedDescriptor* parsed) {
  if (parsed == nullptr) return kHidpStatusInvalidPreparsedData;
  return GetButtonCaps(*parsed, reportType, buttonCaps, buttonCapsLength);
}

NTSTATUS HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                           std::uint16_t* valueCapsLength, const ParsedDescriptor* parsed) {
  if (parsed == nullptr) return kHidpStatusInvalidPreparsedData;
  return GetValueCaps(*parsed, reportType, valueCaps, valueCapsLength);
}

NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage, std::uint16_t linkCollection,
                        USAGE* usageList, std::uint32_t* usageLength,
                        const ParsedDescriptor* parsed, const char* report,
                        std::uint32_t reportLength) {
  if (parsed == nullptr) return kHidpStatusInvalidPreparsedData;
  return GetUsages(*parsed, reportType, usagePage, linkCollection, usageList, usageLength,
                   ReportBytes(report, reportLength));
}

NTSTATUS HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                            std::uint16_t linkCollection, USAGE usage, std::uint32_t* usageValue,
                            const ParsedDescriptor* parsed, const char* report,
                            std::uint32_t reportLength) {
  if (parsed == nullptr) return kHidpStatusInvalidPreparsedData;
  return GetUsageValue(*parsed, reportType, usagePage, linkCollection, usage, usageValue,
                       ReportBytes(report, reportLength));
}

}  // namespace tq::hid
