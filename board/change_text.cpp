#include "board/change_text.h"

#include <cstdio>

namespace tq::monitor {
namespace {

std::string Ms(std::int64_t ms) { return std::to_string(ms) + " ms"; }

std::string Enc(int pair) { return "enc" + std::to_string(pair); }

struct LineOf {
  std::string operator()(const AxisMoved& moved) const {
    const bool named = moved.axis >= 1 && moved.axis <= kAxisCount;
    return (named ? std::string(kAxisNames[static_cast<std::size_t>(moved.axis - 1)])
                  : "axis " + std::to_string(moved.axis)) +
           " " + std::to_string(moved.value);
  }
  std::string operator()(const ButtonPressed& pressed) const {
    return "button " + std::to_string(pressed.button) + " pressed";
  }
  std::string operator()(const ButtonReleased& released) const {
    std::string line = "button " + std::to_string(released.button) + " released";
    if (released.heldMs) line += " after " + Ms(*released.heldMs);
    return line;
  }
  std::string operator()(const EncoderPulse& pulse) const {
    return Enc(pulse.pair) + " button " + std::to_string(pulse.button) + " pulse " +
           (pulse.lengthMs ? Ms(*pulse.lengthMs) : std::string("of unseen length")) + " (#" +
           std::to_string(pulse.count) + " since reset)";
  }
  std::string operator()(const PairMarked& marked) const {
    return Enc(marked.pair) + " marked: " + MarkText(marked.mark);
  }
};

}  // namespace

std::string Seconds(std::int64_t ms) {
  const std::int64_t magnitude = ms < 0 ? -ms : ms;
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%03lld", ms < 0 ? "-" : "",
                static_cast<long long>(magnitude / 1000), static_cast<long long>(magnitude % 1000));
  return text;
}

std::string MarkText(const Mark& mark) {
  switch (mark.kind) {
    case MarkKind::LengthOff:
      return "pulses " + Ms(mark.measuredMs) + ", set " + Ms(mark.setMs);
    case MarkKind::PulsesWhileOff:
      return "set OFF but pulses like an encoder";
    case MarkKind::BothDirections:
      return "both directions in one turn, " + Ms(mark.measuredMs) + " apart, set " +
             Ms(mark.setMs);
  }
  return "marked";
}

std::string ChangeLine(const Change& change) {
  return Seconds(change.ms) + " " + std::visit(LineOf{}, change.event);
}

}  // namespace tq::monitor
