// The backup file: a JSON object naming its format and version, the board it
// was read from, and every setting byte by settings address.
//
//   {"format": "tq5271ctl settings", "version": 1,
//    "board": {"serial": "00001", "vendorId": "2A7E", "productId": "0501",
//              "release": "1.21", "manufacturer": "...", "product": "..."},
//    "settings": {"11": 5, "12": 1, "14": 0, ..., "26": 6}}
#pragma once

#include <cstddef>
#include <string>
#include <variant>

#include "ctl/setting_bytes.h"

namespace tq::ctl {

inline constexpr const char* kFileFormat = "tq5271ctl settings";
inline constexpr int kFileVersion = 1;
// save writes under 1 KB: fifteen bytes and the board's three strings of at
// most 126 characters each. Sixty-four times that leaves room for a file
// edited by hand, and a larger one is surely not a backup.
inline constexpr std::size_t kMaxSettingsFileBytes = 64 * 1024;
// The format nests two objects deep; the bound keeps the parse, and the
// freeing of what it built, shallow on any file.
inline constexpr int kMaxSettingsFileDepth = 8;

struct BoardIdentity {
  std::string serial;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t versionNumber = 0;
  std::string manufacturer;  // empty when the board gave none
  std::string product;
};

struct SettingsFile {
  BoardIdentity board;  // as far as the file tells it; only shown
  SettingBytes settings;
};

std::string FormatSettingsFile(const SettingsFile& file);

// The file's content, or a one-line error saying where and what: every
// address of kSettingAddresses present once with a byte, and nothing else;
// the board's fields, where given, strings; no name twice in one object;
// strict JSON in UTF-8, numbers within a double's range.
std::variant<SettingsFile, std::string> ParseSettingsFile(const std::string& text);

}  // namespace tq::ctl
