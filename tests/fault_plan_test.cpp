// The fault plan on its own: which call of an operation a planned fault
// hits, and what it does there.
#include <gtest/gtest.h>

#include <vector>

#include "emulator/fault_plan.h"

namespace tq::emu {
namespace {

TEST(FaultPlan, EachFaultHitsItsCountedCallOfItsOperationOnce) {
  FaultPlan plan;
  plan.FailNth("HidD_SetFeature", 2);
  plan.UnplugBefore("HidD_SetFeature", 2, 7);
  plan.UnplugBefore("HidD_GetFeature", 1, 3);

  // Calls of another operation count for nothing.
  EXPECT_FALSE(plan.Count("CreateFileA").fail);
  const FaultPlan::Due first = plan.Count("HidD_SetFeature");
  EXPECT_FALSE(first.fail);
  EXPECT_TRUE(first.unplug.empty());
  // Both faults planned for the second call come due on it.
  const FaultPlan::Due second = plan.Count("HidD_SetFeature");
  EXPECT_TRUE(second.fail);
  EXPECT_EQ(second.unplug, std::vector<int>{7});
  // Spent: the third call goes through.
  const FaultPlan::Due third = plan.Count("HidD_SetFeature");
  EXPECT_FALSE(third.fail);
  EXPECT_TRUE(third.unplug.empty());

  // An unplug alone leaves the call itself to succeed or fail on its own.
  const FaultPlan::Due get = plan.Count("HidD_GetFeature");
  EXPECT_FALSE(get.fail);
  EXPECT_EQ(get.unplug, std::vector<int>{3});
  EXPECT_TRUE(plan.Count("HidD_GetFeature").unplug.empty());

  // Counted from when the fault is planned, not from the first call.
  plan.FailNth("CreateFileA", 1);
  EXPECT_TRUE(plan.Count("CreateFileA").fail);
}

TEST(FaultPlan, AnOperationFailsAlwaysUntilCleared) {
  FaultPlan plan;
  plan.FailAlways("CreateFileA", true);
  plan.FailAlways("CreateFileA", true);  // twice is still one switch
  EXPECT_TRUE(plan.Count("CreateFileA").fail);
  EXPECT_TRUE(plan.Count("CreateFileA").fail);
  EXPECT_FALSE(plan.Count("CloseHandle").fail);
  plan.FailAlways("CreateFileA", false);
  EXPECT_FALSE(plan.Count("CreateFileA").fail);
}

}  // namespace
}  // namespace tq::emu
