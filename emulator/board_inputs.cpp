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
// - A noisy axis reports its position plus an offset of up to its spread
//   either way, a new one every kFaultStepMs of the clock (the board's report
//   interval): a function of noiseSeed, the axis and the clock's step, so a
//   test sees the same values every run. The sum is clamped to the range.
// - A bouncing button's contact, when its switch closes, closes and opens
//   kFaultStepMs a step until it has closed `closures` times, then stays as
//   the switch is: a host polling every 10 ms sees every closure.
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
constexpr std::uint64_t kFaultStepMs = 10;
// Closures beyond this make no longer bounce than a finger's press.
constexpr unsigned kMaxClosures = 8;

// A well-mixed 64-bit value of its input (the finaliser of splitmix64).
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// How long a bouncing press of `closures` closures alternates before the
// contact settles: closed, open, ..., closed, each a step; one closure is a
// clean press.
std::uint64_t BounceMs(unsigned closures) {
  return closures < 2 ? 0 : (2 * std::uint64_t{closures} - 1) * kFaultStepMs;
}

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
  const auto index = static_cast<std::size_t>(button - 1);
  if (pressed && !switches[index] && bounceClosures[index] >= 2) bounceFromMs[index] = clockMs;
  switches[index] = pressed;
}

void EmulatedBoard::SetAxisNoise(int axis, unsigned spread) {
  if (axis < 1 || axis > kAxisCount) return;
  axisNoise[static_cast<std::size_t>(axis - 1)] = spread;
}

void EmulatedBoard::SetButtonBounce(int button, unsigned closures) {
  if (button < 1 || button > kButtonCount) return;
  bounceClosures[static_cast<std::size_t>(button - 1)] = std::min(closures, kMaxClosures);
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
  for (std::size_t button = 0; button < bounceFromMs.size(); ++button) {
    if (bounceFromMs[button] &&
        clockMs < *bounceFromMs[button] + BounceMs(bounceClosures[button])) {
      return true;
    }
  }
  return std::ranges::any_of(presses, [](const std::deque<TimedPress>& queue) {
    return !queue.empty();
  });
}

std::vector<std::uint8_t> EmulatedBoard::InputReport() const {
  std::vector<std::uint8_t> report(std::max<std::size_t>(inputReportByteLength, 1), 0);
  const int axisBits = AxisBits(*this);
  const unsigned maximum = AxisMaximum(*this);
  for (int axis = 1; axis <= kAxisCount; ++axis) {
    const auto index = static_cast<std::size_t>(axis - 1);
    unsigned value = std::min(axes[index], maximum);
    if (const unsigned spread = std::min(axisNoise[index], maximum); spread > 0) {
      const std::uint64_t draw = Mix(noiseSeed ^ Mix(index) ^ Mix(clockMs / kFaultStepMs + (index << 56)));
      const auto offset = static_cast<long long>(draw % (2 * std::uint64_t{spread} + 1)) - spread;
      value = static_cast<unsigned>(std::clamp<long long>(value + offset, 0, maximum));
    }
    if (config::IsInverted(settings[config::SetInvertMask], axis)) value = maximum - value;
    PutBits(report, static_cast<std::size_t>((axis - 1) * axisBits), axisBits, value);
  }
  std::array<bool, kButtonCount> pressed = switches;
  for (std::size_t button = 0; button < pressed.size(); ++button) {
    const auto& from = bounceFromMs[button];
    if (!from || clockMs >= *from + BounceMs(bounceClosures[button])) continue;
    if (((clockMs - *from) / kFaultStepMs) % 2 == 1) pressed[button] = false;
  }
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
