// Any descriptor a device may send, through the parse and hid.dll's four
// questions about it; the reports asked about are made from the same input.
// Beyond crashes and sanitizer findings, a field reaching past its report
// type's length is a fault, and so are two answers for one input length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "devlink/report_descriptor/hidp_queries.h"
#include "devlink/report_descriptor/report_descriptor.h"

namespace {

using tq::HIDP_REPORT_TYPE;
using tq::hid::ParsedDescriptor;

std::uint16_t LengthOf(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type) {
  return type == tq::HidP_Input    ? parsed.caps.InputReportByteLength
         : type == tq::HidP_Output ? parsed.caps.OutputReportByteLength
                                   : parsed.caps.FeatureReportByteLength;
}

// A report of `length` bytes from the input read backwards.
std::vector<std::uint8_t> ReportFrom(std::span<const std::uint8_t> input, std::size_t length) {
  std::vector<std::uint8_t> report(length, 0);
  for (std::size_t i = 0; i < length && !input.empty(); ++i) {
    report[i] = input[input.size() - 1 - i % input.size()];
  }
  return report;
}

void Ask(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE type,
         std::span<const std::uint8_t> input) {
  const std::uint16_t length = LengthOf(parsed, type);
  for (const tq::hid::ReportField& field : parsed.fields[static_cast<std::size_t>(type)]) {
    // A zero-sized field occupies no bits, and may sit in no report at all.
    const std::uint64_t bits = std::uint64_t{field.bitSize} * field.reportCount;
    const std::uint64_t end = std::uint64_t{field.startByte} * 8 + field.startBit + bits;
    if (bits > 0 && end > std::uint64_t{length} * 8) __builtin_trap();
  }

  std::vector<tq::HIDP_BUTTON_CAPS> buttons(64);
  auto buttonCount = static_cast<std::uint16_t>(buttons.size());
  (void)tq::hid::GetButtonCaps(parsed, type, buttons.data(), &buttonCount);
  std::vector<tq::HIDP_VALUE_CAPS> values(64);
  auto valueCount = static_cast<std::uint16_t>(values.size());
  (void)tq::hid::GetValueCaps(parsed, type, values.data(), &valueCount);
  std::uint16_t none = 0;
  (void)tq::hid::GetValueCaps(parsed, type, nullptr, &none);

  std::vector<std::uint8_t> report = ReportFrom(input, length);
  std::vector<std::uint8_t> wrong = ReportFrom(input, length + 1u);
  std::vector<tq::USAGE> usages(16);
  for (std::size_t i = 0; i < std::min<std::size_t>(buttonCount, buttons.size()); ++i) {
    for (const auto* bytes : {&report, &wrong}) {
      auto room = static_cast<std::uint32_t>(usages.size());
      (void)tq::hid::GetUsages(parsed, type, buttons[i].UsagePage, buttons[i].LinkCollection,
                               usages.data(), &room, *bytes);
    }
  }
  for (std::size_t i = 0; i < std::min<std::size_t>(valueCount, values.size()); ++i) {
    const tq::HIDP_VALUE_CAPS& caps = values[i];
    const tq::USAGE last = caps.IsRange ? caps.Range.UsageMax : caps.NotRange.Usage;
    std::uint32_t value = 0;
    (void)tq::hid::GetUsageValue(parsed, type, caps.UsagePage, 0, last, &value, report);
    (void)tq::hid::GetUsageValue(parsed, type, caps.UsagePage, caps.LinkCollection,
                                 caps.IsRange ? caps.Range.UsageMin : caps.NotRange.Usage,
                                 &value, wrong);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > tq::hid::kMaxReportDescriptorSize) return 0;
  const std::span<const std::uint8_t> input(data, size);
  const auto parsed = tq::hid::ParseReportDescriptor(input);
  if (!parsed) return 0;
  if (tq::hid::CapsFromReportDescriptor(input)->InputReportByteLength !=
      parsed->caps.InputReportByteLength) {
    __builtin_trap();
  }
  // Every top-level collection, as each Windows interface of the device
  // would be asked; the first is the one ParseReportDescriptor gives.
  const auto collections = tq::hid::ParseTopLevelCollections(input);
  if (!collections || collections->empty() ||
      collections->front().caps.FeatureReportByteLength != parsed->caps.FeatureReportByteLength) {
    __builtin_trap();
  }
  for (const tq::hid::ParsedDescriptor& collection : *collections) {
    for (const HIDP_REPORT_TYPE type : {tq::HidP_Input, tq::HidP_Output, tq::HidP_Feature}) {
      Ask(collection, type, input);
    }
  }
  return 0;
}
