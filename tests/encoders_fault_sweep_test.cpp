// Every platform call of a session of the encoder utility failing in turn,
// or the board vanishing right before it: the window stays in a state it
// can be in, every handle is closed once, and no setting byte changes that
// the user did not pick.
#include <gtest/gtest.h>

#include <array>

#include "board/encoder_reports.h"
#include "encoders/frm_main.h"
#include "tests/fault_sweep.h"

namespace tq::encoders {
namespace {

using emu::EmulatedBoard;
using emu::SimulatedHid;

using Settings = std::array<std::uint8_t, 256>;

void ExpectDefinedState(frmMain& form) {
  if (!form.DeviceDetected) {
    EXPECT_FALSE(form.SettingsLoaded);
    EXPECT_FALSE(form.Frame3.Enabled());
    EXPECT_EQ(form.ModeCh1.ListCount(), 0);
    EXPECT_EQ(form.lblManuf.Caption(), "");
  } else {
    EXPECT_TRUE(form.SettingsLoaded);
    EXPECT_TRUE(form.Frame1.Enabled());
  }
  const int items = form.Enc(1).ListCount();
  EXPECT_TRUE(items == 0 || items == 4) << items;
  for (int pair = 1; pair <= kPairCount; ++pair) {
    EXPECT_EQ(form.Enc(pair).ListCount(), items);
    EXPECT_EQ(form.Enc(pair).Enabled(), items > 0);
  }
  EXPECT_EQ(form.ModeCh1.ListCount(), items > 0 ? kPulseWidthCount : 0);
  EXPECT_EQ(form.SerNo.Enabled(), form.SerNo.ListCount() >= 2);
}

// A session: start, a pick in each kind of list, a re-selection when there
// are two boards, a loss and re-open, unload.
void Session(SimulatedHid& hid, int boards, const std::function<void()>& injure) {
  std::vector<Settings> initial;
  for (int b = 0; b < boards; ++b) {
    EmulatedBoard board = emu::MakeTQ5271(u"SN" + std::u16string(1, char16_t(u'0' + b)));
    board.settings[22] = static_cast<std::uint8_t>(0x11 * (b + 1));
    hid.Attach(board);
    initial.push_back(board.settings);
  }
  injure();
  {
    frmMain form(hid);
    form.Form_Load();
    ExpectDefinedState(form);
    form.Enc(3).UserPick(3);
    form.Enc(12).UserPick(2);
    form.ModeCh1.UserPick(20);
    form.Timer.Tick();
    ExpectDefinedState(form);
    if (boards > 1) {
      form.SerNo.UserPick(0);
      ExpectDefinedState(form);
      form.Enc(1).UserPick(1);
    }
    const int open = 0;  // the board open now, in both sessions
    hid.Detach(open);
    form.Timer.Tick();
    ExpectDefinedState(form);
    hid.Reattach(open);
    form.Timer.Tick();
    form.Timer.Tick();
    ExpectDefinedState(form);
    form.Form().Close();
  }
  tq::testing::ExpectHandlesBalanced(hid);

  // Each board may hold any subset of the picks, applied in order over its
  // own settings (a fault can send a pick to the other board or nowhere),
  // and nothing else.
  const std::vector<std::function<void(Settings&)>> picks = {
      [](Settings& s) { s[22] |= 0x04; s[24] |= 0x04; },                     // Enc3 "1:4"
      [](Settings& s) { s[23] &= 0xF7; s[25] |= 0x08; },                     // Enc12 "1:2"
      [](Settings& s) { s[26] = 21; },                                       // "168 ms"
      [](Settings& s) { s[22] |= 0x01; s[24] &= 0xFE; },                     // Enc1 "1:1"
  };
  const std::size_t pickCount = boards > 1 ? 4 : 3;
  for (int b = 0; b < boards; ++b) {
    const Settings now = hid.Board(b).settings;
    bool reachable = false;
    for (unsigned subset = 0; subset < (1u << pickCount) && !reachable; ++subset) {
      Settings expected = initial[static_cast<std::size_t>(b)];
      for (std::size_t i = 0; i < pickCount; ++i) {
        if (subset & (1u << i)) picks[i](expected);
      }
      reachable = expected == now;
    }
    EXPECT_TRUE(reachable) << "board " << b << " holds bytes no set of picks explains";
  }
}

TEST(EncodersFaultSweep, OneBoard) {
  const auto counts = tq::testing::SweepFaults(
      [&](SimulatedHid& hid, const std::function<void()>& injure) {
        Session(hid, 1, injure);
      },
      1);
  EXPECT_GT(counts.runs, 100);
  std::printf("one board: %d runs, %d failures, %d unplugs\n", counts.runs, counts.failures,
              counts.unplugs);
}

TEST(EncodersFaultSweep, TwoBoards) {
  const auto counts = tq::testing::SweepFaults(
      [&](SimulatedHid& hid, const std::function<void()>& injure) {
        Session(hid, 2, injure);
      },
      2);
  EXPECT_GT(counts.runs, 200);
  std::printf("two boards: %d runs, %d failures, %d unplugs\n", counts.runs, counts.failures,
              counts.unplugs);
}

}  // namespace
}  // namespace tq::encoders
