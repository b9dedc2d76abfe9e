// The board's inputs as its firmware reports them. The model, kept simple:
//
// - An axis reports the position it was set to, clamped to the axis's range;
//   an input whose invert bit is set reports the mirrored value. "Zoom" is
//   not modelled: a zoomed input reports like a normal one.
// - A button reports its switch, or a press the firmware makes (below).
// - A pair set to "1:1", "1:2" or "1:4" turns each detent into 1, 2 or 4
//   pulses on button 2k - 1 (positive detents) or 2k (negative). A pulse is
//   held for the pulse width (code x 8 ms; a code of 0 counts as 8 ms) and
//   followed by an equal gap before the pair's next pulse. Pulses that come
//   faster than that wait their turn, up to kMaxQueuedPresses per pair; the
//   firmware drops the rest. Type and width are read when the turn is made.
// - A pair set to "OFF" is two plain buttons: a detent shows the encoder's
//   two contacts as they close, in quadrature (A, A and B, B, open; B first
//   for the other direction), kContactPhaseMs a step.
// - Nothing else moves the clock: a test advances it by hand, the demo and
//   the virtual board by real time.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "board/config_reports.h"
#include "board/encoder_reports.h"
#include "emulator/board_descriptor.h"
#include "emulator/emulated_board.h"

namespace tq::emu {
namespace {

// More detents than the queue holds presses change nothing further.
constexpr std::size_t kMaxQueuedPresses = 64;
constexpr std::uint32_t kContactPhaseMs = 10;

// What settings page 16 says of the encoders, read through the programs'
// own codec so the firmware and the programs agree on the bits.
encoders::EncoderSettings EncoderSettingsOf(const EmulatedBoard& board) {
  std::array<std::uint8_t, 64> page{};
  page[1] = encoders::kEncoderPageTag;
  for (std::size_t offset = 2; offset < page.size(); ++offset) {
    page[offset] = board.settings[encoders::kEncoderPageTag + offset - 2];
  }
  return encoders::DecodeEncoderPage(page).value_or(encoders::EncoderSettings{});
}

void PutBits(std::vector<std::uint8_t>& report, std::size_t bitOffset, int bits, unsigned value) {
  for (int bit = 0; bit < bits; ++bit, ++bitOffset) {
    const std::size_t byte = 1 + bitOffset / 8;  // after the report ID
    if (byte >= report.size()) return;
    if ((value >> bit) & 1u) report[byte] |= static_cast<std::uint8_t>(1u << (bitOffset % 8));
  }
}

}  // namespace

void EmulatedBoard::SetAxis(int axis, unsigned value) {
  if (axis < 1 || axis > kAxisCount) return;
  axes[static_cast<std::size_t>(axis - 1)] = value;
}

void EmulatedBoard::SetButton(int button, bool pressed) {
  if (button < 1 || button > kButtonCount) return;
  switches[static_cast<std::size_t>(button - 1)] = pressed;
}

void EmulatedBoard::TurnEncoder(int pair, int detents) {
  if (pair < 1 || pair > kPairCount || detents == 0) return;
  const auto index = static_cast<std::size_t>(pair - 1);
  const encoders::EncoderSettings encoderSettings = EncoderSettingsOf(*this);
  const int type = std::clamp(encoderSettings.types[index], 0, 3);
  const int forward = 2 * pair - 1;
  const int backward = 2 * pair;
  const int first = detents > 0 ? forward : backward;
  const int second = detents > 0 ? backward : forward;
  std::deque<TimedPress>& queue = presses[index];
  std::uint64_t& busyUntil = pairBusyUntilMs[index];
  const auto widthMs = static_cast<std::uint32_t>(
      std::max(encoderSettings.pulseWidthPosition + 1, 1) * encoders::kPulseWidthStepMs);
  const long long count = std::min(std::llabs(static_cast<long long>(detents)),
                                   static_cast<long long>(kMaxQueuedPresses));
  for (long long detent = 0; detent < count; ++detent) {
    const std::uint64_t start = std::max(clockMs, busyUntil);
    if (type == 0) {
      if (queue.size() + 2 > kMaxQueuedPresses) return;
      queue.push_back({start, 2 * kContactPhaseMs, first});
      queue.push_back({start + kContactPhaseMs, 2 * kContactPhaseMs, second});
      busyUntil = start + 4 * kContactPhaseMs;
      continue;
    }
    for (int pulse = 0; pulse < encoders::PulsesPerDetent(type); ++pulse) {
      if (queue.size() >= kMaxQueuedPresses) return;
      const std::uint64_t pulseStart = std::max(clockMs, busyUntil);
      queue.push_back({pulseStart, widthMs, first});
      busyUntil = pulseStart + 2u * widthMs;
    }
  }
}

void EmulatedBoard::AdvanceTime(std::uint64_t ms) {
  clockMs += ms;
  for (std::deque<TimedPress>& queue : presses) {
    std::erase_if(queue, [&](const TimedPress& press) {
      return press.startMs + press.lengthMs <= clockMs;
    });
  }
}

bool EmulatedBoard::InputPending() const {
  return std::ranges::any_of(presses, [](const std::deque<TimedPress>& queue) {
    return !queue.empty();
  });
}

std::vector<std::uint8_t> EmulatedBoard::InputReport() const {
  std::vector<std::uint8_t> report(std::max<std::size_t>(inputReportByteLength, 1), 0);
  const int axisBits = AxisBits(*this);
  const unsigned maximum = AxisMaximum(*this);
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    unsigned value = std::min(axes[static_cast<std::size_t>(axis - 1)], maximum);
    if (config::IsInverted(settings[config::SetInvertMask], axis)) value = maximum - value;
    PutBits(report, static_cast<std::size_t>((axis - 1) * axisBits), axisBits, value);
  }
  std::array<bool, kButtonCount> pressed = switches;
  for (const std::deque<TimedPress>& queue : presses) {
    for (const TimedPress& press : queue) {
      if (press.startMs <= clockMs && clockMs < press.startMs + press.lengthMs) {
        pressed[static_cast<std::size_t>(press.button - 1)] = true;
      }
    }
  }
  const std::size_t buttonsAt = static_cast<std::size_t>(kAxisCount * axisBits);
  for (std::size_t button = 0; button < pressed.size(); ++button) {
    PutBits(report, buttonsAt + button, 1, pressed[button] ? 1u : 0u);
  }
  return report;
}

}  // namespace tq::emu
