#include "ctl/seen_json.h"

#include <nlohmann/json.hpp>

namespace tq::ctl {

std::string SeenJson(std::int64_t ms, const monitor::ButtonPresses& presses, const monitor::AxisReadings& axes,
                     const monitor::AxisRanges& ranges) {
  const monitor::SeenCount count = monitor::CountSeen(presses, axes, ranges);
  nlohmann::ordered_json json;
  json["ms"] = ms;
  json["event"] = "seen";
  json["buttons"] = count.buttons;
  json["wholeAxes"] = count.wholeAxes;
  json["notPressed"] = monitor::UnpressedButtons(presses);
  auto unswept = nlohmann::ordered_json::array();
  for (const int axis : monitor::UnsweptAxes(axes, ranges)) {
    unswept.push_back(monitor::kAxisNames[static_cast<std::size_t>(axis - 1)]);
  }
  json["notSweptWhole"] = unswept;
  json["text"] = monitor::SeenLine(count);
  return json.dump();
}

}  // namespace tq::ctl
