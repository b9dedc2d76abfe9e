// tq5271ctl show: the settings by name, as bytes and as JSON, from the
// sixteen reads of the board's rotation.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

// Whether `err` is one line of tq5271ctl's saying that page 16, and not page
// 0, stayed away through all `requests` requests the board was asked, and
// ending on what became of its settings.
bool SaysPage16NotBack(const std::string& err, int requests, const std::string& outcome) {
  return err.starts_with("tq5271ctl: ") && std::ranges::count(err, '\n') == 1 &&
         Has(err, "page 16 ") && !Has(err, "page 0") &&
         Has(err, " " + std::to_string(requests) + " requests") &&
         err.ends_with(outcome + "\n");
}

TEST(CtlShow, NamesBytesJsonAndTheSixteenReads) {
  emu::SimulatedHid hid;
  hid.Attach(emu::MakeTQ5271(u"00001"));
  Result result = RunCtl(hid, {"show"});
  EXPECT_EQ(result.code, 0) << result.err;
  for (const std::string line :
       {"board 00001  2A7E:0501  release 1.21  \"TQ Controls\"  \"TQ5271 Joystick Interface\"\n",
        "  enc1   1-2    OFF\n", "  enc2   3-4    1:1\n", "  enc3   5-6    1:2\n",
        "  enc8   15-16  1:4\n", "  enc9   17-18  1:1\n", "  enc16  31-32  OFF\n",
        "pulse width  48 ms\n", "  1 X       Normal  inverted\n",
        "  2 Y       Zoom  not inverted\n", "  3 Z       Zoom  inverted\n",
        "  8 Slider  Normal  not inverted\n", "automatic detection  on\n",
        "setting bytes 11=0x05 12=0x01 14=0x00 15=0xC6 16=0xC6 17=0x00 18=0x00 19=0x00 "
        "20=0x00 21=0x00 22=0x8A 23=0x01 24=0x8C 25=0x00 26=0x06\n"}) {
    EXPECT_TRUE(Has(result.out, line)) << line << "in\n" << result.out;
  }
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 16);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);

  hid.ClearCalls();
  result = RunCtl(hid, {"show", "--json"});
  EXPECT_EQ(result.code, 0);
  const auto json = nlohmann::json::parse(result.out);
  EXPECT_EQ(json["serial"], "00001");
  EXPECT_EQ(json["vendorId"], "2A7E");
  EXPECT_EQ(json["productId"], "0501");
  EXPECT_EQ(json["release"], "1.21");
  EXPECT_EQ(json["encoders"]["enc3"], "1:2");
  EXPECT_EQ(json["pulse"], "48 ms");
  EXPECT_EQ(json["inputs"][1]["mode"], "Zoom");
  EXPECT_EQ(json["inputs"][2]["inverted"], true);
  EXPECT_EQ(json["autoDetect"], true);
  EXPECT_EQ(json["settings"]["22"], 0x8A);
  EXPECT_TRUE(json["notRead"].empty());
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 16);
}

TEST(CtlShow, PagesLateInTheSixteenOrNeverAndAnOldRelease) {
  // Page 0 comes at the 6th request and page 16 at the 16th: both count.
  emu::EmulatedBoard late = emu::MakeTQ5271(u"00001");
  late.pageRotation.assign(16, 32);
  late.pageRotation[5] = 0;
  late.pageRotation[15] = 16;
  emu::SimulatedHid hid;
  hid.Attach(late);
  Result result = RunCtl(hid, {"show"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_TRUE(Has(result.out, "  enc8   15-16  1:4\n"));

  // Page 16 would come at the 17th: not read, and said so.
  late.pageRotation.push_back(16);
  late.pageRotation[15] = 32;
  emu::SimulatedHid never;
  never.Attach(late);
  result = RunCtl(never, {"show"});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(Has(result.out, "  enc8   15-16  ?\n")) << result.out;
  EXPECT_TRUE(Has(result.out, "pulse width  ?\n"));
  EXPECT_TRUE(Has(result.out, "  1 X       Normal  inverted\n"));
  EXPECT_EQ(never.CallCount("HidD_GetFeature"), 16);
  EXPECT_TRUE(SaysPage16NotBack(result.err, never.CallCount("HidD_GetFeature"), "unknown"))
      << result.err;
  const std::string file = TempFile("never.json");
  std::filesystem::remove(file);
  emu::SimulatedHid neverAgain;  // the rotation starts over
  neverAgain.Attach(late);
  result = RunCtl(neverAgain, {"save", file});
  EXPECT_EQ(result.code, 2);
  EXPECT_TRUE(
      SaysPage16NotBack(result.err, neverAgain.CallCount("HidD_GetFeature"), "nothing saved"))
      << result.err;
  EXPECT_FALSE(std::filesystem::exists(file));

  emu::EmulatedBoard old = emu::MakeTQ5271(u"00001");
  old.versionNumber = 0x0110;
  emu::SimulatedHid oldHid;
  oldHid.Attach(old);
  result = RunCtl(oldHid, {"show"});
  EXPECT_TRUE(Has(result.out, "encoder types  (not offered by release 1.10 (needs .20 or later))\n"))
      << result.out;
  EXPECT_TRUE(Has(result.out, "analog inputs\n")) << "modes are offered from .10";
}

}  // namespace
}  // namespace tq::ctl
