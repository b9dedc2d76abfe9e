#include "monitor/pair_check.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "board/change_text.h"
#include "board/detent_text.h"
#include "board/encoder_reports.h"

namespace tq::monitor {
namespace {

std::string AllMarks(const std::vector<Mark>& marks) {
  std::string text;
  for (const Mark& mark : marks) text += (text.empty() ? "" : "; ") + MarkText(mark);
  return text;
}

// The mark's words on the check, which holds some sixteen characters:
// chatter's presses alone ("chatter \u00D73"), its time in the hint.
std::string CheckWord(const Mark& mark) {
  if (mark.kind != MarkKind::Chatter) return MarkWord(mark);
  return "chatter \u00D7" + std::to_string(mark.presses);
}

bool IsEncoder(const BoardSettings& settings, int pair) {
  const auto type = settings.PairType(pair);
  return type && *type != kTypeOff;
}

// The units a pair's lengths are written in, the first whose figure for the
// longest has at most two or three digits.
struct LengthUnit {
  std::int64_t ms;     // one unit
  std::int64_t parts;  // 10: written with tenths
  std::int64_t most;   // the largest figure shown, in parts
  const char* name;
};
constexpr LengthUnit kLengthUnits[] = {{1, 1, 999, "ms"},
                                       {1000, 10, 99, "s"},
                                       {1000, 1, 99, "s"},
                                       {60'000, 1, 99, "min"},
                                       {3'600'000, 1, INT64_MAX, "h"}};

std::int64_t Rounded(std::int64_t ms, const LengthUnit& unit) {
  return (ms * unit.parts + unit.ms / 2) / unit.ms;
}

std::string InUnit(std::optional<std::int64_t> ms, const LengthUnit& unit) {
  if (!ms) return "-";
  const std::int64_t figure = Rounded(*ms, unit);
  if (unit.parts == 1) return std::to_string(figure);
  return std::to_string(figure / unit.parts) + "." + std::to_string(figure % unit.parts);
}

}  // namespace

std::string LengthsText(const PairFigures& figures) {
  if (!figures.median) return {};
  const std::int64_t longest = std::max({figures.longest.value_or(0), *figures.median,
                                         figures.shortest.value_or(0)});
  const LengthUnit* unit = std::begin(kLengthUnits);
  while (Rounded(longest, *unit) > unit->most) ++unit;
  return InUnit(figures.shortest, *unit) + " / " + InUnit(figures.median, *unit) + " / " +
         InUnit(figures.longest, *unit) + " " + unit->name;
}

PairCheck CheckOf(int pair, const PairFigures& figures, const BoardSettings& settings) {
  PairCheck check;
  const std::string name = encoders::PairInputs(pair);
  const bool pulsed = figures.counts[0] + figures.counts[1] > 0;
  const std::string setting = settings.PairTypeName(pair).value_or("?") + ", " +
                              (settings.PulseWidthMs() ? std::to_string(*settings.PulseWidthMs()) + " ms"
                                                       : std::string("no width"));
  if (!figures.marks.empty()) {
    check.marked = true;
    check.word = CheckWord(figures.marks.front()) + (figures.marks.size() > 1 ? " +1" : "");
    check.marks = AllMarks(figures.marks);
    check.hint = name + ": " + check.marks;
    return check;
  }
  if (!settings.PairType(pair)) {
    check.hint = name + ": the encoder settings were not read";
  } else if (!IsEncoder(settings, pair)) {
    check.hint = name + ": set OFF, two plain buttons; nothing to check";
  } else if (!pulsed) {
    check.word = "-";
    check.hint = name + ": no pulses yet; turn the encoder to check them against " + setting;
  } else {
    check.word = "OK";
    check.lit = true;
    check.hint = name + ": pulses as set (" + setting + ")";
  }
  return check;
}

std::string DetentsOf(const PairFigures& figures, const BoardSettings& settings, int pair) {
  if (!IsEncoder(settings, pair)) return {};
  const int type = *settings.PairType(pair);
  return Detents(figures.counts[0], type) + " / " + Detents(figures.counts[1], type);
}

std::string DetentsHintOf(const PairFigures& figures, const BoardSettings& settings, int pair) {
  if (!IsEncoder(settings, pair)) return {};
  const int type = *settings.PairType(pair);
  const int first = FirstButtonOf(pair);
  return "button " + std::to_string(first) + ": " + DetentText(figures.counts[0], type) +
         "; button " + std::to_string(first + 1) + ": " + DetentText(figures.counts[1], type);
}

std::string ButtonHint(int button, int presses, const PairFigures& figures) {
  std::string hint = "Button " + std::to_string(button) + " (pair " +
                     encoders::PairInputs(PairOf(button)) + "): " +
                     (presses == 0   ? std::string("not pressed")
                      : presses == 1 ? std::string("pressed once")
                                     : "pressed " + std::to_string(presses) + " times") +
                     " since Reset";
  if (figures.marks.empty()) return hint;
  return hint + ", outlined: its pair is marked: " + AllMarks(figures.marks);
}

std::string MarksLine(const std::array<PairFigures, kPairCount>& pairs, std::size_t room) {
  std::string line;
  std::string rest;
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const auto& marks = pairs[static_cast<std::size_t>(pair - 1)].marks;
    if (marks.empty()) continue;
    const std::string name = encoders::PairInputs(pair);
    const std::string entry = (line.empty() ? " " : "; ") + name + ": " + AllMarks(marks);
    if (rest.empty() && line.size() + entry.size() <= room) {
      line += entry;
    } else {
      rest += (rest.empty() ? "" : ", ") + name;
    }
  }
  if (rest.empty()) return line;
  return line + (line.empty() ? " marked: " : "; also marked: ") + rest + " (see their hints)";
}

}  // namespace tq::monitor
