// The log of an emulated platform's calls: each call with its arguments,
// the bytes it carried and its result, in the order they were made, so a
// test can assert the exact bytes and order of every report. Not locked:
// the platform that keeps it records and reads it under its own lock.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "devlink/hid_api.h"

namespace tq::emu {

// One logged platform call.
struct Call {
  std::string op{};                // the HidApi method name, e.g. "HidD_SetFeature"
  HANDLE handle = 0;               // handle or set the call was given (0 if none)
  std::string path{};              // CreateFileA's path
  std::uint32_t access = 0;        // CreateFileA's desired access
  std::uint32_t flags = 0;         // CreateFileA's flags, SetupDiGetClassDevsA's flags
  std::uint32_t index = 0;         // member index or string index
  std::uint32_t length = 0;        // buffer length given
  std::vector<std::uint8_t> bytes{};  // set report sent, or get report / string returned
  std::int64_t result = 0;         // the call's result (handles as their value)
};

class CallLog {
 public:
  // Logs `call` with `result` and hands the result back. Handles, sets and
  // preparsed data are logged as their value, the invalid one as -1.
  template <typename Result>
  Result Record(Call call, Result result) {
    if constexpr (std::is_same_v<Result, HANDLE>) {
      call.result = result == kInvalidHandleValue ? -1 : static_cast<std::int64_t>(result);
    } else {
      call.result = result;
    }
    calls_.push_back(std::move(call));
    return result;
  }

  const std::vector<Call>& All() const { return calls_; }
  std::vector<Call> Of(const std::string& op) const;
  int Count(const std::string& op) const;
  void Clear() { calls_.clear(); }

 private:
  std::vector<Call> calls_;
};

}  // namespace tq::emu
