#include <cstddef>
#include <cstdint>
#include <span>

#include "devlink/device_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = tq::HidStringToText(std::span(data, size));
  // At most one character per code unit, each at most two UTF-8 bytes.
  if (text.size() > size + 1) __builtin_trap();
  return 0;
}
