// Which set reports bring a board to a wanted set of setting bytes, sent
// exactly as the programs send them: one report per byte, an encoder bank
// always as its low then its high byte, never command 20, and never a value
// the programs would not offer for this board's release.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ctl/setting_bytes.h"

namespace tq::ctl {

// What decides which settings the programs offer for a board.
struct BoardFacts {
  std::uint16_t versionNumber = 0;
  // The programs look at the release only once the manufacturer string has
  // been read; until then they offer nothing.
  bool releaseKnown = false;
  bool encoders = false;  // TQ5271_encoders accepts the board
  bool analog = false;    // TQ5271_config accepts the board
};

// Why the programs would never send `value` to `address` on this board, or
// nullopt when they would. Encoder bytes are judged by RefuseBank.
std::optional<std::string> RefuseByte(const BoardFacts& board, std::uint8_t address,
                                      std::uint8_t value);
// The same for a whole encoder bank (1 or 2) with the given low and high
// bytes, naming each pair the release does not offer.
std::optional<std::string> RefuseBank(const BoardFacts& board, int bank, std::uint8_t low,
                                      std::uint8_t high);

struct Write {
  std::uint8_t address;
  std::uint8_t value;
};

struct Refusal {
  std::vector<std::uint8_t> addresses;
  std::string reason;  // one line, naming the setting
};

struct WritePlan {
  std::vector<Write> writes;  // in sending order
  std::vector<Refusal> refusals;
  bool Refused(std::uint8_t address) const;
};

// The reports that change `board` into `target`, for every address of
// `target` whose byte differs from the board's or was not read from it.
WritePlan PlanWrites(const SettingBytes& board, const SettingBytes& target,
                     const BoardFacts& facts);

}  // namespace tq::ctl
