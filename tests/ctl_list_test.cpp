// tq5271ctl list: one line a board, and its exit codes.
#include <gtest/gtest.h>

#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

TEST(CtlList, LinesAndExitCodes) {
  emu::SimulatedHid hid;
  Result result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, "no usable board\n");

  emu::EmulatedBoard foreign;
  foreign.vendorId = 0x046D;
  foreign.productId = 0xC52B;
  hid.Attach(foreign);
  emu::EmulatedBoard denied = emu::MakeTQ5271(u"00003");
  denied.productId = 0x0502;
  denied.openError = kErrorAccessDenied;
  const auto deniedId = hid.Attach(denied);
  result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 1) << "a board nobody may open is not usable";
  EXPECT_EQ(result.out, "2A7E:0502  " + hid.PathOf(deniedId) +
                            "  cannot open: permission denied; install the udev rule\n"
                            "no usable board\n");

  const auto boardId = hid.Attach(emu::MakeTQ5271(u"00001"));
  emu::EmulatedBoard encodersOnly = emu::MakeTQ5271(u"00004");
  encodersOnly.productId = 0x0510;
  encodersOnly.indexedStrings.clear();
  encodersOnly.manufacturer.reset();
  const auto encodersOnlyId = hid.Attach(encodersOnly);
  result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(Has(result.out, "serial 00001  2A7E:0501  release 1.21  tag TQ5271A  manufacturer "
                              "\"TQ Controls\"  product \"TQ5271 Joystick Interface\"  "
                              "TQ5271_encoders yes  TQ5271_config yes  " +
                                  hid.PathOf(boardId) + "\n"))
      << result.out;
  EXPECT_TRUE(Has(result.out, "serial 00004  2A7E:0510  release 1.21  tag -  manufacturer -  "
                              "product \"TQ5271 Joystick Interface\"  TQ5271_encoders yes  "
                              "TQ5271_config no  " +
                                  hid.PathOf(encodersOnlyId) + "\n"))
      << result.out;
  EXPECT_FALSE(Has(result.out, "046D")) << "other vendors are not listed";
  EXPECT_TRUE(result.out.ends_with("2 usable boards\n")) << result.out;
  EXPECT_EQ(hid.CallCount("HidD_SetFeature") + hid.CallCount("HidD_GetFeature"), 0);

  hid.FailAlways("SetupDiGetClassDevsA");
  result = RunCtl(hid, {"list"});
  EXPECT_EQ(result.code, 2);
  EXPECT_EQ(result.err, "tq5271ctl: cannot list the HID interfaces\n");
}

}  // namespace
}  // namespace tq::ctl
