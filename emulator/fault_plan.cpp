#include "emulator/fault_plan.h"

#include <algorithm>

namespace tq::emu {

void FaultPlan::FailNth(const std::string& op, int n) {
  faults_.push_back(Fault{op, n, false, 0});
}

void FaultPlan::UnplugBefore(const std::string& op, int n, int board) {
  faults_.push_back(Fault{op, n, true, board});
}

void FaultPlan::FailAlways(const std::string& op, bool fail) {
  std::erase(failAlways_, op);
  if (fail) failAlways_.push_back(op);
}

FaultPlan::Due FaultPlan::Count(const std::string& op) {
  Due due{.fail = std::ranges::find(failAlways_, op) != failAlways_.end()};
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (it->op != op || --it->remaining != 0) {
      ++it;
      continue;
    }
    if (it->unplug) {
      due.unplug.push_back(it->board);
    } else {
      due.fail = true;
    }
    it = faults_.erase(it);
  }
  return due;
}

}  // namespace tq::emu
