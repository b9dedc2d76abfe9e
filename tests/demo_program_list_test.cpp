// The demo's --program argument and the names of its pictures.
#include "demo/program_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tq::demo {
namespace {

const std::vector<std::string> kOffered{"encoders", "config", "monitor"};

TEST(DemoProgramList, TakesEachOfferedNameOnceInTheOrderGiven) {
  EXPECT_EQ(ParseProgramList("encoders", kOffered).names, (std::vector<std::string>{"encoders"}));
  const ProgramList three = ParseProgramList("monitor,encoders,config", kOffered);
  EXPECT_EQ(three.names, (std::vector<std::string>{"monitor", "encoders", "config"}));
  EXPECT_EQ(three.error, "");

  // Refused, whole, with what this build offers.
  for (const std::string refused :
       {"", ",", "encoders,", ",monitor", "encoders,,config", "encoders,monitor,encoders", "Encoders",
        "encoders, monitor", "monitor,vboard"}) {
    const ProgramList list = ParseProgramList(refused, kOffered);
    EXPECT_TRUE(list.names.empty()) << "\"" << refused << "\"";
    EXPECT_NE(list.error.find("offers encoders, config, monitor"), std::string::npos) << list.error;
  }
  EXPECT_EQ(ParseProgramList("encoders,monitor,encoders", kOffered).error,
            "\"encoders\" is named twice; this demo offers encoders, config, monitor, "
            "comma-separated (--program encoders,monitor)");
  // A build without the monitor says so.
  EXPECT_EQ(ParseProgramList("encoders,monitor", {"encoders", "config"}).error,
            "no program \"monitor\" in this build; this demo offers encoders, config, "
            "comma-separated (--program encoders,monitor)");
}

TEST(DemoProgramList, SeveralPicturesGoBesideTheOneNamed) {
  EXPECT_EQ(ScreenshotPath("/tmp/loop.png", "encoders", false), "/tmp/loop.png");
  EXPECT_EQ(ScreenshotPath("/tmp/loop.png", "encoders", true), "/tmp/loop-encoders.png");
  EXPECT_EQ(ScreenshotPath("loop.png", "monitor", true), "loop-monitor.png");
  EXPECT_EQ(ScreenshotPath("shots.v2/loop.png", "config", true), "shots.v2/loop-config.png");
  // No extension to keep: the name goes at the end.
  EXPECT_EQ(ScreenshotPath("shots.v2/loop", "config", true), "shots.v2/loop-config");
  EXPECT_EQ(ScreenshotPath("/tmp/.png", "config", true), "/tmp/.png-config");
}

}  // namespace
}  // namespace tq::demo
