#include "monitor/frm_main.h"

#include <string>

#include "monitor/change_text.h"

namespace tq::monitor {
namespace {

constexpr int kAxisRowTop = 600;
constexpr int kAxisRowStep = 300;
constexpr int kButtonGroupLeft = 1140;
constexpr int kButtonGroupStep = 610;
constexpr int kPairRowTop = 600;
constexpr int kPairRowStep = 270;
constexpr std::size_t kShortPathLength = 24;

std::string PairCaption(int pair) {
  return std::to_string(FirstButtonOf(pair)) + "-" + std::to_string(FirstButtonOf(pair) + 1);
}

std::string Ms(std::optional<std::int64_t> ms) {
  return ms ? std::to_string(*ms) : std::string("-");
}

std::string AxisSetting(const BoardSettings& settings, int axis) {
  const auto inverted = settings.Inverted(axis);
  const auto mode = settings.ModeName(axis);
  if (!inverted && !mode) return {};
  std::string text = inverted ? (*inverted ? "inverted" : "normal") : "";
  if (mode) text += (text.empty() ? "" : ", ") + *mode;
  return " " + text;
}

}  // namespace

AxisRow::AxisRow(ui::Container& frame, int axis, int top)
    : name(frame, "lblAxis" + std::to_string(axis), {240, top, 900, 285},
           kAxisNames[static_cast<std::size_t>(axis - 1)]),
      value(frame, "lblAxisValue" + std::to_string(axis), {1200, top, 700, 285}),
      bar(frame, "barAxis" + std::to_string(axis), {1980, top, 3600, 255}, 0, 127),
      lowest(frame, "lblAxisLowest" + std::to_string(axis), {5700, top, 780, 285}),
      highest(frame, "lblAxisHighest" + std::to_string(axis), {6540, top, 780, 285}),
      setting(frame, "lblAxisSetting" + std::to_string(axis), {7380, top, 1500, 285}),
      game(frame, "lblGameAxis" + std::to_string(axis), {8940, top, 1980, 285}) {}

PairRow::PairRow(ui::Container& frame, int pair, int top)
    : name(frame, "lblPair" + std::to_string(pair), {240, top, 600, 255}, PairCaption(pair)),
      type(frame, "lblPairType" + std::to_string(pair), {900, top, 600, 255}),
      width(frame, "lblPairWidth" + std::to_string(pair), {1560, top, 900, 255}),
      counts(frame, "lblPairCounts" + std::to_string(pair), {2520, top, 1300, 255}),
      lengths(frame, "lblPairLengths" + std::to_string(pair), {3900, top, 2200, 255}),
      mark(frame, "lampPairMark" + std::to_string(pair), {6180, top, 240, 240}, ""),
      markText(frame, "lblPairMark" + std::to_string(pair), {6540, top, 4380, 255}) {}

frmMain::frmMain(HidApi& api, GameView* game, HostHints hints, InputSession::Clock clock)
    : ProgramWindow(api, kEncodersVariant, "TQ5271 Input Monitor", 11280, 11880),
      worker_(api, game, std::move(hints), std::move(clock)),
      Frame1(form_, "Frame1", {120, 0, 11040, 1200}, "Device details"),
      Label1(Frame1, "Label1", {240, 330, 1400, 285}, "Serial Number"),
      SerNo(Frame1, "SerNo", {1680, 270, 1500, 360}),
      Label2(Frame1, "Label2", {3420, 330, 1200, 285}, "Manufacturer"),
      lblManuf(Frame1, "lblManuf", {4680, 330, 2400, 330}),
      Label3(Frame1, "Label3", {7200, 330, 800, 285}, "Product"),
      lblProduct(Frame1, "lblProduct", {8040, 330, 2880, 330}),
      Label4(Frame1, "Label4", {240, 750, 1400, 285}, "Version"),
      lblVersion(Frame1, "lblVersion", {1680, 750, 1500, 330}),
      lblStatus(Frame1, "lblStatus", {3420, 750, 7500, 330}),
      Timer(Frame1, "Timer", kRepaintIntervalMs),
      Frame2(form_, "Frame2", {120, 1320, 11040, 3700}, "Axes"),
      lblAxisHeading(Frame2, "lblAxisHeading", {240, 300, 900, 285}, "Axis"),
      lblValueHeading(Frame2, "lblValueHeading", {1200, 300, 700, 285}, "Value"),
      lblLowestHeading(Frame2, "lblLowestHeading", {5700, 300, 780, 285}, "Lowest"),
      lblHighestHeading(Frame2, "lblHighestHeading", {6540, 300, 780, 285}, "Highest"),
      lblSettingHeading(Frame2, "lblSettingHeading", {7380, 300, 1500, 285}, "Setting"),
      lblGameHeading(Frame2, "lblGameHeading", {8940, 300, 1980, 285}, "A game sees"),
      lblGameOther(Frame2, "lblGameOther", {240, 3300, 10680, 285}),
      Frame3(form_, "Frame3", {120, 5100, 11040, 1500}, "Buttons"),
      lblBoardButtons(Frame3, "lblBoardButtons", {240, 660, 880, 285}, "Board"),
      lblGameButtons(Frame3, "lblGameButtons", {240, 1050, 880, 285}, "A game"),
      Frame4(form_, "Frame4", {120, 6720, 11040, 5040}, "Encoders"),
      lblPairHeading(Frame4, "lblPairHeading", {240, 300, 600, 285}, "Pair"),
      lblTypeHeading(Frame4, "lblTypeHeading", {900, 300, 600, 285}, "Type"),
      lblWidthHeading(Frame4, "lblWidthHeading", {1560, 300, 900, 285}, "Width"),
      lblCountsHeading(Frame4, "lblCountsHeading", {2520, 300, 1300, 285}, "Pulses"),
      lblLengthsHeading(Frame4, "lblLengthsHeading", {3900, 300, 2200, 285}, "Min / median / max"),
      lblMarkHeading(Frame4, "lblMarkHeading", {6180, 300, 4740, 285}, "Check") {
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    axes_[static_cast<std::size_t>(axis - 1)] =
        std::make_unique<AxisRow>(Frame2, axis, kAxisRowTop + kAxisRowStep * (axis - 1));
  }
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const int left = kButtonGroupLeft + kButtonGroupStep * (pair - 1);
    const auto k = static_cast<std::size_t>(pair - 1);
    buttonPairLabels_[k] = std::make_unique<ui::Label>(
        Frame3, "lblButtonPair" + std::to_string(pair), ui::TwipsRect{left, 300, 580, 285},
        PairCaption(pair));
    for (int side = 0; side < 2; ++side) {
      const int button = FirstButtonOf(pair) + side;
      const auto b = static_cast<std::size_t>(button - 1);
      // The pair's caption above names the two lamps; a number in each
      // would make them wider than sixteen pairs leave room for.
      buttons_[b] = std::make_unique<ui::Lamp>(Frame3, "lampButton" + std::to_string(button),
                                               ui::TwipsRect{left + 300 * side, 630, 270, 300},
                                               "");
      buttons_[b]->SetHint("Button " + std::to_string(button));
      gameButtons_[b] = std::make_unique<ui::Lamp>(
          Frame3, "lampGameButton" + std::to_string(button),
          ui::TwipsRect{left + 300 * side, 1020, 270, 300}, "");
      gameButtons_[b]->SetHint("Button " + std::to_string(button) + " as a game sees it");
    }
  }
  for (int pair = 1; pair <= kPairCount; ++pair) {
    pairs_[static_cast<std::size_t>(pair - 1)] =
        std::make_unique<PairRow>(Frame4, pair, kPairRowTop + kPairRowStep * (pair - 1));
  }

  for (ui::Label* value : {&lblManuf, &lblProduct, &lblVersion}) {
    value->SetColors(ui::SystemColor::WindowBackground, ui::SystemColor::WindowText);
  }
  SerNo.SetEnabled(false);
  SerNo.SetHint("Pick the board to watch; pick it again to start the counts afresh");

  SerNo.Click = [this] { SerNo_Click(); };
  Timer.TimerEvent = [this] { Timer_Timer(); };
  form_.Unload = [this] { Form_Unload(); };
}

void frmMain::Form_Load() {
  form_.Show();
  worker_.Start();
  Timer.SetEnabled(true);
}

void frmMain::Form_Unload() {
  Timer.SetEnabled(false);
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
         state.gameVersion != shown_.gameVersion || state.axes[k] != shown_.axes[k];
}

bool frmMain::PairRowChanged(const MonitorState& state, std::size_t k) const {
  return !drawn_ || state.boardVersion != shown_.boardVersion || state.pairs[k] != shown_.pairs[k];
}

void frmMain::SerNo_Click() {
  if (fillingList_ || SerNo.ListIndex() < 0) return;
  worker_.Choose(SerNo.Text());
}

void frmMain::ShowBoard(const MonitorState& state) {
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

  const bool open = !state.devicePath.empty() && state.problem.empty();
  lblManuf.SetCaption(open ? " " + state.manufacturer : "");
  lblProduct.SetCaption(open ? " " + state.product : "");
  lblVersion.SetCaption(open ? state.release : "");
  ShowStatus(state);
  lblStatus.SetHint(state.problem.empty() ? state.devicePath : state.problem);
}

void frmMain::ShowStatus(const MonitorState& state) {
  // The count moves with every report: the line is redrawn once a second,
  // at once only when what it says is of another kind (a problem, a board
  // opened, the first report).
  const bool sameKind = state.problem == shown_.problem &&
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
  if (!state.problem.empty() || state.devicePath.empty()) return state.problem;
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
      state.gameVersion == shown_.gameVersion && state.axes == shown_.axes) {
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
  for (int button = 1; button <= kButtonCount; ++button) {
    const auto k = static_cast<std::size_t>(button - 1);
    Button(button).SetLit(state.buttons[k]);
    Button(button).SetMarked(!state.pairs[static_cast<std::size_t>(PairOf(button) - 1)].marks.empty());
    GameButton(button).SetLit(state.game && state.game->buttons[k]);
    GameButton(button).SetEnabled(state.game.has_value());
  }
}

void frmMain::ShowPairs(const MonitorState& state) {
  const auto width = state.settings.PulseWidthMs();
  for (int pair = 1; pair <= kPairCount; ++pair) {
    const auto k = static_cast<std::size_t>(pair - 1);
    if (!PairRowChanged(state, k)) continue;
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
    row.lengths.SetCaption(figures.median ? Ms(figures.shortest) + " / " + Ms(figures.median) +
                                                " / " + Ms(figures.longest) + " ms"
                                          : "");
    row.mark.SetMarked(!figures.marks.empty());
    row.mark.SetLit(encoder && pulsed && figures.marks.empty());
    std::string text;
    for (const Mark& mark : figures.marks) text += (text.empty() ? "" : "; ") + MarkText(mark);
    row.markText.SetCaption(text);
  }
}

}  // namespace tq::monitor
