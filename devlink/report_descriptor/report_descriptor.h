// Reads a HID report descriptor into what Windows' HID parser makes of it:
// the capability record and, per report type, the fields of every main item
// as hid.dll hands them out as button and value capabilities. The hidraw
// backend and the emulator answer HidP_* from this parse; the Windows
// backend asks hid.dll itself, and the Wine check compares the two.
//
// Lengths follow Windows exactly: per report ID, one byte for the ID (also
// when the device uses none) plus the report's bits rounded up to whole
// bytes, the largest over all IDs, and 0 when the descriptor declares no
// report of that kind. Constant (padding) fields count like data fields.
//
// How a main item becomes fields, as Windows' parser (and Wine's, which
// follows it) splits it:
// - A variable item with a usage range is one field holding the range.
// - A variable item with several usages is one field per usage, last usage
//   first: the last usage takes the item's highest positions (all those the
//   list leaves over, when the item counts more than it names usages), each
//   earlier usage one position below. Data indices go in that order too.
// - An array item is one field per usage, all at the item's position with
//   its whole count, first usage last in the list. Its values number the
//   usages in declaration order from Logical Minimum, as the HID
//   class definition has it (a keyboard's 0 ... 101 for usages 0 ... 101);
//   usage 0 stands for no usage. Wine counts them from 1 whatever Logical
//   Minimum says: the two agree where it is 1, as on most arrays.
// - A field of 1-bit size or of an array is a button; any other a value.
// - A field without any usage (padding) is kept here but takes no data
//   index and is never handed out.
// - A usage names the page current when the usage is read, or its own with
//   four data bytes; a collection's link usage page likewise (Wine takes
//   the page current at the collection, ignoring a four-byte usage's).
//
// Where this knowingly differs from Wine's parser (its behaviour on the
// odd descriptor rather than a rule of Windows): usages beyond the item's
// count are dropped (Wine's arithmetic breaks), an item of count 0 yields
// nothing, a zero-sized field adds no report length, and long items are
// skipped as the kernel skips them. A zero-sized field is kept with its
// count as declared, so its caps are handed out, but it holds no element
// (hidp_queries.h); refusing the descriptor for it would cost the device's
// every other field.
//
// Windows presents one interface per top-level collection, each with the
// caps of its own reports (lengths, link collections and data indices
// counted from 0 within it), where a hidraw node carries every collection
// of the USB interface. ParseTopLevelCollections gives each collection as
// its Windows interface sees it; ParseReportDescriptor the first one, which
// the hidraw backend and the emulator answer for, so a program sees there
// what it sees of the first interface on Windows. Main items outside every
// collection count with the collection before them (the first, when none
// came yet); the kernel reads them, Windows' parser is not asked about them
// here. Wine 8's HID stack does not split: it presents such a device as one
// interface over the whole descriptor (link collections and data indices
// counted across all collections), so there it differs from this parse and
// from Windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devlink/hid_api.h"

namespace tq::hid {

// The largest descriptor the kernel hands out (HID_MAX_DESCRIPTOR_SIZE).
inline constexpr std::size_t kMaxReportDescriptorSize = 4096;
// Windows' parser holds at most this many usages before one main item.
inline constexpr std::size_t kMaxUsagesPerItem = 255;

// One field of a main item: one button or value capability.
struct ReportField {
  std::uint8_t reportId = 0;
  // Position of the first bit, the report-ID byte counted (so a device
  // without IDs starts at byte 1).
  std::uint32_t startByte = 0;
  std::uint8_t startBit = 0;
  std::uint32_t bitSize = 0;      // Report Size
  std::uint32_t reportCount = 0;  // positions this field covers

  USAGE usagePage = 0;
  USAGE usageMin = 0, usageMax = 0;  // equal unless isRange
  bool isRange = false;
  std::uint16_t stringMin = 0, stringMax = 0;
  bool isStringRange = false;
  std::uint16_t designatorMin = 0, designatorMax = 0;
  bool isDesignatorRange = false;
  std::uint16_t dataIndexMin = 0, dataIndexMax = 0;

  std::uint32_t bitField = 0;  // the main item's data bits
  bool isButton = false;
  bool isArray = false;     // bit 1 of the main item clear
  bool isAbsolute = false;  // bit 2 clear
  bool isConstant = false;  // bit 0 set
  bool hasNull = false;     // bit 6 set
  // An array's values: usageMin answers to this value, the next usage to
  // one more.
  std::int64_t arrayFirstValue = 0;

  std::int32_t logicalMin = 0, logicalMax = 0;
  std::int32_t physicalMin = 0, physicalMax = 0;
  std::uint32_t units = 0, unitsExponent = 0;

  std::uint16_t linkCollection = 0;
  USAGE linkUsagePage = 0, linkUsage = 0;

  // Whether hid.dll hands it out: a field with no usage at all is padding.
  bool HasUsage() const { return usageMin != 0 || usageMax != 0; }
};

struct ParsedDescriptor {
  // With the button, value and data-index counts filled as HidP_GetCaps
  // gives them.
  HIDP_CAPS caps{};
  // By HIDP_REPORT_TYPE, in hid.dll's order.
  std::array<std::vector<ReportField>, 3> fields;
  // Whether any report of the whole descriptor carries an ID; then the
  // kernel hands every report with it.
  bool numberedReports = false;
};

// The first top-level collection; nullopt for a descriptor the kernel or
// Windows would refuse: a truncated item, a report ID of 0, Pop without
// Push, unbalanced collections, more usages before one main item than
// Windows holds, or a report longer than a 16-bit length can state.
std::optional<ParsedDescriptor> ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

// Every top-level collection in descriptor order (at least one, also for a
// descriptor without any collection); nullopt as above.
std::optional<std::vector<ParsedDescriptor>> ParseTopLevelCollections(
    std::span<const std::uint8_t> descriptor);

// The capability record alone.
std::optional<HIDP_CAPS> CapsFromReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace tq::hid
