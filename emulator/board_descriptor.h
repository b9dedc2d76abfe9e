// The board's one HID report descriptor, made from its values: a Generic
// Desktop Joystick with the eight analog inputs as absolute axes and the
// thirty-two buttons in the input report, and the vendor-defined feature
// report the programs use. The virtual USB board hands it to the kernel, and
// the in-process emulator's capabilities agree with it, so every transport
// presents the same controller.
#pragma once

#include <cstdint>
#include <vector>

#include "emulator/emulated_board.h"

namespace tq::emu {

inline constexpr int kAxisCount = 8;
inline constexpr int kButtonCount = 32;
inline constexpr int kPairCount = 16;

// HID usages of the axes in report order, inputs 1 ... 8 (X, Y, Z, Rx, Ry,
// Rz, Dial, Slider).
inline constexpr std::uint8_t kAxisUsages[kAxisCount] = {0x30, 0x31, 0x32, 0x33,
                                                         0x34, 0x35, 0x37, 0x36};

// The input report is the axes, then the buttons one bit each, then padding
// up to the board's InputReportByteLength. Each axis gets the whole bytes
// left after the buttons, shared out evenly: 1 to 16 bits. A length too
// short for one bit per axis still gets 1 bit, and the report outgrows it.
int AxisBits(const EmulatedBoard& board);
unsigned AxisMaximum(const EmulatedBoard& board);

// The board's joystick descriptor, or a foreign device's own descriptor when
// it has one.
std::vector<std::uint8_t> BoardDescriptor(const EmulatedBoard& board);

// A vendor-defined device with one input and one feature report, no report
// IDs, of these lengths as Windows counts them (ID byte included): what a
// foreign HID interface without a descriptor of its own presents.
std::vector<std::uint8_t> VendorDefinedDescriptor(std::uint16_t inputLength,
                                                  std::uint16_t featureLength);

}  // namespace tq::emu
