// The failures a test plans for an emulated platform's calls: the nth call
// of an operation failing, a board unplugged right before the nth call, or
// every call of an operation failing until cleared. The platform counts
// each of its calls here before the call looks at anything, so an unplug
// planned for a call is in effect when that call runs. Not locked: the
// platform counts under its own lock.
#pragma once

#include <string>
#include <vector>

namespace tq::emu {

class FaultPlan {
 public:
  // n counts the calls of `op` from now, 1-based.
  void FailNth(const std::string& op, int n);
  void UnplugBefore(const std::string& op, int n, int board);
  void FailAlways(const std::string& op, bool fail);

  struct Due {
    bool fail = false;         // the call fails without effect
    std::vector<int> unplug{};  // boards to detach before the call runs
  };
  // Counts one call of `op` against the plan; a planned fault that comes
  // due is spent.
  Due Count(const std::string& op);

 private:
  struct Fault {
    std::string op;
    int remaining;
    bool unplug;  // else the call itself fails
    int board;
  };
  std::vector<Fault> faults_;
  std::vector<std::string> failAlways_;
};

}  // namespace tq::emu
