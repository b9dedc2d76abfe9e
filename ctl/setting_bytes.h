// The setting bytes both programs know, by settings address: the invert
// mask (11), automatic detection (12), the mode bytes of inputs 1 to 8
// (14 to 21), the encoder banks' low and high bits (22 to 25) and the pulse
// width (26). Read from a board with the same sixteen requests the programs
// make, and named the way the command line names them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tq {
class DeviceLink;
}

namespace tq::ctl {

inline constexpr std::array<std::uint8_t, 15> kSettingAddresses{11, 12, 14, 15, 16, 17, 18, 19,
                                                                20, 21, 22, 23, 24, 25, 26};

bool IsSettingAddress(int address);

// "invert", "auto", "mode1" ... "mode8", "enc1-8 low bits" ..., "pulse".
std::string SettingName(std::uint8_t address);

// Setting bytes by address; an address absent from the map was not read.
using SettingBytes = std::map<std::uint8_t, std::uint8_t>;

// Sixteen get requests into one buffer, as the programs make them; every
// page 0 and page 16 that comes back fills the addresses it holds. An
// address whose page never came (or whose reply was too short) stays absent.
SettingBytes ReadSettingBytes(DeviceLink& link);

// The addresses of kSettingAddresses that `bytes` lacks.
std::vector<std::uint8_t> MissingAddresses(const SettingBytes& bytes);

// Why an address is missing, as the messages put it: "did not come back in
// N requests", N the requests ReadSettingBytes makes.
std::string NotBackInRequests();

// "0x05".
std::string Hex(std::uint8_t value);

}  // namespace tq::ctl
