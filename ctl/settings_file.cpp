#include "ctl/settings_file.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "devlink/device_link.h"

namespace tq::ctl {
namespace {

using Json = nlohmann::ordered_json;

std::string Hex4(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", unsigned{value});
  return text;
}

// nlohmann's messages start with "[json.exception.parse_error.101] ".
std::string WithoutExceptionTag(const std::string& message) {
  const auto end = message.find("] ");
  return message.starts_with("[json.exception.") && end != std::string::npos
             ? message.substr(end + 2)
             : message;
}

std::string Quoted(const Json& value) { return value.dump(); }

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
  Json json;
  try {
    json = Json::parse(text);
  } catch (const Json::parse_error& error) {
    return "not JSON: " + WithoutExceptionTag(error.what());
  }
  if (!json.is_object()) return "the file must hold one JSON object";
  if (!json.contains("format") || json["format"] != kFileFormat) {
    return std::string("\"format\" must be \"") + kFileFormat + "\"";
  }
  const Json& version = json["version"];
  if (!version.is_number_integer()) return "\"version\" must be a whole number";
  if (version != kFileVersion) {
    return "\"version\" " + version.dump() + " is not one this program reads (" +
           std::to_string(kFileVersion) + ")";
  }

  SettingsFile file;
  if (const auto board = json.find("board"); board != json.end() && board->is_object()) {
    const auto field = [&](const char* key) {
      const auto it = board->find(key);
      return it != board->end() && it->is_string() ? it->get<std::string>() : std::string{};
    };
    file.board.serial = field("serial");
    file.board.manufacturer = field("manufacturer");
    file.board.product = field("product");
  }

  const auto settings = json.find("settings");
  if (settings == json.end() || !settings->is_object()) {
    return "\"settings\" must be an object of setting bytes by address";
  }
  for (const auto& [key, value] : settings->items()) {
    const std::string where = "settings." + Quoted(key) + ": ";
    int address = -1;
    if (!key.empty() && key.size() <= 3 && key.find_first_not_of("0123456789") == std::string::npos) {
      address = std::stoi(key);
    }
    if (!IsSettingAddress(address)) return where + "not a settings address this program knows";
    if (!value.is_number_integer() || value < 0 || value > 255) {
      return where + "expected a byte 0 to 255, got " + value.dump();
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
