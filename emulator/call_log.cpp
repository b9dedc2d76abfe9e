#include "emulator/call_log.h"

#include <algorithm>
#include <iterator>

namespace tq::emu {

std::vector<Call> CallLog::Of(const std::string& op) const {
  std::vector<Call> out;
  std::ranges::copy_if(calls_, std::back_inserter(out),
                       [&op](const Call& call) { return call.op == op; });
  return out;
}

int CallLog::Count(const std::string& op) const {
  return static_cast<int>(std::ranges::count(calls_, op, &Call::op));
}

}  // namespace tq::emu
