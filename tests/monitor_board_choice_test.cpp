// What the monitor's reading thread makes of a scan: the boards it lists,
// the one it opens, and the line it shows when it can open none.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "monitor/board_choice.h"

namespace tq::monitor {
namespace {

ScannedInterface Board(const std::string& serial, bool encoders = true) {
  ScannedInterface seen;
  seen.path = "/dev/hidraw-" + serial;
  seen.serial = serial;
  seen.encoders = encoders;
  seen.config = !encoders;
  return seen;
}

ScannedInterface Unopened(const std::string& path, const std::string& why) {
  ScannedInterface seen;
  seen.path = path;
  seen.openFailure = why;
  return seen;
}

TEST(MonitorBoardChoice, ListsTheEncoderUtilitysBoardsAndTheFirstThatWouldNotOpen) {
  Scan scan;
  scan.listed = true;
  scan.interfaces = {Board("A"), Unopened("/dev/hidraw3", "access denied; add the udev rule"),
                     Board("B", false), Unopened("/dev/hidraw5", "busy"), Board("C")};
  const BoardList boards = ListBoards(scan);
  EXPECT_TRUE(boards.listed);
  // B is a board only the analog-input utility would take.
  EXPECT_EQ(boards.serials, (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(boards.unopened, "/dev/hidraw3: access denied; add the udev rule");
}

TEST(MonitorBoardChoice, ThePickWhileListedElseTheWatchedBoardOnlyElseTheFirst) {
  const BoardList boards{.listed = true, .serials = {"A", "B", "C"}};
  EXPECT_EQ(ChooseBoard(std::string("C"), boards, "B"), "C");
  // A pick no longer listed falls back like no pick at all.
  EXPECT_EQ(ChooseBoard(std::string("Z"), boards, "B"), "B");
  EXPECT_EQ(ChooseBoard(std::nullopt, boards, "B"), "B");
  // The watched board unplugged: no other is taken in its place, and a
  // pick of another still is.
  EXPECT_EQ(ChooseBoard(std::nullopt, boards, "Z"), "");
  EXPECT_EQ(ChooseBoard(std::string("A"), boards, "Z"), "A");
  EXPECT_EQ(ChooseBoard(std::nullopt, boards, ""), "A");
  EXPECT_EQ(ChooseBoard(std::string("A"), BoardList{.listed = true}, "A"), "");
}

TEST(MonitorBoardChoice, OneLineSaysWhyNoBoardCanBeOpened) {
  EXPECT_EQ(ScanProblem(BoardList{}, ""), "cannot list the HID interfaces");
  EXPECT_EQ(ScanProblem(BoardList{.listed = true}, ""),
            "No board attached: plug in a TQ5271 board");
  EXPECT_EQ(ScanProblem(BoardList{.listed = true}, "A"), "Board A is unplugged; plug it in again");
  // Another board offered only while one is there to pick.
  EXPECT_EQ(ScanProblem(BoardList{.listed = true, .serials = {"B"}}, "A"),
            "Board A is unplugged; plug it in again or pick another board");
  EXPECT_EQ(UnpluggedProblem("A", {"A"}), "Board A is unplugged; plug it in again");
  EXPECT_EQ(UnpluggedProblem("A", {"A", "B"}),
            "Board A is unplugged; plug it in again or pick another board");
  // An interface that would not open says more than "none attached", or
  // than "unplugged" while nothing else is listed (it may be that board).
  EXPECT_EQ(ScanProblem(BoardList{.listed = true, .unopened = "/dev/hidraw3: busy"}, "A"),
            "/dev/hidraw3: busy");
  EXPECT_EQ(ScanProblem(BoardList{.listed = true, .unopened = "/dev/hidraw3: busy"}, ""),
            "/dev/hidraw3: busy");
  EXPECT_EQ(ScanProblem(BoardList{.listed = true, .serials = {"B"}, .unopened = "x: busy"}, "A"),
            "Board A is unplugged; plug it in again or pick another board");
  // A board to open leaves what is shown to the opening.
  EXPECT_EQ(ScanProblem(BoardList{.listed = true, .serials = {"A"}, .unopened = "x: busy"}, ""),
            std::nullopt);
  EXPECT_EQ(ScanProblem(BoardList{.listed = true, .serials = {"B", "A"}}, "A"), std::nullopt);
}

}  // namespace
}  // namespace tq::monitor
