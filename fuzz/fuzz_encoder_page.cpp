#include <cstddef>
#include <cstdint>
#include <span>

#include "board/encoder_reports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto settings = tq::encoders::DecodeEncoderPage(std::span(data, size));
  if (settings) {
    // Two bits a pair, and a width position from one byte.
    for (int type : settings->types) {
      if (type < 0 || type > 3) __builtin_trap();
    }
    if (settings->pulseWidthPosition < -1 || settings->pulseWidthPosition > 254) __builtin_trap();
  }
  return 0;
}
