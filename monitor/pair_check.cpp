#include "monitor/pair_check.h"

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

}  // namespace

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
