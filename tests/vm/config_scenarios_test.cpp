// The configuration utility on a real kernel's USB stack: its read-back with
// the echoes it sends, its writes, and the boards it takes or leaves.
#include <gtest/gtest.h>

#include "config/frm_main.h"
#include "tests/vm/vm_fixture.h"

namespace tq::vmtest {
namespace {

using config::frmMain;

using ConfigOnRealUsb = ProgramOnRealUsb<frmMain>;

// An analog board with every setting at rest.
emu::EmulatedBoard AnalogBoard(std::u16string serial, std::uint16_t version = 0x0111) {
  emu::EmulatedBoard board = Board(std::move(serial));
  board.versionNumber = version;
  board.settings.fill(0);
  return board;
}

TEST_F(ConfigOnRealUsb, FindsOpensAndReadsBackWithoutTagTest) {
  vboard::BoardDevice& device = Plug(AnalogBoard(u"00007"));
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.lblSerialNumber.Caption(), " 00007");
  EXPECT_EQ(form.lblManuf.Caption(), " TQ Controls");
  EXPECT_EQ(form.lblProduct.Caption(), " TQ5271 Joystick Interface");
  EXPECT_EQ(form.lblVersion.Caption(), " 1.11");
  EXPECT_TRUE(form.Frame2.Enabled() && form.Frame3.Enabled() && form.AutoCh.Enabled());
  const auto gets = device.LogOf("GET_REPORT");
  EXPECT_EQ(gets.size(), 16u);
  for (const auto& get : gets) EXPECT_EQ(get.length, 63);
  // Settings at rest: nothing to echo. No string request reaches the board.
  EXPECT_EQ(CountOf(device, "SET_REPORT"), 0u);
  EXPECT_EQ(CountOf(device, "GET_STRING"), 0u);
}

TEST_F(ConfigOnRealUsb, ReadBackEchoesWhatItSets) {
  emu::EmulatedBoard board = AnalogBoard(u"ECHO");
  board.settings[11] = 0x03;
  board.settings[12] = 0x01;
  board.settings[14] = 198;
  board.settings[18] = 198;
  const auto stored = board.settings;
  vboard::BoardDevice& device = Plug(board);
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  // Each box that changes sends the mask as the boxes stand; the second
  // round of pages sends nothing.
  EXPECT_EQ(TakeSets(device), (std::vector<Bytes>{SetData(11, 0x01), SetData(11, 0x03),
                                                   SetData(12, 1), SetData(14, 198),
                                                   SetData(18, 198)}));
  EXPECT_EQ(device.Board().settings, stored);
  EXPECT_EQ(form.InvertCh(2).Value(), 1);
  EXPECT_EQ(form.AutoCh.Value(), 1);
  EXPECT_EQ(form.ModeCh(1).Text(), "Zoom");
  EXPECT_EQ(form.ModeCh(5).Text(), "Zoom");
  EXPECT_EQ(form.ModeCh(6).Text(), "Normal");
}

TEST_F(ConfigOnRealUsb, EachChangeArrivesAsOneReport) {
  vboard::BoardDevice& device = Plug(AnalogBoard(u"W"));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  device.ClearLog();
  form.InvertCh(1).UserToggle();
  form.InvertCh(3).UserToggle();
  form.ModeCh(5).UserPick(1);
  form.ModeCh(8).UserPick(1);
  form.ModeCh(8).UserPick(0);
  form.AutoCh.UserToggle();
  EXPECT_EQ(TakeSets(device), (std::vector<Bytes>{SetData(11, 0x01), SetData(11, 0x05),
                                                   SetData(18, 198), SetData(21, 198),
                                                   SetData(21, 0), SetData(12, 1)}));
  const auto settings = device.Board().settings;
  EXPECT_EQ(settings[11], 0x05);
  EXPECT_EQ(settings[18], 198);
  EXPECT_EQ(settings[21], 0);
  EXPECT_EQ(settings[12], 1);
}

TEST_F(ConfigOnRealUsb, LeavesBoardsOfTheOtherTableAndForeignDevices) {
  emu::EmulatedBoard encodersOnly = AnalogBoard(u"ENC");
  encodersOnly.productId = 0x0520;
  emu::EmulatedBoard foreign = AnalogBoard(u"F");
  foreign.vendorId = 0x046D;
  vboard::BoardDevice& first = Plug(encodersOnly);
  vboard::BoardDevice& second = Plug(foreign);
  first.ClearLog();
  second.ClearLog();
  form.Form_Load();
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_EQ(form.lblManuf.Caption(), "");
  EXPECT_EQ(OpenDeviceNodes(), std::vector<std::string>{});
  form.InvertCh(1).UserToggle();
  form.ModeCh(2).UserPick(1);
  EXPECT_EQ(first.Log().size() + second.Log().size(), 0u);
}

TEST_F(ConfigOnRealUsb, OpensTheFirstAcceptedBoard) {
  emu::EmulatedBoard foreign = AnalogBoard(u"F");
  foreign.vendorId = 0x046D;
  vboard::BoardDevice& other = Plug(foreign);
  vboard::BoardDevice& first = Plug(AnalogBoard(u"FIRST"));
  vboard::BoardDevice& second = Plug(AnalogBoard(u"SECOND"));
  other.ClearLog();
  second.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.lblSerialNumber.Caption(), " FIRST");
  EXPECT_EQ(form.Link().DevicePath, NodeOf(first));
  EXPECT_EQ(CountOf(first, "GET_REPORT"), 16u);
  EXPECT_EQ(other.Log().size() + second.Log().size(), 0u);
}

TEST_F(ConfigOnRealUsb, ReleaseFromTheDeviceDecidesWhatIsEnabled) {
  Plug(AnalogBoard(u"OLD", 0x0107));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.lblVersion.Caption(), " 1.7");
  EXPECT_TRUE(form.AutoCh.Enabled());
  EXPECT_FALSE(form.Frame2.Enabled());
  EXPECT_FALSE(form.Frame3.Enabled());
}

TEST_F(ConfigOnRealUsb, ReportLengthFromTheDescriptorLimitsThePage) {
  emu::EmulatedBoard board = AnalogBoard(u"L17");
  board.featureReportByteLength = 17;
  board.settings[11] = 0xFF;
  board.settings[14] = 198;
  vboard::BoardDevice& device = Plug(board);
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Link().Capabilities.FeatureReportByteLength, 17);
  // 17 bytes do not reach the mode bytes: the page is not applied.
  EXPECT_EQ(form.InvertCh(8).Value(), 0);
  EXPECT_EQ(form.ModeCh(1).ListIndex(), 0);
  for (const auto& get : device.LogOf("GET_REPORT")) EXPECT_EQ(get.length, 16);
  device.ClearLog();
  form.AutoCh.UserToggle();
  EXPECT_EQ(TakeSets(device), std::vector<Bytes>{SetData(12, 1, 17)});
}

TEST_F(ConfigOnRealUsb, WriteAfterUnplugFailsSilently) {
  vboard::BoardDevice& device = Plug(AnalogBoard(u"GONE"));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  Unplug(device);
  device.ClearLog();
  form.ModeCh(1).UserPick(1);
  form.InvertCh(2).UserToggle();
  EXPECT_EQ(form.ModeCh(1).Text(), "Zoom");
  EXPECT_EQ(form.InvertCh(2).Value(), 1);
  EXPECT_EQ(device.Log().size(), 0u);
}

TEST_F(ConfigOnRealUsb, ShortGetReportRepliesCountAsRead) {
  // As on Windows: the reply's bytes land in the buffer and count as read.
  emu::EmulatedBoard board = AnalogBoard(u"SHORT");
  board.settings[16] = 198;  // input 3 zoomed
  vboard::BoardFaults faults;
  faults.getReportReplyBytes = 17;  // the tag and settings 16 ... 31
  vboard::BoardDevice& device = Plug(board, faults);
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.ModeCh(3).Text(), "Zoom");
  EXPECT_EQ(TakeSets(device), std::vector<Bytes>{SetData(16, 198)});
}

TEST_F(ConfigOnRealUsb, StalledGetReportSendsNothing) {
  emu::EmulatedBoard board = AnalogBoard(u"STALL");
  board.settings[14] = 198;
  vboard::BoardFaults faults;
  faults.stallGetReport = true;
  vboard::BoardDevice& device = Plug(board, faults);
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 16u);
  EXPECT_EQ(CountOf(device, "SET_REPORT"), 0u);
  EXPECT_EQ(form.ModeCh(1).Text(), "Normal");
  form.ModeCh(1).UserPick(1);
  EXPECT_EQ(TakeSets(device), std::vector<Bytes>{SetData(14, 198)});
}

}  // namespace
}  // namespace tq::vmtest
