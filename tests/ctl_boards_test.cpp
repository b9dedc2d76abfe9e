// Which board a command acts on: none, one that may not be opened, several
// told apart by --serial, two with one serial.
#include <gtest/gtest.h>

#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

TEST(CtlBoards, ChoiceBySerial) {
  emu::SimulatedHid none;
  Result result = RunCtl(none, {"show"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: no board attached\n");

  emu::EmulatedBoard denied = emu::MakeTQ5271(u"00003");
  denied.openError = kErrorAccessDenied;
  const auto deniedId = none.Attach(denied);
  result = RunCtl(none, {"save", TempFile("denied.json")});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: no usable board: " + none.PathOf(deniedId) +
                            ": cannot open: permission denied; install the udev rule\n");

  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00001"));
  hid.Attach(emu::MakeTQ5271(u"00002"));
  for (const auto& command : std::vector<std::vector<std::string>>{
           {"show"}, {"save", TempFile("two.json")}, {"restore", SavedSource()}, {"set", "auto=off"}}) {
    result = RunCtl(hid, command);
    EXPECT_EQ(result.code, 2) << command[0];
    EXPECT_EQ(result.err,
              "tq5271ctl: 2 boards attached (serials 00001, 00002); choose one with --serial\n");
  }
  result = RunCtl(hid, {"show", "--serial", "00002"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(result.out.starts_with("board 00002  "));
  result = RunCtl(hid, {"show", "--serial", "9"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: no board with serial 9 (attached: 00001, 00002)\n");
  hid.Attach(emu::MakeTQ5271(u"00002"));
  result = RunCtl(hid, {"set", "auto=off", "--serial", "00002"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: 2 boards share serial 00002; unplug all but one\n");
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

}  // namespace
}  // namespace tq::ctl
