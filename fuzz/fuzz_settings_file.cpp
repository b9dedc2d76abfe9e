// Any bytes as the backup file restore reads: refused in one short line
// of printable text, or read whole, every address once, and written back
// by save to the same settings and strings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

#include "ctl/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tq::ctl;
  if (size > kMaxSettingsFileBytes) return 0;  // restore refuses it unread
  const auto parsed = ParseSettingsFile(std::string(reinterpret_cast<const char*>(data), size));
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    if (error->empty() || error->size() > 300) __builtin_trap();
    for (const char c : *error) {
      if (c < 0x20 || c > 0x7E) __builtin_trap();
    }
    return 0;
  }
  const SettingsFile& file = std::get<SettingsFile>(parsed);
  if (file.settings.size() != kSettingAddresses.size()) __builtin_trap();
  const auto again = ParseSettingsFile(FormatSettingsFile(file));
  const auto* back = std::get_if<SettingsFile>(&again);
  if (back == nullptr || back->settings != file.settings ||
      back->board.serial != file.board.serial ||
      back->board.manufacturer != file.board.manufacturer ||
      back->board.product != file.board.product) {
    __builtin_trap();
  }
  return 0;
}
