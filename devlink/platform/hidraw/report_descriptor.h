// Reads a HID report descriptor into the capability record Windows' parser
// would give for it. The programs size every feature report from
// FeatureReportByteLength, so the lengths follow Windows exactly: per report
// ID, one byte for the ID (also when the device uses none) plus the report's
// bits rounded up to whole bytes, the largest over all IDs, and 0 when the
// descriptor declares no report of that kind. Constant (padding) fields
// count like data fields.
//
// A hidraw node carries every top-level collection of its interface, where
// Windows would present one interface per collection; the lengths here are
// taken over the whole descriptor, so no report of the interface is cut
// short, and Usage and UsagePage name the first top-level collection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "devlink/hid_api.h"

namespace tq::hidraw {

// The largest descriptor the kernel hands out (HID_MAX_DESCRIPTOR_SIZE).
inline constexpr std::size_t kMaxReportDescriptorSize = 4096;

// Fills Usage, UsagePage, the three report lengths and
// NumberLinkCollectionNodes (every collection of the descriptor); the button
// and value counts stay 0, as nothing here needs them. nullopt for a
// descriptor the kernel itself would refuse: a truncated item, a report ID of
// 0, Pop without Push, unbalanced collections, or a report longer than a
// 16-bit length can state.
std::optional<HIDP_CAPS> CapsFromReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace tq::hidraw
