// Runs a scenario once to learn which platform calls it makes, then again
// for every one of those calls with that call failing, and again with a
// board unplugged right before it. The checks after each run are the
// caller's.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "emulator/simulated_hid.h"

namespace tq::testing {

struct SweepCounts {
  int runs = 0;
  int failures = 0;
  int unplugs = 0;
};

// `scenario` builds its own world on the SimulatedHid it is given (attaching
// boards first), runs to the end and checks what must hold; `injure` is
// called after the boards are attached and before anything else runs.
using Scenario =
    std::function<void(emu::SimulatedHid& hid, const std::function<void()>& injure)>;

inline SweepCounts SweepFaults(const Scenario& scenario, int boards) {
  SweepCounts counts;
  std::map<std::string, int> callsPerOp;
  {
    emu::SimulatedHid baseline;
    scenario(baseline, [] {});
    for (const auto& call : baseline.Calls()) ++callsPerOp[call.op];
  }
  // Unloading and a failed close cannot be injured usefully, but every
  // other call can.
  for (const auto& [op, count] : callsPerOp) {
    if (op == "HidD_GetHidGuid") continue;
    for (int n = 1; n <= count; ++n) {
      {
        SCOPED_TRACE(op + " #" + std::to_string(n) + " fails");
        emu::SimulatedHid hid;
        scenario(hid, [&] { hid.FailNth(op, n); });
        ++counts.runs;
        ++counts.failures;
      }
      for (int board = 0; board < boards; ++board) {
        SCOPED_TRACE("board " + std::to_string(board) + " unplugged before " + op + " #" +
                     std::to_string(n));
        emu::SimulatedHid hid;
        scenario(hid, [&] { hid.UnplugBefore(op, n, board); });
        ++counts.runs;
        ++counts.unplugs;
      }
      if (::testing::Test::HasFatalFailure()) return counts;
    }
  }
  return counts;
}

// Nothing left open, nothing closed twice or invented.
inline void ExpectHandlesBalanced(const emu::SimulatedHid& hid) {
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  EXPECT_EQ(hid.DoubleCloses(), 0);
  EXPECT_EQ(hid.InvalidCloses(), 0);
  EXPECT_EQ(hid.OpenDeviceInfoSets(), 0);
  EXPECT_EQ(hid.DoubleDestroys(), 0);
  EXPECT_EQ(hid.OpenPreparsedData(), 0);
}

}  // namespace tq::testing
