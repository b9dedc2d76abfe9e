// The USB descriptors a TQ5271 board presents: one configuration with one
// HID interface, no report IDs, an interrupt IN endpoint, and the board's
// one report descriptor (emulator/board_descriptor.h). Pure functions of
// the board.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/emulated_board.h"

namespace tq::vboard {

constexpr std::uint8_t kManufacturerIndex = 1;
constexpr std::uint8_t kProductIndex = 2;
constexpr std::uint8_t kSerialIndex = 3;
constexpr std::uint16_t kEnglishUs = 0x0409;
// The interrupt IN endpoint's polling interval, in frames of 1 ms.
constexpr std::uint8_t kInputIntervalMs = 10;

std::vector<std::uint8_t> DeviceDescriptor(const emu::EmulatedBoard& board);
// The HID class descriptor inside the configuration.
std::vector<std::uint8_t> HidDescriptor(const emu::EmulatedBoard& board);
std::vector<std::uint8_t> ConfigurationDescriptor(const emu::EmulatedBoard& board);
// A string descriptor: UTF-16LE, cut to what its one-byte length can hold.
std::vector<std::uint8_t> StringDescriptor(const std::u16string& text);
// String 0: the languages the board speaks.
std::vector<std::uint8_t> LanguageDescriptor();

}  // namespace tq::vboard
