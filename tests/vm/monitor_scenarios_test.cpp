// The input monitor and tq5271ctl watch on the real USB stack: input
// reports through the hidraw node, what a game reads through the evdev node
// of the same board, an encoder turn counted and measured, an unplug and a
// replug followed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>

#include "devlink/platform/hidraw/evdev_game_view.h"
#include "devlink/platform/hidraw/host_hints.h"
#include "monitor/frm_main.h"
#include "tests/board_samples.h"
#include "tests/delivery_jitter.h"
#include "tests/vm/vm_fixture.h"
#include "vboard/usb_descriptors.h"

namespace tq::vmtest {
namespace {

using Clock = std::chrono::steady_clock;

// The kernel stamps nothing here: the monitor stamps each report when its
// read returns, so the VM's delivery jitter under software emulation comes
// on top of the board's 10 ms grid.
using testing::kDeliveryJitterMs;

emu::EmulatedBoard BoardWithEncoderOn3(std::u16string serial) {
  emu::EmulatedBoard board = Board(std::move(serial));
  testing::SetEncoders(board, {{3, 2}}, 48);  // pair 3 at "1:2", "48 ms"
  return board;
}

class MonitorOnRealUsb : public RealUsb {
 protected:
  void TearDown() override {
    form.Form().Close();
    EXPECT_EQ(OpenDeviceNodes(), std::vector<std::string>{});
    RealUsb::TearDown();
  }
  // Ticks the window's timer until `shown` holds, each time the reading
  // threads have something new, for at most `limit`.
  bool TickUntil(const std::function<bool()>& shown, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
      form.Timer.Tick();
      if (shown()) return true;
      if (!form.Worker().WaitNewer(form.Shown().version, end)) return false;
    }
  }
  bool Reading() {
    return TickUntil([&] { return form.lblStatus.Caption().find("input report") != std::string::npos; },
                     std::chrono::seconds(10));
  }

  hidraw::EvdevGameView game;
  monitor::frmMain form{api, &game, hidraw::LinuxHostHints()};
};

TEST_F(MonitorOnRealUsb, EncoderTurnIsCountedAndMeasuredAndAGamesViewStandsBeside) {
  vboard::BoardDevice& device = Plug(BoardWithEncoderOn3(u"MON-1"));
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  EXPECT_NE(form.lblStatus.Caption().find(NodeOf(device)), std::string::npos);
  EXPECT_EQ(form.Pair(3).type.Caption(), "1:2");
  EXPECT_EQ(form.Pair(3).width.Caption(), "48 ms");
  // The monitor asked the board for the input report it holds (a get report
  // of type input, 0x01 in wValue's high byte), and X (inverted, at 0) shows
  // it whether or not the board has sent anything since.
  const auto gets = device.LogOf("GET_REPORT");
  EXPECT_TRUE(std::ranges::any_of(gets, [](const vboard::LoggedRequest& get) {
    return get.value >> 8 == 0x01 && !get.stalled;
  }));
  EXPECT_TRUE(TickUntil([&] { return form.Axis(1).value.Caption() == "127"; },
                        std::chrono::seconds(5)))
      << "X " << form.Axis(1).value.Caption();
  ASSERT_TRUE(TickUntil([&] { return form.lblGameHeading.Caption().find("/dev/input/event") !=
                                     std::string::npos; },
                        std::chrono::seconds(5)))
      << form.lblGameHeading.Caption() << " / " << form.lblGameOther.Caption();

  device.ChangeBoard([](emu::EmulatedBoard& board) { board.TurnEncoder(3, 5); });
  ASSERT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "10 / 0"; },
                        std::chrono::seconds(10)))
      << form.Pair(3).counts.Caption();
  const monitor::PairFigures figures = form.Shown().pairs[2];
  ASSERT_TRUE(figures.median && figures.shortest && figures.longest);
  std::cout << "monitor over hidraw, pair 3 at 1:2, 48 ms, +5 detents: " << figures.counts[0]
            << " / " << figures.counts[1] << " pulses, " << *figures.shortest << " / "
            << *figures.median << " / " << *figures.longest << " ms" << std::endl;
  RecordProperty("monitor_lengths_ms", form.Pair(3).lengths.Caption());
  EXPECT_LE(std::abs(*figures.median - 48), vboard::kInputIntervalMs + kDeliveryJitterMs);

  // What a game reads: the same axis and button through the evdev node.
  device.ChangeBoard([](emu::EmulatedBoard& board) {
    board.SetAxis(2, 90);
    board.SetButton(7, true);
  });
  ASSERT_TRUE(TickUntil([&] { return form.Axis(2).game.Caption() == "ABS_Y 90"; },
                        std::chrono::seconds(5)))
      << form.Axis(2).game.Caption();
  EXPECT_EQ(form.Axis(2).value.Caption(), "90");
  EXPECT_TRUE(form.Button(7).Lit());
  EXPECT_TRUE(TickUntil([&] { return form.GameButton(7).Lit(); }, std::chrono::seconds(5)));
  EXPECT_EQ(CountOf(device, "SET_REPORT"), 0u) << "the monitor only reads";
}

TEST_F(MonitorOnRealUsb, UnplugAndReplugAreFollowed) {
  vboard::BoardDevice& device = Plug(BoardWithEncoderOn3(u"MON-2"));
  form.Form_Load();
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  Unplug(device);
  ASSERT_TRUE(TickUntil([&] { return form.lblStatus.Caption().find("MON-2 is unplugged") !=
                                     std::string::npos; },
                        std::chrono::seconds(10)))
      << form.lblStatus.Caption();
  EXPECT_FALSE(form.Pair(3).counts.Enabled()) << "the last figures greyed, not live";
  Replug(device);
  ASSERT_TRUE(Reading()) << form.lblStatus.Caption();
  EXPECT_EQ(form.SerNo.Text(), "MON-2");
  device.ChangeBoard([](emu::EmulatedBoard& board) { board.TurnEncoder(3, 1); });
  EXPECT_TRUE(TickUntil([&] { return form.Pair(3).counts.Caption() == "2 / 0"; },
                        std::chrono::seconds(10)))
      << form.Pair(3).counts.Caption();
}

}  // namespace
}  // namespace tq::vmtest
