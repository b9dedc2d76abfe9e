#include <cstddef>
#include <cstdint>
#include <span>

#include "devlink/report_descriptor/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > tq::hid::kMaxReportDescriptorSize) return 0;
  // Any descriptor a device may send: only crashes and sanitizer findings count.
  (void)tq::hid::CapsFromReportDescriptor(std::span(data, size));
  return 0;
}
