#include "emulator/board_descriptor.h"

#include <algorithm>

namespace tq::emu {
namespace {

constexpr int kMaxAxisBits = 16;

constexpr std::uint8_t kUsagePage = 0x04;
constexpr std::uint8_t kUsage = 0x08;
constexpr std::uint8_t kUsageMinimum = 0x18;
constexpr std::uint8_t kUsageMaximum = 0x28;
constexpr std::uint8_t kLogicalMinimum = 0x14;
constexpr std::uint8_t kLogicalMaximum = 0x24;
constexpr std::uint8_t kReportSize = 0x74;
constexpr std::uint8_t kReportCount = 0x94;
constexpr std::uint8_t kInput = 0x80;
constexpr std::uint8_t kFeature = 0xB0;
constexpr std::uint8_t kDataVariableAbsolute = 0x02;
constexpr std::uint8_t kConstant = 0x03;

void PutLittle16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A short item in as few bytes as hold `value`. Parsers read the logical
// limits as signed, so those keep their top bit clear; counts, sizes and
// usages are unsigned.
void PutItem(std::vector<std::uint8_t>& out, std::uint8_t tag, std::uint32_t value) {
  const bool isSigned = tag == kLogicalMinimum || tag == kLogicalMaximum;
  if (value < (isSigned ? 0x80u : 0x100u)) {
    out.insert(out.end(), {static_cast<std::uint8_t>(tag | 1), static_cast<std::uint8_t>(value)});
  } else if (value < (isSigned ? 0x8000u : 0x10000u)) {
    out.push_back(static_cast<std::uint8_t>(tag | 2));
    PutLittle16(out, value);
  } else {
    out.push_back(static_cast<std::uint8_t>(tag | 3));
    PutLittle16(out, value & 0xFFFF);
    PutLittle16(out, value >> 16);
  }
}

unsigned PayloadBytes(std::uint16_t length) { return length > 1 ? length - 1u : 1u; }

// Vendor usage 1 over `count` bytes of 0 ... 255 (the logical range and size
// are set by the caller).
void PutVendorBytes(std::vector<std::uint8_t>& out, unsigned count, std::uint8_t mainItem) {
  PutItem(out, kUsage, 0x01);
  PutItem(out, kReportCount, count);
  PutItem(out, mainItem, kDataVariableAbsolute);
}

void PutByteRange(std::vector<std::uint8_t>& out) {
  PutItem(out, kLogicalMinimum, 0);
  PutItem(out, kLogicalMaximum, 0xFF);
  PutItem(out, kReportSize, 8);
}

}  // namespace

int AxisBits(const EmulatedBoard& board) {
  const int bitsLeft = static_cast<int>(PayloadBytes(board.inputReportByteLength)) * 8 - kButtonCount;
  return std::clamp(bitsLeft / 8, 1, kMaxAxisBits);
}

unsigned AxisMaximum(const EmulatedBoard& board) { return (1u << AxisBits(board)) - 1; }

std::vector<std::uint8_t> BoardDescriptor(const EmulatedBoard& board) {
  if (board.reportDescriptor) return *board.reportDescriptor;
  const int axisBits = AxisBits(board);
  std::vector<std::uint8_t> out;
  PutItem(out, kUsagePage, 0x01);  // Generic Desktop
  PutItem(out, kUsage, 0x04);      // Joystick
  out.insert(out.end(), {0xA1, 0x01});     // Collection (Application)

  PutItem(out, kLogicalMinimum, 0);
  PutItem(out, kLogicalMaximum, AxisMaximum(board));
  PutItem(out, kReportSize, static_cast<std::uint32_t>(axisBits));
  PutItem(out, kReportCount, kAxisCount);
  for (const std::uint8_t usage : kAxisUsages) PutItem(out, kUsage, usage);
  PutItem(out, kInput, kDataVariableAbsolute);

  PutItem(out, kUsagePage, 0x09);  // Button
  PutItem(out, kUsageMinimum, 1);
  PutItem(out, kUsageMaximum, kButtonCount);
  PutItem(out, kLogicalMaximum, 1);
  PutItem(out, kReportSize, 1);
  PutItem(out, kReportCount, kButtonCount);
  PutItem(out, kInput, kDataVariableAbsolute);

  const int usedBits = kAxisCount * axisBits + kButtonCount;
  const int padding = static_cast<int>(PayloadBytes(board.inputReportByteLength)) * 8 - usedBits;
  if (padding > 0) {
    PutItem(out, kReportCount, static_cast<std::uint32_t>(padding));
    PutItem(out, kInput, kConstant);
  }

  out.insert(out.end(), {0x06, 0x00, 0xFF});  // Usage Page (vendor)
  PutByteRange(out);
  PutVendorBytes(out, PayloadBytes(board.featureReportByteLength), kFeature);
  out.push_back(0xC0);  // End Collection
  return out;
}

std::vector<std::uint8_t> VendorDefinedDescriptor(std::uint16_t inputLength,
                                                  std::uint16_t featureLength) {
  std::vector<std::uint8_t> out = {0x06, 0x00, 0xFF};  // Usage Page (vendor)
  PutItem(out, kUsage, 0x01);
  out.insert(out.end(), {0xA1, 0x01});  // Collection (Application)
  PutByteRange(out);
  PutVendorBytes(out, PayloadBytes(inputLength), kInput);
  PutVendorBytes(out, PayloadBytes(featureLength), kFeature);
  out.push_back(0xC0);
  return out;
}

}  // namespace tq::emu
