// tq5271ctl watch against the emulated board: what it prints for each
// change, how it ends, and what it does without a board. The input reports
// come from a source over the board's clock, looked at every report
// interval, as the platform's reads will deliver them.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ctl/cli.h"
#include "ctl/watch.h"
#include "emulator/board_descriptor.h"
#include "emulator/simulated_hid.h"
#include "tests/board_samples.h"

namespace tq::ctl {
namespace {

const HostHints kHints{IdsFromDevicePath, "install the udev rule"};

// The board's reports, each one that differs from the last, at the board's
// clock; `onTick` acts on the board at each interval.
class BoardSource : public SampleSource {
 public:
  explicit BoardSource(emu::EmulatedBoard& board,
                       std::function<void(emu::EmulatedBoard&)> onTick = {})
      : board_(board), onTick_(std::move(onTick)) {}

  Result Next(std::uint32_t timeoutMs, monitor::InputSample& sample) override {
    for (std::uint32_t waited = 0; !last_.empty() && waited < timeoutMs;
         waited += monitor::kReportIntervalMs) {
      if (lost_) return Result::Gone;
      board_.AdvanceTime(monitor::kReportIntervalMs);
      if (onTick_) onTick_(board_);
      if (board_.InputReport() != last_) break;
    }
    if (lost_) return Result::Gone;
    if (board_.InputReport() == last_) return Result::Nothing;
    last_ = board_.InputReport();
    sample = testing::SampleOf(board_);
    return Result::Sample;
  }
  std::int64_t NowMs() override { return static_cast<std::int64_t>(board_.clockMs); }
  monitor::AxisRanges Ranges() const override {
    monitor::AxisRanges ranges;
    ranges.fill(monitor::AxisRange{0, static_cast<std::int32_t>(emu::AxisMaximum(board_))});
    return ranges;
  }

  bool lost_ = false;

 private:
  emu::EmulatedBoard& board_;
  std::function<void(emu::EmulatedBoard&)> onTick_;
  std::vector<std::uint8_t> last_;
};

struct Watched {
  int code = 0;
  std::vector<std::string> lines;
  std::string err;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The watch command over the boards attached to `hid`, reading the chosen
// board's reports with `onTick` acting on it.
Watched WatchBoards(emu::SimulatedHid& hid, const WatchOptions& options,
                    std::function<void(emu::EmulatedBoard&)> onTick, BoardSource** made = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  const Console console{hid, kHints, out, err};
  const SampleSourceOpener open = [&](OpenBoard& board, std::string&) {
    for (int id = 0; hid.IsAttached(id); ++id) {
      if (hid.PathOf(id) == board.link.DevicePath) {
        auto source = std::make_unique<BoardSource>(hid.Board(id), onTick);
        if (made) *made = source.get();
        return std::unique_ptr<SampleSource>(std::move(source));
      }
    }
    return std::unique_ptr<SampleSource>();
  };
  const int code = Watch(console, std::nullopt, options, open);
  return {code, Lines(out.str()), err.str()};
}

emu::EmulatedBoard BoardAt1000() {
  emu::EmulatedBoard board = emu::MakeTQ5271(u"W7");
  testing::SetEncoders(board, {{3, 2}, {8, 3}}, 48);
  board.AdvanceTime(1000);
  return board;
}

TEST(CtlWatch, EncoderTurnPrintsItsPulsesAndEndsWhenTheTimeIsUp) {
  emu::SimulatedHid hid;
  hid.Attach(BoardAt1000());
  const Watched run =
      WatchBoards(hid, {.json = false, .forSeconds = 2.0}, [](emu::EmulatedBoard& b) {
        if (b.clockMs == 1200) b.TurnEncoder(3, +5);
        if (b.clockMs == 2500) b.SetAxis(2, 90);
      });
  EXPECT_EQ(run.code, kExitOk) << run.err;
  ASSERT_GE(run.lines.size(), 1u);
  EXPECT_EQ(run.lines[0], "watching board W7  enc3 1:2, enc8 1:4; pulse 48 ms; Ctrl-C stops");
  int pulses = 0;
  for (const auto& line : run.lines) {
    if (line.find(" enc3 button 5 pulse ") != std::string::npos) ++pulses;
    EXPECT_EQ(line.find("marked"), std::string::npos) << line;
    EXPECT_EQ(line.find("button 6"), std::string::npos) << line;
  }
  EXPECT_EQ(pulses, 10);
  EXPECT_NE(std::ranges::find(run.lines, "0.200 button 5 pressed"), run.lines.end())
      << "times count from the start of the watch";
  EXPECT_NE(std::ranges::find(run.lines, "1.500 Y 90"), run.lines.end());
  EXPECT_EQ(hid.Board(0).clockMs, 3000u) << "two seconds of the board's clock, no more";
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

TEST(CtlWatch, JsonIsOneObjectPerLine) {
  emu::SimulatedHid hid;
  hid.Attach(BoardAt1000());
  const Watched run =
      WatchBoards(hid, {.json = true, .forSeconds = 1.0}, [](emu::EmulatedBoard& b) {
        if (b.clockMs == 1100) b.TurnEncoder(3, -1);
      });
  EXPECT_EQ(run.code, kExitOk);
  std::vector<nlohmann::json> pulses;
  for (const auto& line : run.lines) {
    const auto object = nlohmann::json::parse(line);  // throws on anything but JSON
    ASSERT_TRUE(object.is_object()) << line;
    ASSERT_TRUE(object.contains("ms"));
    if (object["event"] == "pulse") pulses.push_back(object);
  }
  ASSERT_EQ(pulses.size(), 2u);
  EXPECT_EQ(pulses[1]["pair"], 3);
  EXPECT_EQ(pulses[1]["button"], 6);
  EXPECT_EQ(pulses[1]["count"], 2);
  EXPECT_LE(std::abs(pulses[1]["lengthMs"].get<int>() - 48), 10);
  EXPECT_EQ(run.lines[0].substr(0, 40), R"({"ms":0,"event":"axis","axis":1,"name":")");
}

// The width set elsewhere while the watch runs, and Dial turned on a
// board that zooms Y and Z: the monitor's marks, in the monitor's words.
TEST(CtlWatch, MarksAreLinesInBothForms) {
  const auto changedUnderTheWatch = [](emu::EmulatedBoard& b) {
    if (b.clockMs == 1100) {
      testing::SetEncoders(b, {{3, 2}, {8, 3}}, 96);
      b.TurnEncoder(3, +1);
    }
    if (b.clockMs == 1700) b.SetAxis(7, 5);
  };
  emu::SimulatedHid hid;
  hid.Attach(BoardAt1000());
  const Watched text = WatchBoards(hid, {.json = false, .forSeconds = 1.0}, changedUnderTheWatch);
  std::vector<std::string> marks;
  for (const auto& line : text.lines) {
    if (line.find(" marked: ") != std::string::npos) marks.push_back(line.substr(line.find(' ') + 1));
  }
  EXPECT_EQ(marks, (std::vector<std::string>{
                       "enc3 marked: long: 100 ms, set 48 ms",
                       "enc3 marked: setting may have changed: pulses of 96 ms; press Reset",
                       "Dial marked: moves while Y, Z are in Zoom: This input MUST not be "
                       "connected if any other input uses ZOOM mode",
                   }));

  emu::SimulatedHid again;
  again.Attach(BoardAt1000());
  const Watched json = WatchBoards(again, {.json = true, .forSeconds = 1.0}, changedUnderTheWatch);
  std::vector<nlohmann::json> objects;
  for (const auto& line : json.lines) {
    const auto object = nlohmann::json::parse(line);
    if (object["event"] == "mark") objects.push_back(object);
  }
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0]["mark"], "lengthOff");
  EXPECT_EQ(objects[1]["mark"], "settingChanged");
  EXPECT_EQ(objects[1]["pair"], 3);
  EXPECT_EQ(objects[1]["measuredMs"], 96);
  EXPECT_EQ(objects[1]["setMs"], 48);
  EXPECT_FALSE(objects[1].contains("seenType")) << "the type is as read";
  EXPECT_EQ(objects[1]["text"], marks[1].substr(std::string("enc3 marked: ").size()));
  EXPECT_EQ(objects[2]["mark"], "dialWhileZoomed");
  EXPECT_EQ(objects[2]["axis"], 7);
  EXPECT_EQ(objects[2]["zoomed"], nlohmann::json::array({"Y", "Z"}));
}

// A noisy RZ and a bouncing button 1 on a pair set "OFF": the monitor's
// marks in its words, then what arrived of the inputs, in both forms.
TEST(CtlWatch, NoiseChatterAndWhatArrivedAreLinesInBothForms) {
  const auto faulty = [](emu::EmulatedBoard& b) {
    if (b.clockMs == 1100) {
      b.SetAxis(6, 64);
      b.SetAxisNoise(6, 2);
      b.SetButtonBounce(1, 3);
      b.SetButton(1, true);
    }
    if (b.clockMs == 1500) b.SetButton(1, false);
    if (b.clockMs == 1600) {
      b.SetAxis(8, 0);
      b.SetAxisNoise(6, 0);
    }
    if (b.clockMs == 1700) b.SetAxis(8, emu::AxisMaximum(b));
  };
  emu::SimulatedHid hid;
  hid.Attach(BoardAt1000());
  const Watched text = WatchBoards(hid, {.json = false, .forSeconds = 1.0}, faulty);
  EXPECT_EQ(text.code, kExitOk) << text.err;
  std::vector<std::string> marks;
  for (const auto& line : text.lines) {
    if (line.find(" marked: ") != std::string::npos) marks.push_back(line.substr(line.find(' ') + 1));
  }
  // The noise as soon as it is found, the chatter once the press is let go.
  EXPECT_EQ(marks, (std::vector<std::string>{
                       "RZ marked: noisy: \u00B12 at rest; usually a worn potentiometer, or a long "
                       "or unshielded wire",
                       "enc1 marked: button 1 chatter: 3 presses in 40 ms; usually contact bounce, "
                       "or a loose joint",
                   }));
  ASSERT_GE(text.lines.size(), 2u);
  EXPECT_EQ(text.lines[text.lines.size() - 2],
            "Seen: 1 of 32 buttons; 1 of 8 axes over their whole range");
  EXPECT_EQ(text.lines.back().substr(0, 33), "not pressed: buttons 2, 3, 4, 5, ");
  EXPECT_NE(text.lines.back().find("; not swept whole: X "), std::string::npos) << text.lines.back();
  EXPECT_EQ(text.lines.back().find("Slider"), std::string::npos) << "swept end to end";

  emu::SimulatedHid again;
  again.Attach(BoardAt1000());
  const Watched json = WatchBoards(again, {.json = true, .forSeconds = 1.0}, faulty);
  std::vector<nlohmann::json> objects;
  for (const auto& line : json.lines) {
    const auto object = nlohmann::json::parse(line);
    if (object["event"] == "mark") objects.push_back(object);
  }
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0]["mark"], "noisy");
  EXPECT_EQ(objects[0]["axis"], 6);
  EXPECT_EQ(objects[0]["name"], "RZ");
  EXPECT_EQ(objects[0]["spread"], 2);
  EXPECT_EQ(objects[0]["text"], marks[0].substr(std::string("RZ marked: ").size()));
  EXPECT_EQ(objects[1]["mark"], "chatter");
  EXPECT_EQ(objects[1]["pair"], 1);
  EXPECT_EQ(objects[1]["button"], 1);
  EXPECT_EQ(objects[1]["presses"], 3);
  EXPECT_EQ(objects[1]["spanMs"], 40);
  const auto seen = nlohmann::json::parse(json.lines.back());
  EXPECT_EQ(seen["event"], "seen");
  EXPECT_EQ(seen["buttons"], 1);
  EXPECT_EQ(seen["wholeAxes"], 1);
  EXPECT_EQ(seen["notPressed"].size(), 31u);
  EXPECT_EQ(seen["notPressed"][0], 2);
  EXPECT_EQ(seen["notSweptWhole"],
            nlohmann::json::array({"X", "Y", "Z", "RX", "RY", "RZ", "Dial"}));
  EXPECT_EQ(seen["text"], text.lines[text.lines.size() - 2]);
}

std::atomic<int> gForeignHandlerCalls{0};
extern "C" void ForeignHandler(int) { ++gForeignHandlerCalls; }

TEST(CtlWatch, CtrlCEndsWithZeroAndLeavesTheHandlerAsItWas) {
  emu::SimulatedHid hid;
  hid.Attach(BoardAt1000());
  const auto previous = std::signal(SIGINT, ForeignHandler);
  const Watched run =
      WatchBoards(hid, {.json = false, .forSeconds = std::nullopt}, [](emu::EmulatedBoard& b) {
        if (b.clockMs == 1100) b.SetButton(9, true);
        if (b.clockMs == 1500) std::raise(SIGINT);
      });
  EXPECT_EQ(run.code, kExitOk);
  ASSERT_GE(run.lines.size(), 3u);
  EXPECT_EQ(run.lines[run.lines.size() - 3], "0.100 button 9 pressed");
  EXPECT_EQ(run.lines[run.lines.size() - 2],
            "Seen: 1 of 32 buttons; 0 of 8 axes over their whole range")
      << "what arrived, also when stopped";
  EXPECT_LE(hid.Board(0).clockMs, 1500u + kWatchWaitMs) << "stopped within one wait";
  EXPECT_EQ(gForeignHandlerCalls.load(), 0) << "the watch caught it";
  std::raise(SIGINT);
  EXPECT_EQ(gForeignHandlerCalls.load(), 1) << "and gave Ctrl-C back";
  std::signal(SIGINT, previous);
}

TEST(CtlWatch, NoBoardOrBoardLostIsAnErrorAndTheCommandReadsThePlatform) {
  emu::SimulatedHid empty;
  const Watched none = WatchBoards(empty, {.json = false, .forSeconds = 1.0}, {});
  EXPECT_EQ(none.code, kExitError);
  EXPECT_TRUE(none.lines.empty());
  EXPECT_NE(none.err.find("tq5271ctl: "), std::string::npos);

  emu::SimulatedHid hid;
  hid.Attach(BoardAt1000());
  BoardSource* source = nullptr;
  const Watched lost = WatchBoards(
      hid, {.json = false, .forSeconds = 5.0},
      [&source](emu::EmulatedBoard& b) {
        if (b.clockMs == 1300) source->lost_ = true;
      },
      &source);
  EXPECT_EQ(lost.code, kExitError);
  EXPECT_EQ(lost.err, "tq5271ctl: board lost\n");

  // Through the command line: the options, and the platform's reading.
  std::ostringstream out;
  std::ostringstream err;
  const auto run = [&](std::vector<const char*> argv) {
    out.str("");
    err.str("");
    argv.insert(argv.begin(), "tq5271ctl");
    return RunCommandLine(static_cast<int>(argv.size()), argv.data(), hid, kHints, out, err);
  };
  for (const std::string bad : {"0", "-1", "soon", "1e400", "31536001"}) {
    EXPECT_EQ(run({"watch", "--for", bad.c_str()}), kExitError);
    EXPECT_EQ(err.str(), "tq5271ctl: --for: '" + bad +
                             "' is not a time to watch for: give the seconds as a number above 0 "
                             "and at most 31536000 (a year), such as 10 or 0.5 (see tq5271ctl "
                             "--help)\n");
  }
  EXPECT_EQ(run({"watch", "--serial", "nope", "--for", "1"}), kExitError);
  // Through the platform's own reading: the board's first report names
  // every axis, one JSON object a line.
  EXPECT_EQ(run({"watch", "--for", "0.2", "--json"}), kExitOk) << err.str();
  const std::vector<std::string> json = Lines(out.str());
  ASSERT_GE(json.size(), 8u) << out.str();
  EXPECT_EQ(json.front().front(), '{');
  EXPECT_NE(json.front().find("\"axis\""), std::string::npos) << json.front();
  EXPECT_EQ(hid.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace tq::ctl
