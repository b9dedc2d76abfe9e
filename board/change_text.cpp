#include "board/change_text.h"

#include <cstdio>

#include "board/board_settings.h"
#include "board/config_reports.h"
#include "board/encoder_reports.h"

namespace tq::monitor {
namespace {

std::string Ms(std::int64_t ms) { return std::to_string(ms) + " ms"; }

std::string Enc(int pair) { return "enc" + std::to_string(pair); }

// What the pulses match instead of the setting read: "pulses of 96 ms, as
// at 1:4", "contacts as at OFF".
std::string SeenSetting(const Mark& mark) {
  if (mark.seenType == kTypeOff) return "contacts as at OFF";
  std::string seen = "pulses";
  if (mark.measuredMs > 0) seen += " of " + Ms(mark.measuredMs);
  if (mark.seenType) seen += (mark.measuredMs > 0 ? ", as at " : " as at ") + encoders::EncoderTypeName(*mark.seenType);
  return seen;
}

struct LineOf {
  std::string operator()(const AxisMoved& moved) const {
    return Axis(moved.axis) + " " + std::to_string(moved.value);
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
  std::string operator()(const DialMarked& marked) const {
    return std::string(kAxisNames[static_cast<std::size_t>(kDialAxis - 1)]) +
           " marked: " + DialMarkText(marked.mark);
  }
  std::string operator()(const AxisNoisy& noisy) const {
    return Axis(noisy.axis) + " marked: " + NoiseText(noisy.mark);
  }
  static std::string Axis(int axis) {
    return axis >= 1 && axis <= kAxisCount ? std::string(kAxisNames[static_cast<std::size_t>(axis - 1)])
                                           : "axis " + std::to_string(axis);
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
      return MarkWord(mark) + ", set " + Ms(mark.setMs);
    case MarkKind::PulsesWhileOff:
      return "pulses while OFF, as an encoder's contacts";
    case MarkKind::BothDirections:
      return "both ways in one turn: " + Ms(mark.measuredMs) + " apart, set " + Ms(mark.setMs);
    case MarkKind::SettingChanged:
      return "setting may have changed: " + SeenSetting(mark) + "; press Reset";
    case MarkKind::Chatter:
      return "button " + std::to_string(mark.button) + " " + MarkWord(mark) + "; " + kChatterCauses;
  }
  return "marked";
}

std::string MarkWord(const Mark& mark) {
  switch (mark.kind) {
    case MarkKind::LengthOff:
      return (mark.measuredMs < mark.setMs ? "short: " : "long: ") + Ms(mark.measuredMs);
    case MarkKind::PulsesWhileOff:
      return "pulses while OFF";
    case MarkKind::BothDirections:
      return "both ways";
    case MarkKind::SettingChanged:
      return "setting changed?";
    case MarkKind::Chatter:
      return "chatter: " + std::to_string(mark.presses) + " presses in " + Ms(mark.measuredMs);
  }
  return "marked";
}

std::string DialMarkText(const DialMark& mark) {
  std::string zoomed;
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    if (!mark.zoomed.test(static_cast<std::size_t>(axis - 1))) continue;
    zoomed += (zoomed.empty() ? "" : ", ") + std::string(kAxisNames[static_cast<std::size_t>(axis - 1)]);
  }
  return "moves while " + zoomed + (mark.zoomed.count() == 1 ? " is" : " are") + " in Zoom: " +
         config::kUnzoomableInputRule;
}

std::string NoiseWord(const NoiseMark& mark) {
  return "noisy: \u00B1" + std::to_string(mark.spread) + " at rest";
}

std::string NoiseText(const NoiseMark& mark) { return NoiseWord(mark) + "; " + kNoiseCauses; }

std::string ChangeLine(const Change& change) {
  return Seconds(change.ms) + " " + std::visit(LineOf{}, change.event);
}

}  // namespace tq::monitor
