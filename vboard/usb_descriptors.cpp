#include "vboard/usb_descriptors.h"

#include <algorithm>

#include "emulator/board_descriptor.h"

namespace tq::vboard {
namespace {

constexpr std::uint8_t kDescriptorDevice = 1;
constexpr std::uint8_t kDescriptorConfiguration = 2;
constexpr std::uint8_t kDescriptorString = 3;
constexpr std::uint8_t kDescriptorInterface = 4;
constexpr std::uint8_t kDescriptorEndpoint = 5;
constexpr std::uint8_t kDescriptorHid = 0x21;
constexpr std::uint8_t kDescriptorReport = 0x22;
constexpr std::uint8_t kInterruptInEndpoint = 0x81;
constexpr std::uint8_t kMaxPacket = 64;

void PutLittle16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

}  // namespace

std::vector<std::uint8_t> DeviceDescriptor(const emu::EmulatedBoard& board) {
  std::vector<std::uint8_t> out = {18, kDescriptorDevice};
  PutLittle16(out, 0x0200);          // USB 2.0
  out.insert(out.end(), {0, 0, 0});  // class per interface
  out.push_back(kMaxPacket);
  PutLittle16(out, board.vendorId);
  PutLittle16(out, board.productId);
  PutLittle16(out, board.versionNumber);
  out.push_back(board.manufacturer ? kManufacturerIndex : 0);
  out.push_back(board.product ? kProductIndex : 0);
  out.push_back(board.serial ? kSerialIndex : 0);
  out.push_back(1);  // one configuration
  return out;
}

std::vector<std::uint8_t> HidDescriptor(const emu::EmulatedBoard& board) {
  std::vector<std::uint8_t> out = {9, kDescriptorHid};
  PutLittle16(out, 0x0111);  // HID 1.11
  out.insert(out.end(), {0, 1, kDescriptorReport});
  PutLittle16(out, static_cast<unsigned>(emu::BoardDescriptor(board).size()));
  return out;
}

std::vector<std::uint8_t> ConfigurationDescriptor(const emu::EmulatedBoard& board) {
  const std::vector<std::uint8_t> hid = HidDescriptor(board);
  std::vector<std::uint8_t> out = {9, kDescriptorConfiguration};
  PutLittle16(out, 9u + 9u + static_cast<unsigned>(hid.size()) + 7u);
  out.insert(out.end(), {1, 1, 0, 0x80, 50});  // one interface, bus powered, 100 mA
  out.insert(out.end(), {9, kDescriptorInterface, 0, 0, 1, 3, 0, 0, 0});  // HID, no boot
  out.insert(out.end(), hid.begin(), hid.end());
  out.insert(out.end(), {7, kDescriptorEndpoint, kInterruptInEndpoint, 3});
  PutLittle16(out, kMaxPacket);
  out.push_back(kInputIntervalMs);
  return out;
}

std::vector<std::uint8_t> StringDescriptor(const std::u16string& text) {
  const std::size_t units = std::min<std::size_t>(text.size(), (0xFF - 2) / 2);
  std::vector<std::uint8_t> out = {static_cast<std::uint8_t>(2 + 2 * units), kDescriptorString};
  for (std::size_t i = 0; i < units; ++i) PutLittle16(out, text[i]);
  return out;
}

std::vector<std::uint8_t> LanguageDescriptor() {
  std::vector<std::uint8_t> out = {4, kDescriptorString};
  PutLittle16(out, kEnglishUs);
  return out;
}

}  // namespace tq::vboard
