// The demo's --inputs script: what it refuses, and that a run hands the
// reader every report at the board time the script says.
#include "demo/input_script.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tq::demo {
namespace {

using Verb = vboard::BoardCommand::Verb;

TEST(DemoInputScript, ReadsStepsAndRefusesWhatTheBoardsDoNotHave) {
  const InputScript script = ParseInputScript(
      "# Y jitters\n"
      "noise 1 2 3   # the second board\n"
      "\n"
      "  wait 250\r\n"
      "turn 0 16 -2\n"
      "unplug 1\n",
      2);
  ASSERT_EQ(script.error, "");
  ASSERT_EQ(script.steps.size(), 4u);
  EXPECT_EQ(script.steps[0].line, 2);
  ASSERT_TRUE(script.steps[0].command);
  EXPECT_EQ(script.steps[0].command->verb, Verb::kNoise);
  EXPECT_EQ(script.steps[0].command->board, 1u);
  EXPECT_EQ(script.steps[0].command->number, 2);
  EXPECT_EQ(script.steps[0].command->value, 3);
  EXPECT_FALSE(script.steps[1].command);
  EXPECT_EQ(script.steps[1].waitMs, 250u);
  EXPECT_EQ(script.steps[1].line, 4);
  EXPECT_EQ(script.steps[2].command->value, -2);
  EXPECT_EQ(script.steps[3].command->verb, Verb::kUnplug);

  const struct {
    const char* line;
    const char* error;
  } refused[] = {
      {"wait 0", "wait takes 1 to 60000 ms"},
      {"wait 60001", "wait takes 1 to 60000 ms"},
      {"wait 10 ms", "wait takes 1 to 60000 ms"},
      {"wait -5", "wait takes 1 to 60000 ms"},
      {"jump 0 1 1", "not a step"},
      {"quit", "not a step"},
      {"report 0 0102", "not a step"},
      {"axis 0 1 70000", "not a step"},
      {"axis 2 1 5", "no board 2 of 2, numbered from 0"},
      {"plug 2", "no board 2 of 2, numbered from 0"},
      {"axis 0 9 5", "the board has no input 9 of that kind (1 to 8)"},
      {"noise 0 0 2", "the board has no input 0 of that kind (1 to 8)"},
      {"button 1 33 1", "the board has no input 33 of that kind (1 to 32)"},
      {"bounce 0 0 3", "the board has no input 0 of that kind (1 to 32)"},
      {"turn 0 17 1", "the board has no input 17 of that kind (1 to 16)"},
  };
  for (const auto& one : refused) {
    const InputScript bad = ParseInputScript(std::string("axis 0 1 5\n") + one.line + "\n", 2);
    EXPECT_EQ(bad.error.rfind(std::string("line 2: ") + one.error, 0), 0u) << one.line << ": " << bad.error;
    EXPECT_TRUE(bad.steps.empty()) << one.line;
  }
  EXPECT_EQ(ParseInputScript("axis 0 1 5\n", 0).error, "line 1: no board 0 of 0, numbered from 0");
}

TEST(DemoInputScript, EveryReportReachesTheReaderAtTheBoardTimeTheScriptSays) {
  emu::SimulatedHid hid;
  const std::vector<emu::SimulatedHid::BoardId> boards{hid.Attach(emu::MakeTQ5271(u"A")),
                                                       hid.Attach(emu::MakeTQ5271(u"B"))};
  const std::string text =
      "axis 0 3 128\n"
      "noise 0 3 3\n"
      "wait 200\n"
      "bounce 0 7 3\n"
      "button 0 7 1\n"
      "wait 35\n"
      "button 0 7 0\n"
      "wait 100\n"
      "unplug 1\n";
  const InputScript script = ParseInputScript(text, boards.size());
  ASSERT_EQ(script.error, "");

  // What the board sends, worked out on a twin moved by hand: the report at
  // each step and each 10 ms, where it differs from the one before.
  emu::EmulatedBoard twin = emu::MakeTQ5271(u"A");
  std::vector<std::vector<std::uint8_t>> sent{twin.InputReport()};
  const auto send = [&] {
    if (twin.InputReport() != sent.back()) sent.push_back(twin.InputReport());
  };
  const auto wait = [&](int ms) {
    for (int done = 0; done < ms; done += 10) {
      twin.AdvanceTime(static_cast<std::uint64_t>(std::min(10, ms - done)));
      send();
    }
  };
  twin.SetAxis(3, 128);
  send();
  twin.SetAxisNoise(3, 3);
  send();
  wait(200);
  twin.SetButtonBounce(7, 3);
  twin.SetButton(7, true);
  send();
  // The bouncing contact's closures: the reader moves the clock through
  // them, report interval by report interval, before the script goes on.
  while (twin.InputPending()) {
    twin.AdvanceTime(10);
    send();
  }
  wait(35);
  twin.SetButton(7, false);
  send();
  wait(100);
  ASSERT_GT(sent.size(), 15u) << "the noise changes most reports";

  // The reader, as the monitor's: each report with the board time it came at.
  const HANDLE device = hid.CreateFileA(hid.PathOf(boards[0]).c_str(), kGenericRead,
                                        kFileShareRead | kFileShareWrite, nullptr, kOpenExisting,
                                        kFileFlagOverlapped, 0);
  std::atomic<bool> stop{false};
  std::vector<std::vector<std::uint8_t>> got;
  std::thread reader([&] {
    while (!stop) {
      std::vector<std::uint8_t> report(64);
      std::uint32_t length = 0;
      if (hid.ReadFile(device, report.data(), 64, &length, 20)) {
        report.resize(length);
        got.push_back(report);
      }
    }
  });
  ASSERT_TRUE(hid.WaitForWaitingReads(1, std::chrono::seconds(5)));
  EXPECT_EQ(RunInputScript(script, hid, boards, std::chrono::seconds(5)), "");
  stop = true;
  reader.join();
  EXPECT_EQ(got, sent) << "no report lost, none read twice";
  // The waits moved both clocks alike, the bounce the first one's too.
  EXPECT_EQ(hid.Board(boards[0]).clockMs, twin.clockMs);
  EXPECT_GT(twin.clockMs, 335u);
  EXPECT_EQ(hid.Board(boards[1]).clockMs, 335u);
  EXPECT_FALSE(hid.IsAttached(boards[1]));

  // A reader that stops taking reports: the run says which step waited.
  hid.WithBoard(boards[0], [](emu::EmulatedBoard& board) { board.SetAxisNoise(3, 0); });
  EXPECT_EQ(RunInputScript(ParseInputScript("\naxis 0 1 9\n", 2), hid, boards,
                           std::chrono::milliseconds(20)),
            "line 2: the board's reports were not read within 20 ms");
}

}  // namespace
}  // namespace tq::demo
