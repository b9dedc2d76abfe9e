#include "ctl/write_plan.h"

#include <algorithm>

#include "board/config_reports.h"
#include "board/encoder_reports.h"
#include "devlink/device_link.h"

namespace tq::ctl {
namespace {

struct Bank {
  std::uint8_t low;
  std::uint8_t high;
  int firstPair;
};
constexpr std::array<Bank, 2> kBanks{{
    {encoders::SetEncoderLow1to8, encoders::SetEncoderHigh1to8, 1},
    {encoders::SetEncoderLow9to16, encoders::SetEncoderHigh9to16, encoders::kPairsPerBank + 1},
}};

// The release's low byte as the programs use it: 0 while it is unknown.
int Minor(const BoardFacts& board) {
  return board.releaseKnown ? ReleaseMinor(board.versionNumber) : 0;
}

std::string ReleaseNeeded(const BoardFacts& board, int firstMinor) {
  if (!board.releaseKnown) {
    return "the board's manufacturer string cannot be read, so its release is unknown and "
           "nothing is offered";
  }
  std::string needed = ReleaseCaption(static_cast<std::uint16_t>(firstMinor)).substr(3);
  return "not offered by release" + ReleaseCaption(board.versionNumber) + " (needs ." + needed +
         " or later)";
}

std::string ProductNotAccepted(const char* program) {
  return std::string("not offered: ") + program + " does not accept this board";
}

bool Differs(const SettingBytes& board, const SettingBytes& target, std::uint8_t address) {
  const auto wanted = target.find(address);
  if (wanted == target.end()) return false;
  const auto held = board.find(address);
  return held == board.end() || held->second != wanted->second;
}

}  // namespace

std::optional<std::string> RefuseByte(const BoardFacts& board, std::uint8_t address,
                                      std::uint8_t value) {
  using namespace config;
  const std::string name = SettingName(address) + "=" + Hex(value) + ": ";
  if (address == encoders::SetPulseWidth) {
    if (!board.encoders) return name + ProductNotAccepted("TQ5271_encoders");
    if (Minor(board) < encoders::kFirstReleaseWithEncoders) {
      return name + ReleaseNeeded(board, encoders::kFirstReleaseWithEncoders);
    }
    if (value < 1 || value > encoders::kPulseWidthCount) {
      return name + "not a pulse width (codes 1 to 25, 8 ms to 200 ms)";
    }
    return std::nullopt;
  }
  if (!board.analog) return name + ProductNotAccepted("TQ5271_config");
  if (address == SetInvertMask) {
    if (Minor(board) < kFirstReleaseWithInvert) {
      return name + ReleaseNeeded(board, kFirstReleaseWithInvert);
    }
    return std::nullopt;
  }
  if (address == SetAutoDetect) {
    if (Minor(board) < kFirstReleaseWithAutoDetect) {
      return name + ReleaseNeeded(board, kFirstReleaseWithAutoDetect);
    }
    if (value > 1) return name + "not a value the programs send (0 off, 1 on)";
    return std::nullopt;
  }
  if (address == SetInputMode7) {
    return name + "input 7 is never given a mode (command 20 is never sent)";
  }
  if (address >= SetInputMode1 && address <= SetInputMode8) {
    if (Minor(board) < kFirstReleaseWithModes) {
      return name + ReleaseNeeded(board, kFirstReleaseWithModes);
    }
    if (!ModePosition(value)) return name + "not a mode (0x00 Normal, 0xC6 Zoom)";
    return std::nullopt;
  }
  return name + "not a setting this program writes";
}

std::optional<std::string> RefuseBank(const BoardFacts& board, int bank, std::uint8_t low,
                                      std::uint8_t high) {
  const int firstPair = kBanks.at(static_cast<std::size_t>(bank - 1)).firstPair;
  const std::string name = "enc" + std::to_string(firstPair) + "-" +
                           std::to_string(firstPair + encoders::kPairsPerBank - 1) + ": ";
  if (!board.encoders) return name + ProductNotAccepted("TQ5271_encoders");
  if (Minor(board) < encoders::kFirstReleaseWithEncoders) {
    return name + ReleaseNeeded(board, encoders::kFirstReleaseWithEncoders);
  }
  if (Minor(board) >= encoders::kFirstReleaseWithAllTypes) return std::nullopt;
  // "1:2" and "1:4" carry a high bit; this release offers neither.
  std::string pairs;
  for (int bit = 0; bit < encoders::kPairsPerBank; ++bit) {
    if (((high >> bit) & 1) == 0) continue;
    const int code = ((low >> bit) & 1) + 2;
    if (!pairs.empty()) pairs += ", ";
    pairs += "enc" + std::to_string(firstPair + bit) + "=" +
             encoders::kEncoderTypeItems[static_cast<std::size_t>(code)];
  }
  if (pairs.empty()) return std::nullopt;
  return name + pairs + " " + ReleaseNeeded(board, encoders::kFirstReleaseWithAllTypes) +
         "; the bank's two bytes go together, so none of its pairs is written";
}

bool WritePlan::Refused(std::uint8_t address) const {
  return std::ranges::any_of(refusals, [address](const Refusal& refusal) {
    return std::ranges::find(refusal.addresses, address) != refusal.addresses.end();
  });
}

WritePlan PlanWrites(const SettingBytes& board, const SettingBytes& target,
                     const BoardFacts& facts) {
  WritePlan plan;
  const auto single = [&](std::uint8_t address) {
    if (!Differs(board, target, address)) return;
    const std::uint8_t value = target.at(address);
    if (auto reason = RefuseByte(facts, address, value)) {
      plan.refusals.push_back({{address}, std::move(*reason)});
    } else {
      plan.writes.push_back({address, value});
    }
  };
  single(config::SetInvertMask);
  single(config::SetAutoDetect);
  for (std::uint8_t address = config::SetInputMode1; address <= config::SetInputMode8; ++address) {
    single(address);
  }
  for (int bank = 1; bank <= static_cast<int>(kBanks.size()); ++bank) {
    const Bank& b = kBanks[static_cast<std::size_t>(bank - 1)];
    if (!Differs(board, target, b.low) && !Differs(board, target, b.high)) continue;
    // A bank is sent whole, as the encoder utility sends it after any pick: both
    // bytes must be known.
    const auto low = target.find(b.low);
    const auto high = target.find(b.high);
    if (low == target.end() || high == target.end()) {
      plan.refusals.push_back({{b.low, b.high},
                               SettingName(b.low) + ": the bank's other byte is unknown"});
      continue;
    }
    if (auto reason = RefuseBank(facts, bank, low->second, high->second)) {
      plan.refusals.push_back({{b.low, b.high}, std::move(*reason)});
    } else {
      plan.writes.push_back({b.low, low->second});
      plan.writes.push_back({b.high, high->second});
    }
  }
  single(encoders::SetPulseWidth);
  return plan;
}

}  // namespace tq::ctl
