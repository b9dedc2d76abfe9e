// tq5271ctl set: named changes sent as the programs send them.
#include <gtest/gtest.h>

#include "tests/ctl_run.h"

namespace tq::ctl {
namespace {

using testing::Bytes;
using testing::SetReport;

TEST(CtlSet, NamedChangesGoOutAsTheProgramsSendThem) {
  emu::SimulatedHid hid;
  const auto id = hid.Attach(emu::MakeTQ5271(u"00001"));
  Result result = RunCtl(hid, {"set", "enc1=1:4", "pulse=200ms", "mode5=zoom", "invert=1,3", "auto=on"});
  EXPECT_EQ(result.code, 0) << result.err;
  // Invert and detection already hold those values; enc1 resends its bank.
  EXPECT_EQ(testing::TakeSent(hid), (std::vector<Bytes>{SetReport(18, 198), SetReport(22, 0x8B),
                                                          SetReport(24, 0x8D), SetReport(26, 25)}));
  EXPECT_TRUE(Has(result.out, "4 reports sent; verified invert, auto"));

  // Only the high byte changes; the low byte still goes first.
  result = RunCtl(hid, {"set", "enc1=1:1"});
  EXPECT_EQ(result.code, 0);
  EXPECT_EQ(testing::TakeSent(hid), (std::vector<Bytes>{SetReport(22, 0x8B), SetReport(24, 0x8C)}));

  result = RunCtl(hid, {"set", "--dry-run", "enc16=1:4"});
  EXPECT_EQ(result.code, 0);
  EXPECT_TRUE(Has(result.out, "would write enc9-16 low bits = 0x81\nwould write enc9-16 high bits = 0x80\n"))
      << result.out;
  EXPECT_TRUE(testing::TakeSent(hid).empty());

  hid.Board(id).versionNumber = 0x0120;
  result = RunCtl(hid, {"set", "enc2=1:2", "pulse=8ms"});
  EXPECT_EQ(result.code, 1);
  EXPECT_TRUE(Has(result.out, "refused enc1-8: enc2=1:2"));
  EXPECT_EQ(testing::TakeSent(hid), (std::vector<Bytes>{SetReport(26, 1)}));
}

}  // namespace
}  // namespace tq::ctl
