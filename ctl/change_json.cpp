#include "ctl/change_json.h"

#include <nlohmann/json.hpp>

#include "board/change_text.h"
#include "board/encoder_reports.h"

namespace tq::ctl {
namespace {

using Json = nlohmann::ordered_json;
using namespace monitor;

const char* MarkName(MarkKind kind) {
  switch (kind) {
    case MarkKind::LengthOff:
      return "lengthOff";
    case MarkKind::PulsesWhileOff:
      return "pulsesWhileOff";
    case MarkKind::BothDirections:
      return "bothDirections";
    case MarkKind::SettingChanged:
      return "settingChanged";
    case MarkKind::Chatter:
      return "chatter";
  }
  return "mark";
}

struct Fields {
  Json& json;
  void operator()(const AxisMoved& moved) const {
    json["event"] = "axis";
    json["axis"] = moved.axis;
    if (moved.axis >= 1 && moved.axis <= kAxisCount) {
      json["name"] = kAxisNames[static_cast<std::size_t>(moved.axis - 1)];
    }
    json["value"] = moved.value;
  }
  void operator()(const ButtonPressed& pressed) const {
    json["event"] = "press";
    json["button"] = pressed.button;
  }
  void operator()(const ButtonReleased& released) const {
    json["event"] = "release";
    json["button"] = released.button;
    json["heldMs"] = released.heldMs ? Json(*released.heldMs) : Json(nullptr);
  }
  void operator()(const EncoderPulse& pulse) const {
    json["event"] = "pulse";
    json["pair"] = pulse.pair;
    json["button"] = pulse.button;
    json["lengthMs"] = pulse.lengthMs ? Json(*pulse.lengthMs) : Json(nullptr);
    json["count"] = pulse.count;
  }
  void operator()(const PairMarked& marked) const {
    json["event"] = "mark";
    json["pair"] = marked.pair;
    json["mark"] = MarkName(marked.mark.kind);
    if (marked.mark.kind == MarkKind::Chatter) {
      json["button"] = marked.mark.button;
      json["presses"] = marked.mark.presses;
      json["spanMs"] = marked.mark.measuredMs;
    } else if (marked.mark.kind != MarkKind::PulsesWhileOff) {
      json["measuredMs"] = marked.mark.measuredMs;
      json["setMs"] = marked.mark.setMs;
    }
    if (marked.mark.seenType) json["seenType"] = encoders::EncoderTypeName(*marked.mark.seenType);
    json["text"] = MarkText(marked.mark);
  }
  void operator()(const DialMarked& marked) const {
    json["event"] = "mark";
    json["axis"] = kDialAxis;
    json["name"] = kAxisNames[static_cast<std::size_t>(kDialAxis - 1)];
    json["mark"] = "dialWhileZoomed";
    Json zoomed = Json::array();
    for (int axis = 1; axis <= kAxisCount; ++axis) {
      if (marked.mark.zoomed.test(static_cast<std::size_t>(axis - 1))) {
        zoomed.push_back(kAxisNames[static_cast<std::size_t>(axis - 1)]);
      }
    }
    json["zoomed"] = zoomed;
    json["text"] = DialMarkText(marked.mark);
  }
  void operator()(const AxisNoisy& noisy) const {
    json["event"] = "mark";
    json["axis"] = noisy.axis;
    if (noisy.axis >= 1 && noisy.axis <= kAxisCount) {
      json["name"] = kAxisNames[static_cast<std::size_t>(noisy.axis - 1)];
    }
    json["mark"] = "noisy";
    json["spread"] = noisy.mark.spread;
    json["text"] = NoiseText(noisy.mark);
  }
};

}  // namespace

std::string ChangeJson(const Change& change) {
  Json json;
  json["ms"] = change.ms;
  std::visit(Fields{json}, change.event);
  return json.dump();
}

}  // namespace tq::ctl
