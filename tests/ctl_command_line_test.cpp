// tq5271ctl's help and version, asking nothing of the board.
#include <gtest/gtest.h>

#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

TEST(CtlCommandLine, HelpAndVersion) {
  emu::SimulatedHid hid;
  Result result = RunCtl(hid, {"--help"});
  EXPECT_EQ(result.code, 0);
  for (const std::string word : {"list", "show", "save", "restore", "set"}) {
    EXPECT_TRUE(Has(result.out, "  " + word + " ")) << word;
  }
  EXPECT_EQ(RunCtl(hid, {"help"}).out, result.out);
  result = RunCtl(hid, {"help", "restore"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(Has(result.out, "Usage: tq5271ctl restore [OPTIONS] FILE")) << result.out;
  for (const auto& args : std::vector<std::vector<std::string>>{{"bogus"}, {"help", "bogus"}}) {
    result = RunCtl(hid, args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.err, "tq5271ctl: no command 'bogus'; the commands are list, show, save, "
                          "restore, set, watch, help\n");
  }
  result = RunCtl(hid, {"--version"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(result.out.starts_with("tq5271ctl ")) << result.out;
  EXPECT_TRUE(hid.Calls().empty());
}

}  // namespace
}  // namespace tq::ctl
