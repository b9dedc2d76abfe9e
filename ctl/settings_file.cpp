#include "ctl/settings_file.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "devlink/device_link.h"

namespace tq::ctl {
namespace {

using Json = nlohmann::ordered_json;

std::string Quoted(const Json& value) { return value.dump(); }

std::string Hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", unsigned{value});
  return text;
}

// What the file holds, shown in an error: never more than a few words of
// it, and nothing a terminal would take as a control.
std::string Shown(std::string text, std::size_t room = 60) {
  if (text.size() > room) text = text.substr(0, room) + "...";
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
  }
  return text;
}

std::string Shown(const Json& value) {
  return value.is_structured() ? std::string(value.type_name()) : Shown(value.dump());
}

// nlohmann's messages start with "[json.exception.parse_error.101] ".
std::string WithoutExceptionTag(const std::string& message) {
  const auto end = message.find("] ");
  return message.starts_with("[json.exception.") && end != std::string::npos
             ? message.substr(end + 2)
             : message;
}

// Raised from the parser's callback to end the parse at once.
struct Refused {
  std::string why;
};

// Refuses, while parsing, a value nested too deep and a name given twice
// in one object (which the library would let the last one win).
class ParseChecks {
 public:
  bool operator()(int depth, Json::parse_event_t event, Json& parsed) {
    if (depth > kMaxSettingsFileDepth) {
      throw Refused{"nested deeper than " + std::to_string(kMaxSettingsFileDepth) + " levels"};
    }
    const auto level = static_cast<std::size_t>(depth);
    if (event == Json::parse_event_t::object_start) {
      names_.resize(level + 1);
      names_[level].clear();
    } else if (event == Json::parse_event_t::key) {
      path_.resize(level);
      path_[level - 1] = parsed.get<std::string>();
      if (!names_[level - 1].insert(path_[level - 1]).second) {
        std::string where;
        for (std::size_t i = 0; i + 1 < level; ++i) {
          if (!path_[i].empty()) where += path_[i] + ".";  // empty: an array's level
        }
        throw Refused{Shown(where + Quoted(parsed)) + " is given twice"};
      }
    }
    return true;
  }

 private:
  std::vector<std::set<std::string>> names_;  // per depth, the open object's names so far
  std::vector<std::string> path_;             // the names leading to the current value
};

}  // namespace

std::string FormatSettingsFile(const SettingsFile& file) {
  Json json;
  json["format"] = kFileFormat;
  json["version"] = kFileVersion;
  json["board"] = {
      {"serial", file.board.serial},
      {"vendorId", Hex4(file.board.vendorId)},
      {"productId", Hex4(file.board.productId)},
      {"release", ReleaseCaption(file.board.versionNumber).substr(1)},
      {"manufacturer", file.board.manufacturer},
      {"product", file.board.product},
  };
  Json settings = Json::object();
  for (const auto& [address, value] : file.settings) settings[std::to_string(address)] = value;
  json["settings"] = settings;
  // The board's strings are Latin-1 text carried as UTF-8; replace rather
  // than throw should one ever not be.
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::variant<SettingsFile, std::string> ParseSettingsFile(const std::string& text) {
  if (text.empty()) return "the file is empty";
  Json json;
  try {
    json = Json::parse(text, ParseChecks{});
  } catch (const Refused& refused) {
    return refused.why;
  } catch (const Json::parse_error& error) {
    // The library's words and as much of the offending text as fits a line.
    return "not JSON: " + Shown(WithoutExceptionTag(error.what()), 160);
  } catch (const Json::exception& error) {
    // A number beyond a double's range, anywhere in the file.
    return Shown(WithoutExceptionTag(error.what()));
  }
  if (!json.is_object()) return "the file must hold one JSON object";
  const auto format = json.find("format");
  if (format == json.end() || *format != kFileFormat) {
    return std::string("\"format\" must be \"") + kFileFormat + "\"";
  }
  const auto version = json.find("version");
  if (version == json.end() || !version->is_number_integer()) {
    return "\"version\" must be a whole number";
  }
  if (*version != kFileVersion) {
    return "\"version\" " + Shown(*version) + " is not one this program reads (" +
           std::to_string(kFileVersion) + ")";
  }

  SettingsFile file;
  if (const auto board = json.find("board"); board != json.end()) {
    if (!board->is_object()) return "\"board\" must be an object";
    for (const auto& [key, value] : board->items()) {
      if (!value.is_string()) return "board." + Shown(Quoted(key)) + " must be a string";
    }
    const auto field = [&](const char* key) { return board->value(key, std::string{}); };
    file.board.serial = field("serial");
    file.board.manufacturer = field("manufacturer");
    file.board.product = field("product");
  }

  const auto settings = json.find("settings");
  if (settings == json.end() || !settings->is_object()) {
    return "\"settings\" must be an object of setting bytes by address";
  }
  for (const auto& [key, value] : settings->items()) {
    const std::string where = "settings." + Shown(Quoted(key)) + ": ";
    int address = -1;
    if (!key.empty() && key.size() <= 3 && key.find_first_not_of("0123456789") == std::string::npos) {
      address = std::stoi(key);
    }
    if (!IsSettingAddress(address)) return where + "not a settings address this program knows";
    if (!value.is_number_integer() || value < 0 || value > 255) {
      return where + "expected a byte 0 to 255, got " + Shown(value);
    }
    file.settings[static_cast<std::uint8_t>(address)] = value.get<std::uint8_t>();
  }
  if (const auto missing = MissingAddresses(file.settings); !missing.empty()) {
    return "settings: address " + std::to_string(missing.front()) + " (" +
           SettingName(missing.front()) + ") is missing";
  }
  return file;
}

}  // namespace tq::ctl
