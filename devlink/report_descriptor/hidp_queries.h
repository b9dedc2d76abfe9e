// hid.dll's questions about a parsed descriptor and its reports, as pure
// functions with hid.dll's arguments and results (HidP_GetButtonCaps,
// HidP_GetValueCaps, HidP_GetUsages, HidP_GetUsageValue). Backends that
// have no hid.dll answer their HidP_* calls with these.
//
// Filters and results as hid.dll's: a usage page must match exactly (the
// caps calls take every page); link collection 0 takes every collection; a
// report whose byte 0 is non-zero takes only the fields of that report ID
// (kHidpStatusIncompatibleReportId when only others have the usage), a 0
// there takes every field; a report must have exactly the type's report
// length.
//
// A field's elements are those inside the report: a zero-size field has
// none, and positions a count puts past the report's end hold nothing, so
// every answer costs at most in proportion to the report's length and the
// descriptor's, whatever a field's count says.
#pragma once

#include <cstdint>
#include <span>

#include "devlink/hid_api.h"
#include "devlink/report_descriptor/report_descriptor.h"

namespace tq::hid {

// A report as hid.dll's callers pass it; none for a null pointer.
inline std::span<const std::uint8_t> ReportBytes(const char* report, std::uint32_t length) {
  if (report == nullptr) return {};
  return {reinterpret_cast<const std::uint8_t*>(report), length};
}

NTSTATUS GetButtonCaps(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                       HIDP_BUTTON_CAPS* buttonCaps, std::uint16_t* buttonCapsLength);

NTSTATUS GetValueCaps(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                      HIDP_VALUE_CAPS* valueCaps, std::uint16_t* valueCapsLength);

// usageLength: the room in usageList on entry; on return the number of
// usages on (also when they did not all fit: kHidpStatusBufferTooSmall).
NTSTATUS GetUsages(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                   USAGE usagePage, std::uint16_t linkCollection, USAGE* usageList,
                   std::uint32_t* usageLength, std::span<const std::uint8_t> report);

NTSTATUS GetUsageValue(const ParsedDescriptor& parsed, HIDP_REPORT_TYPE reportType,
                       USAGE usagePage, std::uint16_t linkCollection, USAGE usage,
                       std::uint32_t* usageValue, std::span<const std::uint8_t> report);

// The HidP_* calls of a backend without hid.dll, with hid.dll's arguments
// but for the preparsed data: the parse the backend keeps for it, null where
// the preparsed data is not one it gave out (then
// kHidpStatusInvalidPreparsedData, as hid.dll answers).
NTSTATUS HidP_GetCaps(const ParsedDescriptor* parsed, HIDP_CAPS* capabilities);
NTSTATUS HidP_GetButtonCaps(HIDP_REPORT_TYPE reportType, HIDP_BUTTON_CAPS* buttonCaps,
                            std::uint16_t* buttonCapsLength, const ParsedDescriptor* parsed);
NTSTATUS HidP_GetValueCaps(HIDP_REPORT_TYPE reportType, HIDP_VALUE_CAPS* valueCaps,
                           std::uint16_t* valueCapsLength, const ParsedDescriptor* parsed);
NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE reportType, USAGE usagePage, std::uint16_t linkCollection,
                        USAGE* usageList, std::uint32_t* usageLength,
                        const ParsedDescriptor* parsed, const char* report,
                        std::uint32_t reportLength);
NTSTATUS HidP_GetUsageValue(HIDP_REPORT_TYPE reportType, USAGE usagePage,
                            std::uint16_t linkCollection, USAGE usage, std::uint32_t* usageValue,
                            const ParsedDescriptor* parsed, const char* report,
                            std::uint32_t reportLength);

}  // namespace tq::hid
