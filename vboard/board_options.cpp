#include "vboard/board_options.h"

#include <charconv>
#include <cstdlib>
#include <sstream>

#include "emulator/board_descriptor.h"

namespace tq::vboard {
namespace {

std::optional<unsigned long> Number(const std::string& text, unsigned long max) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (*end != '\0' || value > max) return std::nullopt;
  return value;
}

// ASCII only: what a shell line carries for these strings.
std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
  return parts;
}

// Hex digits, two a byte.
std::optional<std::vector<std::uint8_t>> HexBytes(const std::string& text) {
  if (text.empty() || text.size() % 2 != 0 || text.size() > 2 * 4096) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const char* first = text.data() + i;
    std::uint8_t byte = 0;
    const auto [end, error] = std::from_chars(first, first + 2, byte, 16);
    if (error != std::errc() || end != first + 2) return std::nullopt;
    bytes.push_back(byte);
  }
  return bytes;
}

}  // namespace

std::optional<BoardOptions> ParseBoardOptions(const std::string& text) {
  BoardOptions options{emu::MakeTQ5271(u"00001"), {}};
  bool vendorDescriptor = false;
  for (const std::string& item : Split(text, ',')) {
    if (item.empty()) continue;
    const std::size_t equals = item.find('=');
    const std::string key = item.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : item.substr(equals + 1);
    if (key == "stall" && equals == std::string::npos) {
      options.faults.stallGetReport = true;
      continue;
    }
    if (equals == std::string::npos) return std::nullopt;
    if (key == "serial") {
      options.board.serial = Wide(value);
    } else if (key == "manufacturer") {
      options.board.manufacturer = Wide(value);
    } else if (key == "name") {
      options.board.product = Wide(value);
    } else if (key == "tag") {
      options.board.indexedStrings[42] = Wide(value);
    } else if (key == "pages") {
      options.board.pageRotation.clear();
      for (const std::string& page : Split(value, ':')) {
        const auto tag = Number(page, 0xFF);
        if (!tag) return std::nullopt;
        options.board.pageRotation.push_back(static_cast<std::uint8_t>(*tag));
      }
    } else if (key == "descriptor" && value == "vendor") {
      vendorDescriptor = true;
    } else if (key == "descriptor") {
      options.board.reportDescriptor = HexBytes(value);
      if (!options.board.reportDescriptor) return std::nullopt;
    } else if (key == "setting") {
      const auto pair = Split(value, ':');
      if (pair.size() != 2) return std::nullopt;
      const auto address = Number(pair[0], 0xFF);
      const auto byte = Number(pair[1], 0xFF);
      if (!address || !byte) return std::nullopt;
      options.board.settings[*address] = static_cast<std::uint8_t>(*byte);
    } else {
      const auto number = Number(value, key == "delay" ? 60000 : 0xFFFF);
      if (!number) return std::nullopt;
      const auto word = static_cast<std::uint16_t>(*number);
      if (key == "vendor") {
        options.board.vendorId = word;
      } else if (key == "product") {
        options.board.productId = word;
      } else if (key == "release") {
        options.board.versionNumber = word;
      } else if (key == "length") {
        options.board.featureReportByteLength = word;
      } else if (key == "short") {
        options.faults.getReportReplyBytes = *number;
      } else if (key == "delay") {
        options.faults.getReportDelayMs = static_cast<unsigned>(*number);
      } else {
        return std::nullopt;
      }
    }
  }
  // A vendor-defined device takes the lengths the other options gave.
  if (vendorDescriptor) {
    options.board.reportDescriptor = emu::VendorDefinedDescriptor(
        options.board.inputReportByteLength, options.board.featureReportByteLength);
  }
  return options;
}

}  // namespace tq::vboard
