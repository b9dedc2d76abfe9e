// Every platform call of a session of the configuration utility failing in
// turn, or the board vanishing right before it.
#include <gtest/gtest.h>

#include <set>

#include "board/config_reports.h"
#include "config/frm_main.h"
#include "tests/fault_sweep.h"

namespace tq::config {
namespace {

using emu::EmulatedBoard;
using emu::SimulatedHid;
using Settings = std::array<std::uint8_t, 256>;

void ExpectDefinedState(frmMain& form) {
  if (!form.DeviceDetected) {
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &form.Frame1, &form.Frame2, &form.Frame3, &form.Frame4, &form.AutoCh}) {
      EXPECT_FALSE(control->Enabled()) << control->Name();
    }
    EXPECT_EQ(form.lblManuf.Caption(), "");
    EXPECT_EQ(form.lblSerialNumber.Caption(), "");
  } else {
    EXPECT_TRUE(form.Frame1.Enabled());
    EXPECT_TRUE(form.Frame4.Enabled());
  }
  for (int input = 1; input <= kInputCount; ++input) {
    EXPECT_EQ(form.ModeCh(input).ListCount(), input == kUnzoomableInput ? 1 : 2);
    EXPECT_GE(form.ModeCh(input).ListIndex(), 0);
  }
  EXPECT_FALSE(form.ModeCh(kUnzoomableInput).Enabled());
}

// The bytes a board may hold after the session: what it held, what the
// window shows for the settings the user changed, and, for the invert mask,
// the mask as far as the read-back had sent it back when a fault stopped it.
void ExpectOnlyWhatTheUserChanged(const Settings& before,
                                  const Settings& after, frmMain& form) {
  std::array<int, kInputCount> states{};
  for (int input = 1; input <= kInputCount; ++input) {
    states[static_cast<std::size_t>(input - 1)] = form.InvertCh(input).Value();
  }
  std::set<int> masks{before[SetInvertMask], InvertMask(states)};
  for (int k = 0; k < kInputCount; ++k) masks.insert(before[SetInvertMask] & ((2 << k) - 1));
  EXPECT_TRUE(masks.contains(after[SetInvertMask])) << int{after[SetInvertMask]};

  const std::set<int> detection{before[SetAutoDetect], before[SetAutoDetect] & 1,
                                form.AutoCh.Value()};
  EXPECT_TRUE(detection.contains(after[SetAutoDetect])) << int{after[SetAutoDetect]};

  for (int input = 1; input <= kInputCount; ++input) {
    // Inputs 1 ... 8 keep their mode bytes at consecutive addresses.
    const auto address = static_cast<std::size_t>(SetInputMode1 + input - 1);
    const int position = form.ModeCh(input).ListIndex();
    const std::set<int> modes{before[address],
                              form.ModeCode[static_cast<std::size_t>(position)]};
    EXPECT_TRUE(modes.contains(after[address])) << "input " << input;
  }
  for (std::size_t address = 0; address < before.size(); ++address) {
    if (address == SetInvertMask || address == SetAutoDetect ||
        (address >= SetInputMode1 && address <= SetInputMode8)) {
      continue;
    }
    EXPECT_EQ(after[address], before[address]) << "address " << address;
  }
}

void Session(SimulatedHid& hid, int boards, const std::function<void()>& injure) {
  std::vector<Settings> before;
  for (int b = 0; b < boards; ++b) {
    EmulatedBoard board = emu::MakeTQ5271(u"C" + std::u16string(1, char16_t(u'0' + b)));
    board.productId = 0x0501;
    board.settings[SetInvertMask] = static_cast<std::uint8_t>(0x05 + 0x20 * b);
    board.settings[SetAutoDetect] = 1;
    hid.Attach(board);
    before.push_back(board.settings);
  }
  injure();
  {
    frmMain form(hid);
    form.Form_Load();
    ExpectDefinedState(form);
    form.InvertCh(2).UserToggle();
    form.ModeCh(3).UserPick(1);
    form.ModeCh(8).UserPick(0);
    form.AutoCh.UserToggle();
    ExpectDefinedState(form);
    // The board the window opened holds what the user changed; any other
    // board is left alone.
    for (int b = 0; b < boards; ++b) {
      SCOPED_TRACE("board " + std::to_string(b));
      const auto& now = hid.Board(b).settings;
      if (form.DeviceDetected && form.Link().DevicePath == hid.PathOf(b)) {
        ExpectOnlyWhatTheUserChanged(before[static_cast<std::size_t>(b)], now, form);
      } else {
        EXPECT_EQ(now, before[static_cast<std::size_t>(b)]);
      }
    }
    form.Form().Close();
  }
  tq::testing::ExpectHandlesBalanced(hid);
}

TEST(ConfigFaultSweep, OneAndTwoBoards) {
  for (int boards = 1; boards <= 2; ++boards) {
    const auto counts = tq::testing::SweepFaults(
        [boards](SimulatedHid& hid, const std::function<void()>& injure) {
          Session(hid, boards, injure);
        },
        boards);
    EXPECT_GT(counts.runs, 50 * boards);
    std::printf("%d board(s): %d runs, %d failures, %d unplugs\n", boards, counts.runs,
                counts.failures, counts.unplugs);
  }
}

}  // namespace
}  // namespace tq::config
