// The input monitor's window on native controls under Wine, over the
// SetupAPI and hid.dll backend and winmm's joystick API, watching a virtual
// board on a real kernel's USB stack: an encoder's pulses read through
// ReadFile, counted and measured against the pair's settings, and what a
// game reads of the same board beside them.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "devlink/platform/win32/host_hints.h"
#include "devlink/platform/win32/winmm_game_view.h"
#include "devlink/ui/win32/win32_view.h"
#include "encoders/frm_main.h"
#include "monitor/frm_main.h"
#include "tests/delivery_jitter.h"
#include "tests/wine/wine_fixture.h"

namespace tq::winetest {
namespace {

using testing::kDeliveryJitterMs;

class MonitorUnderWine : public UnderWine {
 protected:
  // Runs the window's message loop, its timer included, until `shown`
  // holds or `limit` passes.
  bool LoopUntil(const std::function<bool()>& shown, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      if (shown()) return true;
      if (std::chrono::steady_clock::now() >= end) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
  }
};

TEST_F(MonitorUnderWine, EncoderPulsesAreMeasuredAndAGameSeesTheBoard) {
  // Pair 3 at "1:2" and the pulse width at "48 ms", sent as the encoder
  // utility sends them: a user's pick of an item resends it.
  {
    encoders::frmMain setter(api);
    setter.Form_Load();
    ASSERT_TRUE(setter.DeviceDetected);
    setter.Enc(3).UserPick(2);
    setter.ModeCh1.UserPick(encoders::kDefaultPulseWidthPosition);
    setter.Form().Close();
  }
  const std::vector<Bytes> sets = SetsIn(Since(kBoard));
  ASSERT_EQ(sets.size(), 3u);  // the bank's two halves, then the width
  EXPECT_EQ(sets[2], SetData(encoders::SetPulseWidth, 6));
  Remark();

  win32::WinmmGameView game;
  monitor::frmMain form(api, &game, win32::WindowsHostHints());
  ui::Win32View view(form.Form());
  form.Form_Load();
  ASSERT_TRUE(LoopUntil([&] { return form.lblStatus.Caption().find("input report") != std::string::npos; },
                        std::chrono::seconds(30)))
      << form.lblStatus.Caption();
  EXPECT_EQ(form.SerNo.Text(), "00042");
  EXPECT_EQ(form.Pair(3).type.Caption(), "1:2");
  EXPECT_EQ(form.Pair(3).width.Caption(), "48 ms");
  EXPECT_TRUE(LoopUntil([&] { return form.Shown().game.has_value(); }, std::chrono::seconds(10)))
      << form.lblGameOther.Caption();
  EXPECT_NE(form.lblGameHeading.Caption().find("joystick"), std::string::npos)
      << form.lblGameHeading.Caption();
  const int readBefore = api.reportsRead;

  // Five detents forward: ten pulses on button 5, each held 48 ms.
  ASSERT_TRUE(boardProgram.Move(kBoard, "turn", 3, 5));
  EXPECT_TRUE(LoopUntil([&] { return form.Pair(3).counts.Caption() == "10 / 0"; },
                        std::chrono::seconds(20)))
      << form.Pair(3).counts.Caption();
  const monitor::PairFigures& figures = form.Shown().pairs[2];
  std::printf("monitor: pair 3 pulses %s, lengths %s, marks \"%s\", %d reports read\n",
              form.Pair(3).counts.Caption().c_str(), form.Pair(3).lengths.Caption().c_str(),
              form.lblMarks.Caption().c_str(), api.reportsRead - readBefore);
  RecordProperty("monitor_pulse_lengths", form.Pair(3).lengths.Caption());
  ASSERT_TRUE(figures.median.has_value());
  // Each edge is seen at the first report after it, on the board's 10 ms
  // grid, and stamped when ReadFile hands it over: the VM's delivery jitter
  // comes on top, as for the monitor over hidraw.
  EXPECT_LE(std::abs(*figures.median - 48), monitor::kReportIntervalMs + kDeliveryJitterMs);
  // A press and a release per pulse, each its own report.
  EXPECT_GE(api.reportsRead - readBefore, 20);

  // An axis from its lowest to its highest and a button pressed: the
  // board's reports and the joystick API both show them.
  const auto gameY = [&]() -> std::int32_t {
    if (!form.Shown().game) return -1;
    for (const GameAxis& axis : form.Shown().game->axes) {
      if (axis.boardAxis == 1) return axis.value;
    }
    return -1;
  };
  ASSERT_TRUE(boardProgram.Move(kBoard, "axis", 2, 0));
  EXPECT_TRUE(LoopUntil(
      [&] { return form.Axis(2).value.Caption() == "0" && gameY() >= 0 && gameY() < 5000; },
      std::chrono::seconds(20)))
      << "board Y " << form.Axis(2).value.Caption() << ", game Y " << gameY();
  ASSERT_TRUE(boardProgram.Move(kBoard, "axis", 2, 127));
  ASSERT_TRUE(boardProgram.Move(kBoard, "button", 32, 1));
  EXPECT_TRUE(LoopUntil(
      [&] { return form.Axis(2).value.Caption() == "127" && form.Button(32).Lit() && gameY() > 60000 &&
                   form.GameButton(32).Lit(); },
      std::chrono::seconds(20)))
      << "board Y " << form.Axis(2).value.Caption() << ", game Y " << gameY() << ", button 32 "
      << form.Button(32).Lit() << ", game's button 32 " << form.GameButton(32).Lit();
  std::printf("monitor: Y %s, a game sees \"%s\"\n", form.Axis(2).value.Caption().c_str(),
              form.Axis(2).game.Caption().c_str());
  ASSERT_TRUE(boardProgram.Move(kBoard, "button", 32, 0));
  EXPECT_TRUE(LoopUntil([&] { return !form.Button(32).Lit() && !form.GameButton(32).Lit(); },
                        std::chrono::seconds(20)));

  // Watching sends nothing to the board.
  EXPECT_TRUE(Since(kBoard, "SET_REPORT").empty());
  form.Form().Close();
  MSG quit;
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
}  // namespace tq::winetest
