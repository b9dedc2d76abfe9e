#pragma once

#include <cstdint>

#include "ctl/setting_bytes.h"

namespace tq::ctl {

// Every setting address of a board holding the same byte.
inline SettingBytes Full(std::uint8_t fill) {
  SettingBytes bytes;
  for (const auto address : kSettingAddresses) bytes[address] = fill;
  return bytes;
}

}  // namespace tq::ctl
