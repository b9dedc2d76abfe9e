#include "ctl/named_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "board/config_reports.h"
#include "board/encoder_reports.h"

namespace tq::ctl {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "enc12" with prefix "enc" and 16 members -> 12.
std::optional<int> Indexed(std::string_view name, std::string_view prefix, int count) {
  if (!name.starts_with(prefix)) return std::nullopt;
  const auto index = Number(name.substr(prefix.size()));
  if (!index || *index < 1 || *index > count) return std::nullopt;
  return index;
}

std::uint8_t LowAddress(int pair) {
  return pair <= encoders::kPairsPerBank ? encoders::SetEncoderLow1to8
                                         : encoders::SetEncoderLow9to16;
}
std::uint8_t HighAddress(int pair) {
  return pair <= encoders::kPairsPerBank ? encoders::SetEncoderHigh1to8
                                         : encoders::SetEncoderHigh9to16;
}
std::uint8_t PairBit(int pair) {
  return static_cast<std::uint8_t>(1u << ((pair - 1) % encoders::kPairsPerBank));
}
std::uint8_t ModeAddress(int input) {
  return static_cast<std::uint8_t>(config::SetInputMode1 + input - 1);
}

const std::string kNames =
    "enc1..enc16, pulse, invert, mode1..mode8 (mode7 has no setting), auto";

}  // namespace

std::variant<Change, std::string> ParseAssignment(std::string_view text) {
  const auto equals = text.find('=');
  if (equals == std::string_view::npos) {
    return "'" + std::string(text) + "': expected NAME=VALUE";
  }
  const std::string name = Lower(text.substr(0, equals));
  const std::string value = Lower(text.substr(equals + 1));
  const std::string where = "'" + std::string(text) + "': ";
  using Kind = Change::Kind;

  if (const auto pair = Indexed(name, "enc", encoders::kPairCount)) {
    const auto& items = encoders::kEncoderTypeItems;
    for (std::size_t code = 0; code < items.size(); ++code) {
      if (value == Lower(items[code])) return Change{Kind::kEncoder, *pair, static_cast<int>(code)};
    }
    return where + "an encoder type is OFF, 1:1, 1:2 or 1:4";
  }
  if (name == "pulse") {
    std::string digits = value;
    if (digits.ends_with("ms")) digits.resize(digits.size() - 2);
    while (!digits.empty() && digits.back() == ' ') digits.pop_back();
    const auto ms = Number(digits);
    const int step = encoders::kPulseWidthStepMs;
    if (!ms || *ms % step != 0 || *ms < step || *ms > step * encoders::kPulseWidthCount) {
      return where + "a pulse width is 8 ms to 200 ms in steps of 8 ms";
    }
    return Change{Kind::kPulse, 0, *ms / step};
  }
  if (name == "invert") {
    int mask = 0;
    if (value != "none") {
      std::string_view rest = value;
      while (true) {
        const auto comma = rest.find(',');
        const auto input = Number(rest.substr(0, comma));
        if (!input || *input < 1 || *input > config::kInputCount) {
          return where + "invert takes input numbers 1 to 8 separated by commas, or none";
        }
        mask |= 1 << (*input - 1);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    }
    return Change{Kind::kInvert, 0, mask};
  }
  if (const auto input = Indexed(name, "mode", config::kInputCount)) {
    if (*input == config::kUnzoomableInput) {
      return where + "input 7 has no mode to set (it must stay unconnected while another "
                     "input zooms)";
    }
    if (value == "normal") return Change{Kind::kMode, *input, config::kModeNormal};
    if (value == "zoom") return Change{Kind::kMode, *input, config::kModeZoom};
    return where + "a mode is normal or zoom";
  }
  if (name == "auto") {
    if (value == "on") return Change{Kind::kAuto, 0, 1};
    if (value == "off") return Change{Kind::kAuto, 0, 0};
    return where + "auto is on or off";
  }
  return where + "unknown setting; names are " + kNames;
}

std::variant<std::vector<Change>, std::string> ParseAssignments(
    const std::vector<std::string>& texts) {
  std::vector<Change> changes;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto parsed = ParseAssignment(texts[i]);
    if (auto* error = std::get_if<std::string>(&parsed)) return std::move(*error);
    const Change& change = std::get<Change>(parsed);
    for (std::size_t before = 0; before < i; ++before) {
      if (changes[before].kind == change.kind && changes[before].index == change.index) {
        return "'" + texts[i] + "': the same setting as '" + texts[before] +
               "'; give each setting once";
      }
    }
    changes.push_back(change);
  }
  return changes;
}

std::optional<std::string> ApplyChange(const Change& change, SettingBytes& bytes) {
  const auto byte = [](int value) { return static_cast<std::uint8_t>(value); };
  switch (change.kind) {
    case Change::Kind::kEncoder: {
      const auto low = bytes.find(LowAddress(change.index));
      const auto high = bytes.find(HighAddress(change.index));
      if (low == bytes.end() || high == bytes.end()) {
        return "enc" + std::to_string(change.index) + ": the board's encoder page " +
               NotBackInRequests() + ", so the rest of its bank is unknown";
      }
      const std::uint8_t bit = PairBit(change.index);
      low->second = byte((low->second & ~bit) | ((change.value & 1) ? bit : 0));
      high->second = byte((high->second & ~bit) | ((change.value & 2) ? bit : 0));
      return std::nullopt;
    }
    case Change::Kind::kPulse:
      bytes[encoders::SetPulseWidth] = byte(change.value);
      return std::nullopt;
    case Change::Kind::kInvert:
      bytes[config::SetInvertMask] = byte(change.value);
      return std::nullopt;
    case Change::Kind::kMode:
      bytes[ModeAddress(change.index)] = byte(change.value);
      return std::nullopt;
    case Change::Kind::kAuto:
      bytes[config::SetAutoDetect] = byte(change.value);
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<int> EncoderType(const SettingBytes& bytes, int pair) {
  const auto low = bytes.find(LowAddress(pair));
  const auto high = bytes.find(HighAddress(pair));
  if (low == bytes.end() || high == bytes.end()) return std::nullopt;
  const std::uint8_t bit = PairBit(pair);
  return ((low->second & bit) ? 1 : 0) + ((high->second & bit) ? 2 : 0);
}

std::optional<std::string> PulseText(const SettingBytes& bytes) {
  const auto code = bytes.find(encoders::SetPulseWidth);
  if (code == bytes.end()) return std::nullopt;
  if (!encoders::PulseWidthCode(code->second - 1)) {
    return "code " + std::to_string(code->second) + " (no width)";
  }
  return encoders::PulseWidthItem(code->second - 1);
}

std::optional<std::string> ModeText(const SettingBytes& bytes, int input) {
  const auto mode = bytes.find(ModeAddress(input));
  if (mode == bytes.end()) return std::nullopt;
  if (const auto position = config::ModePosition(mode->second)) {
    return config::kModeItems[static_cast<std::size_t>(*position)];
  }
  return Hex(mode->second);
}

std::optional<bool> Inverted(const SettingBytes& bytes, int input) {
  const auto mask = bytes.find(config::SetInvertMask);
  if (mask == bytes.end()) return std::nullopt;
  return config::IsInverted(mask->second, input);
}

std::optional<bool> AutoDetect(const SettingBytes& bytes) {
  const auto stored = bytes.find(config::SetAutoDetect);
  if (stored == bytes.end()) return std::nullopt;
  return config::AutoDetectOn(stored->second);
}

}  // namespace tq::ctl
