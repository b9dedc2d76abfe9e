// What the board's settings say about its inputs, as the watch needs them:
// each encoder pair's type and the pulse width (settings page 16), each
// axis's inversion (page 0) and mode (pages 0 and 16). Read with the same
// get requests the programs make; the watch never sends a set report.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "board/encoder_reports.h"
#include "board/input_sample.h"

namespace tq {
class DeviceLink;
}

namespace tq::monitor {

// Type codes as the encoder codec numbers them: 0 "OFF", 1 "1:1", 2 "1:2",
// 3 "1:4".
inline constexpr int kTypeOff = 0;

class BoardSettings {
 public:
  // Applies one settings page as read; pages of other tags, and replies too
  // short to hold the settings, change nothing.
  void Take(std::span<const std::uint8_t> page);

  // Empty until page 16 has been taken.
  std::optional<int> PairType(int pair) const;
  std::optional<std::string> PairTypeName(int pair) const;
  // Empty until page 16 has been taken, or while it holds width code 0,
  // which names no width.
  std::optional<std::int64_t> PulseWidthMs() const;
  // Empty until page 0 has been taken.
  std::optional<bool> Inverted(int axis) const;
  // "Normal", "Zoom", or the byte in hex for a byte that is neither; empty
  // until the axis's page has been taken.
  std::optional<std::string> ModeName(int axis) const;
  // Whether the axis's mode byte says "Zoom"; empty until its page is taken.
  std::optional<bool> Zoomed(int axis) const;

 private:
  std::optional<encoders::EncoderSettings> encoders_;
  std::optional<std::uint8_t> invertMask_;
  std::array<std::optional<std::uint8_t>, kAxisCount> modeBytes_{};
};

// Sixteen get requests through the device link, every page 0 and 16 that
// comes back applied.
BoardSettings ReadBoardSettings(DeviceLink& link);

}  // namespace tq::monitor
