#include "monitor/frm_main.h"

#include <initializer_list>
#include <string>

#include "board/change_text.h"
#include "board/config_reports.h"
#include "board/encoder_reports.h"
#include "monitor/axis_check.h"
#include "monitor/pair_check.h"

namespace tq::monitor {
namespace {

// The window must fit a 1024 x 768 screen at 100 % and a 1920 x 1080 one
// at 150 %, so rows are as tight as the text allows and the sixteen encoder
// pairs stand in two columns of eight.
constexpr int kRowStep = 270;
constexpr int kAxisRowTop = 540;
constexpr int kButtonGroupLeft = 1140;
constexpr int kButtonGroupStep = 800;
constexpr int kPairRowTop = 540;
constexpr int kPairColumnLeft[2] = {240, 7260};
constexpr int kPairsPerColumn = kPairCount / 2;
constexpr std::size_t kShortPathLength = 24;
// What the lines under the axes and the pairs hold in full before they
// name the rest, which takes up to 35 more.
constexpr std::size_t kMarksLineChars = 120;
// What a button lamp shows once pressed since the last Reset: a shape, not
// a colour. A ring, as a letter every font has at the width of a letter: a
// bullet is no wider in Windows' own fonts, but Wine may draw it from a
// fallback font as wide as the lamp.
constexpr const char* kSeenMark = "o";
constexpr int kHeadingTop = 270;
constexpr int kTextHeight = 255;
constexpr int kBarHeight = 240;  // and a lamp's

// Where a column of a row stands and how wide it is; each heading stands in
// the column of the figures under it.
struct Column {
  int left;
  int width;
};
// An axis row's: name, value, bar, lowest, highest, the share of its range
// swept, its check, setting, what a game sees (wide enough for "A game sees
// (/dev/input/event12)" above it).
enum AxisColumn { kAxisName, kAxisValue, kAxisBar, kAxisLowest, kAxisHighest, kAxisSwept,
                  kAxisCheck, kAxisSetting, kAxisGame };
constexpr Column kAxisColumns[] = {{240, 720},   {1020, 600},  {1680, 3480},
                                   {5220, 720},  {6000, 720},  {6780, 720},
                                   {7560, 1260}, {8880, 2160}, {11100, 3060}};
// An encoder pair row's, from the left edge of its column of pairs.
enum PairColumn { kPairName, kPairType, kPairWidth, kPairCounts, kPairDetents, kPairLengths,
                  kPairMark };
constexpr Column kPairColumns[] = {{0, 600},    {600, 540},   {1140, 720}, {1860, 840},
                                   {2700, 840}, {3540, 1680}, {5280, 1680}};
// Each pair column's headings, by the columns above.
constexpr const char* kPairHeadings[][2] = {
    {"lblPairHeading", "Pair"},       {"lblTypeHeading", "Type"},
    {"lblWidthHeading", "Width"},     {"lblCountsHeading", "Pulses"},
    {"lblDetentsHeading", "Detents"}, {"lblLengthsHeading", "Min / med / max"},
    {"lblMarkHeading", "Check"}};

ui::TwipsRect AxisCell(AxisColumn column, int top, int height = kTextHeight) {
  const Column& at = kAxisColumns[column];
  return {at.left, top, at.width, height};
}

ui::TwipsRect PairCell(PairColumn column, int left, int top, int height = kTextHeight) {
  const Column& at = kPairColumns[column];
  return {left + at.left, top, at.width, height};
}

std::string AxisSetting(const BoardSettings& settings, int axis) {
  const auto inverted = settings.Inverted(axis);
  auto mode = settings.ModeName(axis);
  // No program sets Dial's mode: whatever its byte says, the board wants
  // Dial unconnected while another input zooms.
  if (mode && axis == config::kUnzoomableInput) mode = "mode fixed";
  if (!inverted && !mode) return {};
  std::string text = inverted ? (*inverted ? "inverted" : "normal") : "";
  if (mode) text += (text.empty() ? "" : ", ") + *mode;
  return " " + text;
}

}  // namespace

AxisRow::AxisRow(ui::Container& frame, int axis, int top)
    : name(frame, "lblAxis" + std::to_string(axis), AxisCell(kAxisName, top),
           kAxisNames[static_cast<std::size_t>(axis - 1)]),
      value(frame, "lblAxisValue" + std::to_string(axis), AxisCell(kAxisValue, top)),
      bar(frame, "barAxis" + std::to_string(axis), AxisCell(kAxisBar, top, kBarHeight), 0, 127),
      lowest(frame, "lblAxisLowest" + std::to_string(axis), AxisCell(kAxisLowest, top)),
      highest(frame, "lblAxisHighest" + std::to_string(axis), AxisCell(kAxisHighest, top)),
      swept(frame, "lblAxisSwept" + std::to_string(axis), AxisCell(kAxisSwept, top)),
      check(frame, "lampAxisCheck" + std::to_string(axis), AxisCell(kAxisCheck, top, kBarHeight),
            ""),
      setting(frame, "lblAxisSetting" + std::to_string(axis), AxisCell(kAxisSetting, top)),
      game(frame, "lblGameAxis" + std::to_string(axis), AxisCell(kAxisGame, top)) {
  name.SetLabelFor(bar);
  const std::string axisName = kAxisNames[static_cast<std::size_t>(axis - 1)];
  check.SetAccessibleName("Check " + axisName);
  check.SetHint(AxisCheckOf(axis, {}, {}).hint);
}

// `left` is the left edge of the pair's column.
PairRow::PairRow(ui::Container& frame, int pair, int left, int top)
    : name(frame, "lblPair" + std::to_string(pair), PairCell(kPairName, left, top),
           encoders::PairInputs(pair)),
      type(frame, "lblPairType" + std::to_string(pair), PairCell(kPairType, left, top)),
      width(frame, "lblPairWidth" + std::to_string(pair), PairCell(kPairWidth, left, top)),
      counts(frame, "lblPairCounts" + std::to_string(pair), PairCell(kPairCounts, left, top)),
      detents(frame, "lblPairDetents" + std::to_string(pair), PairCell(kPairDetents, left, top)),
      lengths(frame, "lblPairLengths" + std::to_string(pair), PairCell(kPairLengths, left, top)),
      mark(frame, "lampPairMark" + std::to_string(pair),
           PairCell(kPairMark, left, top, kBarHeight), "") {
  mark.SetAccessibleName("Check " + encoders::PairInputs(pair));
}

frmMain::frmMain(HidApi& api, GameView* game, HostHints hints, InputSession::Clock clock)
    : ProgramWindow("TQ5271 Input Monitor", 14580, 9720),
      worker_(api, game, std::move(hints), std::move(clock)),
      Frame1(form_, "Frame1", {120, 0, 14340, 1080}, "Device details"),
      Label1(Frame1, "Label1", {240, 300, 1400, 285}, "Serial Number"),
      SerNo(Frame1, "SerNo", {1680, 240, 1500, 360}),
      Label2(Frame1, "Label2", {3420, 300, 1200, 285}, "Manufacturer"),
      lblManuf(Frame1, "lblManuf", {4680, 300, 2400, 330}),
      Label3(Frame1, "Label3", {7200, 300, 800, 285}, "Product"),
      lblProduct(Frame1, "lblProduct", {8040, 300, 2880, 330}),
      Label4(Frame1, "Label4", {240, 690, 1400, 285}, "Version"),
      lblVersion(Frame1, "lblVersion", {1680, 690, 840, 330}),
      lblStatus(Frame1, "lblStatus", {3420, 690, 10800, 330}),
      // Under the list, beside the board it resets.
      cmdReset(Frame1, "cmdReset", {2580, 645, 780, 375}, "Reset"),
      Timer(Frame1, "Timer", kRepaintIntervalMs, ui::TimerMode::OnRequest),
      StatusTimer(Frame1, "StatusTimer", static_cast<int>(kStatusIntervalMs)),
      Frame2(form_, "Frame2", {120, 1200, 14340, 3330}, "Axes"),
      lblAxisHeading(Frame2, "lblAxisHeading", AxisCell(kAxisName, kHeadingTop), "Axis"),
      lblValueHeading(Frame2, "lblValueHeading", AxisCell(kAxisValue, kHeadingTop), "Value"),
      lblLowestHeading(Frame2, "lblLowestHeading", AxisCell(kAxisLowest, kHeadingTop), "Lowest"),
      lblHighestHeading(Frame2, "lblHighestHeading", AxisCell(kAxisHighest, kHeadingTop),
                        "Highest"),
      lblSweptHeading(Frame2, "lblSweptHeading", AxisCell(kAxisSwept, kHeadingTop), "Swept"),
      lblCheckHeading(Frame2, "lblCheckHeading", AxisCell(kAxisCheck, kHeadingTop), "Check"),
      lblSettingHeading(Frame2, "lblSettingHeading", AxisCell(kAxisSetting, kHeadingTop),
                        "Setting"),
      lblGameHeading(Frame2, "lblGameHeading", AxisCell(kAxisGame, kHeadingTop), "A game sees"),
      // The lines under the rows keep the rows' step, and each frame ends
      // 75 twips under its last line.
      lblGameOther(Frame2, "lblGameOther", {240, kAxisRowTop + kRowStep * kAxisCount, 13920, 285}),
      lblAxisMarks(Frame2, "lblAxisMarks",
                   {240, kAxisRowTop + kRowStep * (kAxisCount + 1), 13920, 285}),
      Frame3(form_, "Frame3", {120, 4650, 14340, 1500}, "Buttons"),
      lblBoardButtons(Frame3, "lblBoardButtons", {240, 555, 880, 255}, "Board"),
      lblGameButtons(Frame3, "lblGameButtons", {240, 855, 880, 255}, "A game"),
      lblSeen(Frame3, "lblSeen", {240, 1140, 13920, 285}),
      Frame4(form_, "Frame4", {120, 6270, 14340, 3330}, "Encoders"),
      lblMarks(Frame4, "lblMarks", {240, kPairRowTop + kRowStep * kPairsPerColumn, 13920, 285}),
      lblLegend(Frame4, "lblLegend",
                {240, kPairRowTop + kRowStep * (kPairsPerColumn + 1), 13920, 285}, kCheckLegend) {
  for (int column = 0; column < 2; ++column) {
    const std::string n = std::to_string(column + 1);
    auto& headings = pairHeadings_[static_cast<std::size_t>(column)];
    for (int k = kPairName; k <= kPairMark; ++k) {
      const auto& [name, caption] = kPairHeadings[k];
      headings[static_cast<std::size_t>(k)] = std::make_unique<ui::Label>(
          Frame4, name + n,
          PairCell(static_cast<PairColumn>(k), kPairColumnLeft[column], kHeadingTop), caption);
    }
  }
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    axes_[static_cast<std::size_t>(axis - 1)] =
        std::make_unique<AxisRow>(Frame2, axis, kAxisRowTop + kRowStep * (axis - 1));
  }
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const int left = kButtonGroupLeft + kButtonGroupStep * (pair - 1);
    const auto k = static_cast<std::size_t>(pair - 1);
    buttonPairLabels_[k] = std::make_unique<ui::Label>(
        Frame3, "lblButtonPair" + std::to_string(pair), ui::TwipsRect{left, 270, 770, 255},
        encoders::PairInputs(pair));
    for (int side = 0; side < 2; ++side) {
      const int button = FirstButtonOf(pair) + side;
      const auto b = static_cast<std::size_t>(button - 1);
      // The pair's caption above names the two lamps; a number in each
      // would make them wider than sixteen pairs leave room for.
      buttons_[b] = std::make_unique<ui::Lamp>(Frame3, "lampButton" + std::to_string(button),
                                               ui::TwipsRect{left + 300 * side, 540, 270, 270},
                                               "");
      buttons_[b]->SetHint(ButtonHint(button, 0, {}));
      buttons_[b]->SetAccessibleName("Button " + std::to_string(button));
      buttons_[b]->SetStateWords("pressed", "released");
      gameButtons_[b] = std::make_unique<ui::Lamp>(
          Frame3, "lampGameButton" + std::to_string(button),
          ui::TwipsRect{left + 300 * side, 840, 270, 270}, "");
      gameButtons_[b]->SetHint("Button " + std::to_string(button) + " as a game sees it");
      gameButtons_[b]->SetAccessibleName("Game button " + std::to_string(button));
      gameButtons_[b]->SetStateWords("pressed", "released");
    }
  }
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const int column = (pair - 1) / kPairsPerColumn;
    const int row = (pair - 1) % kPairsPerColumn;
    pairs_[static_cast<std::size_t>(pair - 1)] = std::make_unique<PairRow>(
        Frame4, pair, kPairColumnLeft[column], kPairRowTop + kRowStep * row);
  }

  // What a screen reader names the list and the board's texts by.
  Label1.SetLabelFor(SerNo);
  Label2.SetLabelFor(lblManuf);
  Label3.SetLabelFor(lblProduct);
  Label4.SetLabelFor(lblVersion);

  for (ui::Label* value : {&lblManuf, &lblProduct, &lblVersion}) {
    value->SetColors(ui::SystemColor::WindowBackground, ui::SystemColor::WindowText);
  }
  SerNo.SetEnabled(false);
  SerNo.SetHint("Pick the board to watch");
  cmdReset.SetEnabled(false);
  cmdReset.SetHint("Start the counts, lowest and highest, reports and marks afresh, and read "
                   "the board's settings again");

  SerNo.Click = [this] { SerNo_Click(); };
  cmdReset.Click = [this] { cmdReset_Click(); };
  Timer.TimerEvent = [this] { Timer_Timer(); };
  StatusTimer.TimerEvent = [this] { Timer_Timer(); };
  form_.Unload = [this] { Form_Unload(); };
  worker_.OnNews([this] { Timer.Request(); });
}

frmMain::~frmMain() { worker_.Stop(); }

void frmMain::Form_Load() {
  form_.Show();
  Timer.SetEnabled(true);
  StatusTimer.SetEnabled(true);
  worker_.Start();
}

void frmMain::Form_Unload() {
  Timer.SetEnabled(false);
  StatusTimer.SetEnabled(false);
  worker_.Stop();
}

void frmMain::Timer_Timer() {
  auto state = worker_.TakeIfNewer(shown_.version);
  if (!state) {
    // Nothing new from the board: only the age of its last report moves.
    shown_.nowMs = worker_.NowMs();
    ShowStatus(shown_);
    return;
  }
  ShowBoard(*state);
  ShowAxes(*state);
  ShowButtons(*state);
  ShowPairs(*state);
  shown_ = std::move(*state);
  drawn_ = true;
}

bool frmMain::AxisRowChanged(const MonitorState& state, std::size_t k) const {
  return !drawn_ || state.boardVersion != shown_.boardVersion ||
         state.gameVersion != shown_.gameVersion || state.axes[k] != shown_.axes[k] ||
         state.noise[k] != shown_.noise[k] || (k + 1 == kDialAxis && state.dial != shown_.dial);
}

bool frmMain::PairRowChanged(const MonitorState& state, std::size_t k) const {
  return !drawn_ || state.boardVersion != shown_.boardVersion || state.pairs[k] != shown_.pairs[k];
}

bool frmMain::ButtonChanged(const MonitorState& state, std::size_t k) const {
  const auto pair = static_cast<std::size_t>(PairOf(static_cast<int>(k) + 1) - 1);
  const auto gameLit = [k](const MonitorState& s) { return s.game && s.game->buttons[k]; };
  return !drawn_ || state.boardVersion != shown_.boardVersion ||
         state.buttons[k] != shown_.buttons[k] || state.presses[k] != shown_.presses[k] ||
         state.pairs[pair] != shown_.pairs[pair] ||
         state.game.has_value() != shown_.game.has_value() || gameLit(state) != gameLit(shown_);
}

bool frmMain::BoardChanged(const MonitorState& state) const {
  return !drawn_ || state.openSerial != shown_.openSerial || state.live != shown_.live ||
         state.problem != shown_.problem || state.devicePath != shown_.devicePath ||
         state.manufacturer != shown_.manufacturer || state.product != shown_.product ||
         state.release != shown_.release;
}

void frmMain::SerNo_Click() {
  if (fillingList_ || SerNo.ListIndex() < 0) return;
  worker_.Choose(SerNo.Text());
}

void frmMain::cmdReset_Click() { worker_.Reset(); }

void frmMain::ShowBoard(const MonitorState& state) {
  ShowStatus(state);
  if (state.serials != SerNo.Items()) {
    fillingList_ = true;
    SerNo.Clear();
    for (const std::string& serial : state.serials) SerNo.AddItem(serial);
    fillingList_ = false;
  }
  int index = -1;
  for (int i = 0; i < SerNo.ListCount(); ++i) {
    if (SerNo.Items()[static_cast<std::size_t>(i)] == state.openSerial) index = i;
  }
  fillingList_ = true;
  SerNo.SetListIndex(index);
  fillingList_ = false;
  SerNo.SetEnabled(!state.serials.empty());
  if (!BoardChanged(state)) return;

  // An unplugged board's strings stay beside its last figures, greyed.
  const bool watched = !state.openSerial.empty();
  lblManuf.SetCaption(watched ? " " + state.manufacturer : "");
  lblProduct.SetCaption(watched ? " " + state.product : "");
  lblVersion.SetCaption(watched ? state.release : "");
  lblStatus.SetHint(state.problem.empty() ? state.devicePath : state.problem);
  ShowLive(state);
}

void frmMain::ShowLive(const MonitorState& state) {
  if (drawn_ && state.live == shown_.live) return;
  const bool live = state.live;
  // An unplugged board's settings cannot be read again.
  cmdReset.SetEnabled(live);
  for (ui::Label* value : {&lblManuf, &lblProduct, &lblVersion}) value->SetEnabled(live);
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    AxisRow& row = Axis(axis);
    for (ui::Control* figure : std::initializer_list<ui::Control*>{
             &row.name, &row.value, &row.bar, &row.lowest, &row.highest, &row.swept, &row.check,
             &row.setting}) {
      figure->SetEnabled(live);
    }
  }
  for (int button = 1; button <= kButtonCount; ++button) Button(button).SetEnabled(live);
  lblAxisMarks.SetEnabled(live);
  lblSeen.SetEnabled(live);
  lblMarks.SetEnabled(live);
  for (int pair = 1; pair <= kPairCount; ++pair) {
    PairRow& row = Pair(pair);
    for (ui::Control* figure : std::initializer_list<ui::Control*>{
             &row.name, &row.type, &row.width, &row.counts, &row.detents, &row.lengths,
             &row.mark}) {
      figure->SetEnabled(live);
    }
  }
}

void frmMain::ShowStatus(const MonitorState& state) {
  // The count moves with every report: the line is redrawn once a second,
  // at once only when what it says is of another kind (a problem, a board
  // opened, the first report).
  const bool sameKind = state.problem == shown_.problem && state.live == shown_.live &&
                        state.devicePath == shown_.devicePath &&
                        state.lastReportMs.has_value() == shown_.lastReportMs.has_value();
  if (drawn_ && sameKind && state.nowMs - statusAtMs_ < kStatusIntervalMs &&
      state.nowMs >= statusAtMs_) {
    return;
  }
  lblStatus.SetCaption(StatusText(state));
  statusAtMs_ = state.nowMs;
}

std::string frmMain::StatusText(const MonitorState& state) {
  if (!state.problem.empty() || !state.live) return state.problem;
  // A Windows device path is a line of its own; the hint holds it.
  const bool shortPath = state.devicePath.size() <= kShortPathLength;
  std::string status = " " + (shortPath ? state.devicePath + ": " : std::string()) +
                       std::to_string(state.reports) +
                       (state.reports == 1 ? " input report" : " input reports");
  if (!state.lastReportMs) return status + "; move an input to see one";
  // Whole seconds: the line changes once a second while the board is idle.
  const std::int64_t ago = (state.nowMs - *state.lastReportMs) / 1000;
  return status + (ago < 1 ? ", the last just now" : ", the last " + std::to_string(ago) + " s ago");
}

void frmMain::ShowAxes(const MonitorState& state) {
  if (drawn_ && state.boardVersion == shown_.boardVersion &&
      state.gameVersion == shown_.gameVersion && state.axes == shown_.axes &&
      state.noise == shown_.noise && state.dial == shown_.dial) {
    return;
  }
  std::string other;
  if (state.game) {
    for (const GameAxis& axis : state.game->axes) {
      if (axis.boardAxis < 0) {
        other += (other.empty() ? "" : ", ") + axis.name + " " + std::to_string(axis.value);
      }
    }
  }
  lblGameOther.SetCaption(!state.gameProblem.empty() ? " A game: " + state.gameProblem
                          : other.empty()            ? std::string()
                                                     : " A game also sees " + other);
  lblAxisMarks.SetCaption(AxisMarksLine(state.noise, state.dial, kMarksLineChars));
  lblGameHeading.SetCaption(state.gameSource.empty() ? "A game sees"
                                                     : "A game sees (" + state.gameSource + ")");
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    const auto k = static_cast<std::size_t>(axis - 1);
    if (!AxisRowChanged(state, k)) continue;
    AxisRow& row = Axis(axis);
    const auto& reading = state.axes[k];
    if (const auto& range = state.ranges[k]; range && range->minimum < range->maximum) {
      row.bar.SetRange(range->minimum, range->maximum);
    }
    row.value.SetCaption(reading ? std::to_string(reading->value) : "");
    row.bar.SetValue(reading ? reading->value : row.bar.Minimum());
    row.lowest.SetCaption(reading ? std::to_string(reading->lowest) : "");
    row.highest.SetCaption(reading ? std::to_string(reading->highest) : "");
    row.swept.SetCaption(SweptText(reading, state.ranges[k]));
    const AxisCheck check = AxisCheckOf(axis, state.noise[k], state.dial);
    row.check.SetCaption(check.word);
    row.check.SetMarked(check.marked);
    row.check.SetHint(check.hint);
    row.setting.SetCaption(AxisSetting(state.settings, axis));
    std::string game;
    if (state.game) {
      for (const GameAxis& seen : state.game->axes) {
        if (seen.boardAxis == axis - 1) game = seen.name + " " + std::to_string(seen.value);
      }
    }
    row.game.SetCaption(game);
  }
}

void frmMain::ShowButtons(const MonitorState& state) {
  // A frame while an encoder turns changes two of the 32 lamps: the others'
  // hints are not written again.
  for (int button = 1; button <= kButtonCount; ++button) {
    const auto k = static_cast<std::size_t>(button - 1);
    if (!ButtonChanged(state, k)) continue;
    const PairFigures& pair = state.pairs[static_cast<std::size_t>(PairOf(button) - 1)];
    const int presses = state.presses[k];
    ui::Lamp& lamp = Button(button);
    lamp.SetStateWords("pressed", presses > 0 ? "released, seen" : "released");
    lamp.SetCaption(presses > 0 ? kSeenMark : "");
    lamp.SetLit(state.buttons[k]);
    lamp.SetMarked(!pair.marks.empty());
    lamp.SetHint(ButtonHint(button, presses, pair));
    GameButton(button).SetLit(state.game && state.game->buttons[k]);
    GameButton(button).SetEnabled(state.game.has_value());
  }
  ShowSeen(state);
}

void frmMain::ShowSeen(const MonitorState& state) {
  if (drawn_ && state.boardVersion == shown_.boardVersion && state.presses == shown_.presses &&
      state.axes == shown_.axes) {
    return;
  }
  if (state.openSerial.empty()) {
    lblSeen.SetCaption("");
    return;
  }
  lblSeen.SetCaption(" " + SeenLine(CountSeen(state.presses, state.axes, state.ranges)) +
                     " (since Reset; a button pressed shows a ring)");
  const std::string missing = MissingLine(state.presses, state.axes, state.ranges);
  lblSeen.SetHint(missing.empty() ? "Every button pressed and every axis swept end to end"
                                  : "Since Reset: " + missing);
}

void frmMain::ShowPairs(const MonitorState& state) {
  const auto width = state.settings.PulseWidthMs();
  bool changed = false;
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const auto k = static_cast<std::size_t>(pair - 1);
    if (!PairRowChanged(state, k)) continue;
    changed = true;
    const PairFigures& figures = state.pairs[k];
    PairRow& row = Pair(pair);
    const auto type = state.settings.PairType(pair);
    const bool encoder = type && *type != kTypeOff;
    row.type.SetCaption(state.settings.PairTypeName(pair).value_or(""));
    row.width.SetCaption(encoder && width ? std::to_string(*width) + " ms" : "");
    const bool pulsed = figures.counts[0] + figures.counts[1] > 0;
    row.counts.SetCaption(encoder || pulsed ? std::to_string(figures.counts[0]) + " / " +
                                                  std::to_string(figures.counts[1])
                                            : "");
    row.detents.SetCaption(DetentsOf(figures, state.settings, pair));
    row.detents.SetHint(DetentsHintOf(figures, state.settings, pair));
    row.lengths.SetCaption(LengthsText(figures));
    const PairCheck check = CheckOf(pair, figures, state.settings);
    row.mark.SetCaption(check.word);
    row.mark.SetMarked(check.marked);
    row.mark.SetLit(check.lit);
    row.mark.SetHint(check.hint);
  }
  // Every pair's standing marks, not only the rows that moved: a mark stays
  // on this line until a reset.
  if (changed) lblMarks.SetCaption(MarksLine(state.pairs, kMarksLineChars));
}

}  // namespace tq::monitor
