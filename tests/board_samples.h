// The emulated board's input report as the watch takes it: decoded here bit
// by bit by the layout of the board's one descriptor (axes, then buttons),
// so the measurement can be tested apart from the platform's decoding.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "board/board_settings.h"
#include "board/encoder_reports.h"
#include "board/input_sample.h"
#include "emulator/board_descriptor.h"
#include "emulator/emulated_board.h"

namespace tq::testing {

inline unsigned ReportField(const std::vector<std::uint8_t>& report, std::size_t bitOffset,
                            int bits) {
  unsigned value = 0;
  for (int bit = 0; bit < bits; ++bit) {
    const std::size_t at = bitOffset + static_cast<std::size_t>(bit);
    const std::size_t byte = 1 + at / 8;  // after the report ID
    if (byte < report.size() && ((report[byte] >> (at % 8)) & 1) != 0) value |= 1u << bit;
  }
  return value;
}

// The board's report now, stamped with its clock.
inline monitor::InputSample SampleOf(const emu::EmulatedBoard& board) {
  const std::vector<std::uint8_t> report = board.InputReport();
  const auto bits = static_cast<std::size_t>(emu::AxisBits(board));
  monitor::InputSample sample;
  sample.ms = static_cast<std::int64_t>(board.clockMs);
  for (std::size_t axis = 0; axis < monitor::kAxisCount; ++axis) {
    sample.axes[axis] =
        static_cast<std::int32_t>(ReportField(report, axis * bits, static_cast<int>(bits)));
  }
  const std::size_t buttonsAt = monitor::kAxisCount * bits;
  for (std::size_t button = 0; button < monitor::kButtonCount; ++button) {
    sample.buttons.set(button, ReportField(report, buttonsAt + button, 1) != 0);
  }
  return sample;
}

// Every pair "OFF" except those given (pair -> type code); the pulse width
// in ms, a multiple of 8.
inline void SetEncoders(emu::EmulatedBoard& board, const std::map<int, int>& types, int widthMs) {
  for (int bank = 0; bank < 2; ++bank) {
    std::array<int, encoders::kPairsPerBank> codes{};
    for (const auto& [pair, type] : types) {
      if ((pair - 1) / encoders::kPairsPerBank == bank) {
        codes[static_cast<std::size_t>((pair - 1) % encoders::kPairsPerBank)] = type;
      }
    }
    const encoders::BankBits bits = encoders::PackBank(codes);
    board.settings[bank == 0 ? encoders::SetEncoderLow1to8 : encoders::SetEncoderLow9to16] =
        bits.low;
    board.settings[bank == 0 ? encoders::SetEncoderHigh1to8 : encoders::SetEncoderHigh9to16] =
        bits.high;
  }
  board.settings[encoders::SetPulseWidth] =
      *encoders::PulseWidthCode(widthMs / encoders::kPulseWidthStepMs - 1);
}

// The settings as the board's firmware answers the two pages.
inline monitor::BoardSettings SettingsOf(emu::EmulatedBoard board) {
  monitor::BoardSettings settings;
  for (const std::uint8_t tag : {std::uint8_t{0}, std::uint8_t{16}}) {
    board.pageRotation = {tag};
    std::vector<std::uint8_t> page(board.featureReportByteLength, 0);
    board.AnswerGetFeature(page.data(), page.size());
    settings.Take(page);
  }
  return settings;
}

}  // namespace tq::testing
