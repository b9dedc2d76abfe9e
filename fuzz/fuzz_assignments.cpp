// Any command line of set, one NAME=VALUE a line: refused in one line that
// names the argument, or settings each named once, in range, that touch
// only setting addresses when applied.
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "board/encoder_reports.h"
#include "ctl/named_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tq::ctl;
  std::vector<std::string> arguments(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      arguments.emplace_back();
    } else {
      arguments.back().push_back(static_cast<char>(data[i]));
    }
  }
  const auto parsed = ParseAssignments(arguments);
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    if (error->find('\n') != std::string::npos) __builtin_trap();
    bool named = false;
    for (const auto& argument : arguments) named = named || error->find("'" + argument + "'") == 0;
    if (!named) __builtin_trap();
    return 0;
  }
  const auto& changes = std::get<std::vector<Change>>(parsed);
  if (changes.size() != arguments.size()) __builtin_trap();
  SettingBytes bytes;
  for (const auto address : kSettingAddresses) bytes[address] = 0x5A;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (changes[j].kind == changes[i].kind && changes[j].index == changes[i].index) {
        __builtin_trap();
      }
    }
    if (ApplyChange(changes[i], bytes)) __builtin_trap();
    // Without its bank's bytes an encoder type cannot be put in.
    SettingBytes noBank = bytes;
    noBank.erase(tq::encoders::SetEncoderLow1to8);
    noBank.erase(tq::encoders::SetEncoderLow9to16);
    const bool refused = ApplyChange(changes[i], noBank).has_value();
    if (refused != (changes[i].kind == Change::Kind::kEncoder)) __builtin_trap();
  }
  if (bytes.size() != kSettingAddresses.size() || !MissingAddresses(bytes).empty()) {
    __builtin_trap();
  }
  return 0;
}
