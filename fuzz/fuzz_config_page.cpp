#include <cstddef>
#include <cstdint>
#include <span>

#include "board/config_reports.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto page = tq::config::DecodeInputPage(std::span(data, size));
  if (page) {
    for (const auto& mode : page->modeBytes) {
      if (mode && tq::config::ModePosition(*mode) && *mode != tq::config::kModeNormal &&
          *mode != tq::config::kModeZoom) {
        __builtin_trap();  // only the two mode bytes name a list item
      }
    }
  }
  return 0;
}
