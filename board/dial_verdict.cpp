#include "board/dial_verdict.h"

namespace tq::monitor {

std::optional<DialMark> JudgeDial(const BoardSettings& settings, bool moved) {
  if (!moved) return std::nullopt;
  DialMark mark;
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    if (axis != kDialAxis && settings.Zoomed(axis).value_or(false)) {
      mark.zoomed.set(static_cast<std::size_t>(axis - 1));
    }
  }
  if (mark.zoomed.none()) return std::nullopt;
  return mark;
}

}  // namespace tq::monitor
