// Which set reports bring a board to a wanted state, in the order the
// windows send them, and what a release refuses.
#include <gtest/gtest.h>

#include <vector>

#include "ctl/write_plan.h"
#include "tests/filled_setting_bytes.h"

namespace tq::ctl {
namespace {

std::vector<int> Addresses(const WritePlan& plan) {
  std::vector<int> addresses;
  for (const auto& write : plan.writes) addresses.push_back(write.address);
  return addresses;
}

const BoardFacts kNewest{0x0121, true, true, true};

TEST(CtlWritePlan, EveryByteDifferentInTheWindowsOrder) {
  SettingBytes board = Full(0);
  SettingBytes target = Full(0);
  for (const auto address : kSettingAddresses) target[address] = 1;
  target[14] = target[15] = target[16] = target[17] = target[18] = target[19] = target[21] = 198;
  target[20] = 0;  // input 7 stays as it is
  const WritePlan plan = PlanWrites(board, target, kNewest);
  EXPECT_EQ(Addresses(plan), (std::vector<int>{11, 12, 14, 15, 16, 17, 18, 19, 21, 22, 24, 23, 25, 26}));
  EXPECT_TRUE(plan.refusals.empty());

  // One byte of a bank differing still sends the whole bank, low first.
  board = target;
  target[25] = 0;
  EXPECT_EQ(Addresses(PlanWrites(board, target, kNewest)), (std::vector<int>{23, 25}));
  // Nothing differs, nothing is sent; an unread byte is sent.
  EXPECT_TRUE(PlanWrites(target, target, kNewest).writes.empty());
  board = target;
  board.erase(12);
  EXPECT_EQ(Addresses(PlanWrites(board, target, kNewest)), (std::vector<int>{12}));
}

TEST(CtlWritePlan, RefusesWhatTheWindowsDoNotOffer) {
  SettingBytes board = Full(0);
  board[26] = 1;
  SettingBytes target = board;
  target[11] = 0x05;
  target[12] = 1;
  target[14] = 198;
  target[22] = 0x01;  // enc1 "1:1"
  target[24] = 0x02;  // enc2 "1:2"
  target[26] = 6;

  struct Case {
    BoardFacts facts;
    std::vector<int> sent;
    std::vector<std::string> named;
  };
  const std::vector<Case> cases{
      {{0x0121, true, true, true}, {11, 12, 14, 22, 24, 26}, {}},
      {{0x0120, true, true, true}, {11, 12, 14, 26}, {"enc2=1:2 not offered by release 1.20 (needs .21"}},
      {{0x0110, true, true, true}, {12, 14}, {"invert=0x05: not offered by release 1.10 (needs .11", "enc1-8: not offered", "pulse=0x06: not offered"}},
      {{0x010F, true, true, true}, {12}, {"mode1=0xC6: not offered by release 1.F (needs .10"}},
      {{0x0106, true, true, true}, {}, {"auto=0x01: not offered by release 1.6 (needs .7"}},
      {{0x0221, false, true, true}, {}, {"release is unknown"}},
      {{0x0121, true, true, false}, {22, 24, 26}, {"invert=0x05: not offered: TQ5271_config does not accept this board"}},
      {{0x0121, true, false, true}, {11, 12, 14}, {"enc1-8: not offered: TQ5271_encoders does not accept"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.facts.versionNumber));
    const WritePlan plan = PlanWrites(board, target, c.facts);
    EXPECT_EQ(Addresses(plan), c.sent);
    std::string reasons;
    for (const auto& refusal : plan.refusals) reasons += refusal.reason + "\n";
    for (const auto& name : c.named) EXPECT_NE(reasons.find(name), std::string::npos) << reasons;
    std::size_t covered = plan.writes.size();
    for (const auto& refusal : plan.refusals) covered += refusal.addresses.size();
    EXPECT_EQ(covered, 6u) << "every differing byte is either sent or refused";
  }

  // Values no window sends, whatever the release.
  for (const auto& [address, value, reason] :
       std::vector<std::tuple<int, int, std::string>>{{12, 3, "auto=0x03: not a value"},
                                                      {15, 1, "mode2=0x01: not a mode"},
                                                      {20, 198, "mode7=0xC6: input 7"},
                                                      {20, 0, "command 20 is never sent"},
                                                      {26, 0, "pulse=0x00: not a pulse width"},
                                                      {26, 26, "pulse=0x1A: not a pulse width"}}) {
    SettingBytes wanted = board;
    if (address == 20 && value == 0) {
      SettingBytes zoomed = board;
      zoomed[20] = 198;
      const WritePlan plan = PlanWrites(zoomed, wanted, kNewest);
      EXPECT_TRUE(plan.writes.empty());
      ASSERT_EQ(plan.refusals.size(), 1u);
      EXPECT_NE(plan.refusals[0].reason.find(reason), std::string::npos) << plan.refusals[0].reason;
      continue;
    }
    wanted[static_cast<std::uint8_t>(address)] = static_cast<std::uint8_t>(value);
    const WritePlan plan = PlanWrites(board, wanted, kNewest);
    EXPECT_TRUE(plan.writes.empty()) << address;
    ASSERT_EQ(plan.refusals.size(), 1u) << address;
    EXPECT_NE(plan.refusals[0].reason.find(reason), std::string::npos) << plan.refusals[0].reason;
  }
}

}  // namespace
}  // namespace tq::ctl
