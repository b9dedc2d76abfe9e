// The encoder utility's window on the SetupAPI and hid.dll backend under
// Wine, over a virtual board on a real kernel's USB stack: its read-back,
// its writes as they arrive at the board, and the board pulled and put back
// while the window watches it.
#include <gtest/gtest.h>

#include <thread>

#include "encoders/frm_main.h"
#include "tests/wine/wine_fixture.h"

namespace tq::winetest {
namespace {

using encoders::frmMain;

class EncodersUnderWine : public UnderWine {
 protected:
  void TearDown() override {
    form.Form().Close();
    UnderWine::TearDown();
  }
  frmMain form{api};
};

TEST_F(EncodersUnderWine, FindsOpensAndReadsTheBoardBack) {
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_TRUE(form.SettingsLoaded);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"00042"});
  // The strings Wine gives (see WineHid): Windows shows " TQ Controls" and
  // " TQ5271 Joystick Interface" here.
  EXPECT_EQ(form.lblManuf.Caption(), " hidraw");
  EXPECT_EQ(form.lblProduct.Caption(), " TQ Controls TQ5271 Joystick Interface");
  EXPECT_EQ(form.lblVersion.Caption(), " 1.21");
  EXPECT_EQ(form.Link().Capabilities.FeatureReportByteLength, 64);
  // The factory's settings, from page 16.
  EXPECT_EQ(form.Enc(1).Text(), "OFF");
  EXPECT_EQ(form.Enc(2).Text(), "1:1");
  EXPECT_EQ(form.Enc(3).Text(), "1:2");
  EXPECT_EQ(form.Enc(8).Text(), "1:4");
  EXPECT_EQ(form.Enc(9).Text(), "1:1");
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  // Sixteen reads of the whole report after its ID byte; nothing written,
  // and no string request reaches the board: Wine answers them itself.
  const auto gets = Since(kBoard, "GET_REPORT");
  EXPECT_EQ(gets.size(), 16u);
  for (const auto& get : gets) EXPECT_EQ(get.length, 63);
  EXPECT_EQ(Since(kBoard).size(), 16u);
  // The pad is opened, rejected and closed without a request.
  EXPECT_EQ(Since(kPad).size(), 0u);
  EXPECT_EQ(api.open.size(), 2u);
}

TEST_F(EncodersUnderWine, EveryPickArrivesAsItsExactBytes) {
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  Remark();
  // Each pick and its way back to the factory setting.
  form.Enc(1).UserPick(1);  // "1:1"
  form.Enc(1).UserPick(0);
  form.Enc(16).UserPick(3);  // "1:4"
  form.Enc(16).UserPick(0);
  form.ModeCh1.UserPick(24);  // "200 ms"
  form.ModeCh1.UserPick(5);   // "48 ms"
  EXPECT_EQ(SetsIn(Since(kBoard)),
            (std::vector<Bytes>{SetData(22, 0x8B), SetData(24, 0x8C), SetData(22, 0x8A),
                                SetData(24, 0x8C), SetData(23, 0x81), SetData(25, 0x80),
                                SetData(23, 0x01), SetData(25, 0x00), SetData(26, 25),
                                SetData(26, 6)}));
  EXPECT_EQ(Since(kBoard, "GET_REPORT").size(), 0u);
  EXPECT_EQ(Since(kPad).size(), 0u);
}

TEST_F(EncodersUnderWine, UnplugLosesTheBoardAndReplugFindsItAgain) {
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  form.Timer.Tick();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Timer.Interval(), frmMain::kPresentIntervalMs);

  ASSERT_TRUE(boardProgram.Unplug(kBoard));
  // The presence check's string request fails once Wine has let the device
  // go, in its own time; each tick comes one interval of real time after the
  // last, as the timer's would, so the program sees the pace it runs at.
  const auto tick = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(form.Timer.Interval()));
    form.Timer.Tick();
  };
  EXPECT_TRUE(WaitUntil([&] { tick(); return !form.DeviceDetected; }, std::chrono::seconds(20)));
  EXPECT_TRUE(form.SerNo.Items().empty());
  EXPECT_EQ(form.Timer.Interval(), frmMain::kLostIntervalMs);
  EXPECT_EQ(api.open.size(), 0u);

  Remark();
  ASSERT_TRUE(boardProgram.Plug(kBoard));
  EXPECT_TRUE(WaitUntil([&] { tick(); return form.DeviceDetected; }, std::chrono::seconds(30)));
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"00042"});
  // Back to the present interval once a check has found it answering.
  EXPECT_EQ(form.Timer.Interval(), frmMain::kLostIntervalMs);
  tick();
  EXPECT_EQ(form.Timer.Interval(), frmMain::kPresentIntervalMs);
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  EXPECT_EQ(Since(kBoard, "GET_REPORT").size(), 16u);
  EXPECT_EQ(api.open.size(), 2u);
}

}  // namespace
}  // namespace tq::winetest
