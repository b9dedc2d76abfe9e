#include "monitor/axis_check.h"

#include <utility>
#include <vector>

#include "board/change_text.h"
#include "board/inputs_seen.h"

namespace tq::monitor {
namespace {

struct AxisMark {
  std::string word;  // for the check
  std::string text;  // in full, without the axis
};

std::vector<AxisMark> MarksOf(int axis, const std::optional<NoiseMark>& noise,
                              const std::optional<DialMark>& dial) {
  std::vector<AxisMark> marks;
  // "noisy ±3": the check's column holds no more beside the setting.
  if (noise) marks.push_back({"noisy \u00B1" + std::to_string(noise->spread), NoiseText(*noise)});
  if (dial && axis == kDialAxis) marks.push_back({"Zoom rule", DialMarkText(*dial)});
  return marks;
}

std::string NameOf(int axis) { return kAxisNames[static_cast<std::size_t>(axis - 1)]; }

}  // namespace

AxisCheck AxisCheckOf(int axis, const std::optional<NoiseMark>& noise,
                      const std::optional<DialMark>& dial) {
  AxisCheck check;
  const std::vector<AxisMark> marks = MarksOf(axis, noise, dial);
  if (marks.empty()) {
    check.hint = NameOf(axis) + ": no mark; one that wanders by itself while it rests is marked noisy";
    return check;
  }
  check.marked = true;
  check.word = marks.front().word + (marks.size() > 1 ? " +1" : "");
  check.hint = NameOf(axis) + ": ";
  for (std::size_t k = 0; k < marks.size(); ++k) check.hint += (k ? "; " : "") + marks[k].text;
  return check;
}

std::string SweptText(const std::optional<AxisReading>& reading,
                      const std::optional<AxisRange>& range) {
  if (!reading) return {};
  const Sweep sweep = SweepOf(*reading, range.value_or(kBoardAxisRange));
  return sweep.whole ? "whole" : std::to_string(sweep.percent) + " %";
}

std::string AxisMarksLine(const std::array<std::optional<NoiseMark>, kAxisCount>& noise,
                          const std::optional<DialMark>& dial, std::size_t room) {
  std::string line;
  std::string rest;
  int others = 0;  // axes named among the rest
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    const std::string name = NameOf(axis);
    bool named = false;  // among the rest
    for (const AxisMark& mark : MarksOf(axis, noise[static_cast<std::size_t>(axis - 1)], dial)) {
      const std::string entry = (line.empty() ? " " : "; ") + name + " " + mark.text;
      if (rest.empty() && line.size() + entry.size() <= room) {
        line += entry;
      } else if (!std::exchange(named, true)) {
        rest += (rest.empty() ? "" : ", ") + name;
        ++others;
      }
    }
  }
  if (rest.empty()) return line;
  return line + (line.empty() ? " marked: " : "; also marked: ") + rest +
         (others == 1 ? " (see its check)" : " (see their checks)");
}

}  // namespace tq::monitor
