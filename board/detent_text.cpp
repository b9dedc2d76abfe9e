#include "board/detent_text.h"

#include "board/encoder_reports.h"

namespace tq::monitor {

std::string Detents(int pulses, int type) {
  const int perDetent = encoders::PulsesPerDetent(type);
  if (perDetent == 0) return {};
  std::string text = std::to_string(pulses / perDetent);
  // A quarter of a detent is the finest: four pulses a detent at most.
  switch ((pulses % perDetent) * 4 / perDetent) {
    case 1:
      return text + ".25";
    case 2:
      return text + ".5";
    case 3:
      return text + ".75";
    default:
      return text;
  }
}

std::string DetentText(int pulses, int type) {
  const std::string detents = Detents(pulses, type);
  if (detents.empty()) return {};
  return std::to_string(pulses) + (pulses == 1 ? " pulse: " : " pulses: ") + detents +
         (detents == "1" ? " detent at " : " detents at ") +
         encoders::EncoderTypeName(type);
}

}  // namespace tq::monitor
