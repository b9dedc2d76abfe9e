// What the window tests compare: the set reports a session sent, and the
// report they expect, as whole buffers.
#pragma once

#include <cstdint>
#include <vector>

#include "emulator/simulated_hid.h"

namespace tq::testing {

using Bytes = std::vector<std::uint8_t>;

// A set report as the board must receive it: zero-filled to its length.
inline Bytes SetReport(std::uint8_t command, std::uint8_t value, std::size_t length = 64) {
  Bytes bytes(length, 0);
  bytes[1] = command;
  bytes[2] = value;
  return bytes;
}

// The set reports sent since the last call, oldest first; clears the log.
inline std::vector<Bytes> TakeSent(emu::SimulatedHid& hid) {
  std::vector<Bytes> sent;
  for (const auto& call : hid.CallsOf("HidD_SetFeature")) sent.push_back(call.bytes);
  hid.ClearCalls();
  return sent;
}

}  // namespace tq::testing
