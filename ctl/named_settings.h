// Settings by the names the programs show them with: encoder types ("1:2"),
// pulse widths ("48 ms"), input modes ("Zoom"), inversion per input and
// automatic detection; parsed from NAME=VALUE and shown from setting bytes.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "board/input_sample.h"
#include "ctl/setting_bytes.h"

namespace tq::ctl {

// The names the monitor window and tq5271ctl watch give the axes.
inline constexpr const auto& kInputNames = monitor::kAxisNames;

// One NAME=VALUE of the command line, checked and ready to apply.
struct Change {
  enum class Kind { kEncoder, kPulse, kInvert, kMode, kAuto };
  Kind kind;
  int index = 0;  // the pair or input, 1-based, where the name carries one
  int value = 0;  // type code, pulse-width code, invert mask, mode byte or 0/1
};

// "enc3=1:2", "pulse=48ms", "invert=1,3", "invert=none", "mode5=zoom",
// "auto=on". A string is a one-line error naming what is wrong.
std::variant<Change, std::string> ParseAssignment(std::string_view text);

// Each of a command line's NAME=VALUE, or the first error; a setting named
// twice is refused, since only one of its two values can be meant.
std::variant<std::vector<Change>, std::string> ParseAssignments(
    const std::vector<std::string>& texts);

// Puts the change into `bytes`; an encoder type needs its bank's two bytes
// read from the board first, else the error says so.
std::optional<std::string> ApplyChange(const Change& change, SettingBytes& bytes);

// Decoded forms for showing; nullopt where the byte was not read.
std::optional<int> EncoderType(const SettingBytes& bytes, int pair);
std::optional<std::string> PulseText(const SettingBytes& bytes);  // "48 ms" or "code 0 (none)"
std::optional<std::string> ModeText(const SettingBytes& bytes, int input);  // "Normal", "Zoom", "0x01"
std::optional<bool> Inverted(const SettingBytes& bytes, int input);
std::optional<bool> AutoDetect(const SettingBytes& bytes);

}  // namespace tq::ctl
