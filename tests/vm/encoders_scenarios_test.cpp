// The encoder utility on a real kernel's USB stack: what its window shows and
// what reaches the virtual board's endpoint 0.
#include <gtest/gtest.h>

#include "encoders/frm_main.h"
#include "tests/vm/vm_fixture.h"

namespace tq::vmtest {
namespace {

using encoders::frmMain;

using EncodersOnRealUsb = ProgramOnRealUsb<frmMain>;

// A board whose page 16 holds the given encoder bytes and pulse code.
emu::EmulatedBoard EncoderBoard(std::u16string serial, std::uint8_t low1, std::uint8_t high1,
                                std::uint8_t pulse) {
  emu::EmulatedBoard board = Board(std::move(serial));
  board.settings[22] = low1;
  board.settings[23] = 0;
  board.settings[24] = high1;
  board.settings[25] = 0;
  board.settings[26] = pulse;
  return board;
}

TEST_F(EncodersOnRealUsb, FindsOpensAndReadsBack) {
  vboard::BoardDevice& board = Plug(Board(u"00042"));
  board.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_TRUE(form.SettingsLoaded);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"00042"});
  EXPECT_EQ(form.lblManuf.Caption(), " TQ Controls");
  EXPECT_EQ(form.lblProduct.Caption(), " TQ5271 Joystick Interface");
  EXPECT_EQ(form.lblVersion.Caption(), " 1.21");
  EXPECT_EQ(form.Enc(2).Text(), "1:1");
  EXPECT_EQ(form.Enc(3).Text(), "1:2");
  EXPECT_EQ(form.Enc(8).Text(), "1:4");
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  // Sixteen reads, each the whole report after its ID byte; nothing written.
  const auto gets = board.LogOf("GET_REPORT");
  EXPECT_EQ(gets.size(), 16u);
  for (const auto& get : gets) {
    EXPECT_EQ(get.value, 0x0300);
    EXPECT_EQ(get.length, 63);
    EXPECT_EQ(get.bytes.size(), 63u);
    EXPECT_FALSE(get.stalled);
  }
  EXPECT_EQ(CountOf(board, "SET_REPORT"), 0u);
  // The tag tests of the scan and of the search both need the language list
  // and string 42, but the backend asks the board once per plug; manufacturer,
  // product and serial come from what the kernel read at enumeration, so they
  // never reach the board.
  EXPECT_EQ(StringIndexes(board), (std::vector<unsigned>{0, 42}));
  for (const auto& request : board.LogOf("GET_STRING")) {
    EXPECT_FALSE(request.stalled);
  }
  EXPECT_EQ(board.Log().size(), 16u + 2u);
}

TEST_F(EncodersOnRealUsb, TagTestAcceptsEitherTagThroughUsbfs) {
  // A product outside the table: only the tag can make it a board.
  emu::EmulatedBoard board = Board(u"X1");
  board.productId = 0x0999;
  board.indexedStrings[42] = u"TQ5271X";
  Plug(board);
  form.Form_Load();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"X1"});
}

TEST_F(EncodersOnRealUsb, TagTestRejectsAnotherTag) {
  emu::EmulatedBoard board = Board(u"W1");
  board.productId = 0x0999;
  board.indexedStrings[42] = u"TQ5270A";
  vboard::BoardDevice& device = Plug(board);
  device.ClearLog();
  form.Form_Load();
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_TRUE(form.SerNo.Items().empty());
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 0u);
  EXPECT_EQ(StringIndexes(device), (std::vector<unsigned>{0, 42}));  // once per plug
}

TEST_F(EncodersOnRealUsb, TagTestRejectsABoardWithoutString42) {
  emu::EmulatedBoard board = Board(u"N1");
  board.productId = 0x0999;
  board.indexedStrings.clear();
  vboard::BoardDevice& device = Plug(board);
  device.ClearLog();
  form.Form_Load();
  EXPECT_FALSE(form.DeviceDetected);
  // The stall is an answer too: neither the scan nor the search asks again.
  const auto strings = device.LogOf("GET_STRING");
  ASSERT_EQ(strings.size(), 2u);
  EXPECT_TRUE(strings[1].stalled);
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 0u);
}

TEST_F(EncodersOnRealUsb, CapabilitiesAndReleaseComeFromTheRealDevice) {
  emu::EmulatedBoard board = EncoderBoard(u"C1", 0x01, 0x01, 9);
  board.featureReportByteLength = 20;
  board.versionNumber = 0x0120;
  vboard::BoardDevice& device = Plug(board);
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Link().Capabilities.FeatureReportByteLength, 20);
  EXPECT_EQ(form.Link().Capabilities.InputReportByteLength, 12);
  EXPECT_EQ(form.Link().Capabilities.OutputReportByteLength, 0);
  EXPECT_EQ(form.Link().Capabilities.UsagePage, 0x01);  // a joystick
  EXPECT_EQ(form.Link().Capabilities.Usage, 0x04);
  EXPECT_EQ(form.Link().Attributes.VendorID, kMakerVendorID);
  EXPECT_EQ(form.Link().Attributes.ProductID, 0x0501);
  EXPECT_EQ(form.lblVersion.Caption(), " 1.20");
  EXPECT_EQ(form.Enc(1).Items(), (std::vector<std::string>{"OFF", "1:1"}));
  EXPECT_EQ(form.ModeCh1.Text(), "72 ms");
  for (const auto& get : device.LogOf("GET_REPORT")) EXPECT_EQ(get.length, 19);
  device.ClearLog();
  // "1:4" has no item below release 0x21: the list kept "OFF".
  EXPECT_EQ(form.Enc(1).Text(), "OFF");
  form.Enc(1).UserPick(1);
  EXPECT_EQ(TakeSets(device), (std::vector<Bytes>{SetData(22, 0x01, 20), SetData(24, 0x00, 20)}));
}

TEST_F(EncodersOnRealUsb, EveryPickArrivesAsItsExactBytes) {
  vboard::BoardDevice& device = Plug(EncoderBoard(u"P1", 0x01, 0x00, 6));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  device.ClearLog();
  form.Enc(3).UserPick(2);  // "1:2"
  EXPECT_EQ(TakeSets(device), (std::vector<Bytes>{SetData(22, 0x01), SetData(24, 0x04)}));
  form.Enc(16).UserPick(3);  // "1:4"
  EXPECT_EQ(TakeSets(device), (std::vector<Bytes>{SetData(23, 0x80), SetData(25, 0x80)}));
  form.ModeCh1.UserPick(24);
  EXPECT_EQ(TakeSets(device), std::vector<Bytes>{SetData(26, 25)});
  const auto settings = device.Board().settings;
  EXPECT_EQ(settings[22], 0x01);
  EXPECT_EQ(settings[24], 0x04);
  EXPECT_EQ(settings[23], 0x80);
  EXPECT_EQ(settings[25], 0x80);
  EXPECT_EQ(settings[26], 25);
  // What was written is what the next read-back shows.
  form.SerNo_Click();
  EXPECT_EQ(form.Enc(3).Text(), "1:2");
  EXPECT_EQ(form.Enc(16).Text(), "1:4");
  EXPECT_EQ(form.ModeCh1.Text(), "200 ms");
}

TEST_F(EncodersOnRealUsb, TwoBoardsAndAPickInSerNo) {
  vboard::BoardDevice& first = Plug(EncoderBoard(u"FIRST", 0x01, 0x00, 6));
  vboard::BoardDevice& second = Plug(EncoderBoard(u"SECOND", 0x02, 0x00, 6));
  form.Form_Load();
  EXPECT_EQ(form.SerNo.Items(), (std::vector<std::string>{"FIRST", "SECOND"}));
  EXPECT_TRUE(form.SerNo.Enabled());
  EXPECT_EQ(form.Link().DevicePath, NodeOf(second));
  EXPECT_EQ(form.Enc(2).Text(), "1:1");
  first.ClearLog();
  second.ClearLog();

  form.SerNo.UserPick(0);
  EXPECT_EQ(form.Link().DevicePath, NodeOf(first));
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(form.Enc(2).Text(), "OFF");
  EXPECT_EQ(CountOf(first, "GET_REPORT"), 16u);
  EXPECT_EQ(CountOf(second, "GET_REPORT"), 0u);
  first.ClearLog();
  form.Enc(4).UserPick(1);
  EXPECT_EQ(TakeSets(first), (std::vector<Bytes>{SetData(22, 0x09), SetData(24, 0x00)}));
  EXPECT_EQ(TakeSets(second), std::vector<Bytes>{});
  EXPECT_EQ(second.Board().settings[22], 0x02);
}

TEST_F(EncodersOnRealUsb, UnplugOpensTheOtherBoardAndReplugFindsItAgain) {
  vboard::BoardDevice& first = Plug(EncoderBoard(u"FIRST", 0x01, 0x00, 6));
  vboard::BoardDevice& second = Plug(EncoderBoard(u"SECOND", 0x02, 0x00, 6));
  form.Form_Load();
  ASSERT_EQ(form.Link().DevicePath, NodeOf(second));
  form.Timer.Tick();
  EXPECT_EQ(form.Timer.Interval(), 500);

  Unplug(second);
  form.Timer.Tick();
  // Lost and, in the same tick, the remaining board listed and opened.
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"FIRST"});
  EXPECT_EQ(form.Link().DevicePath, NodeOf(first));
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(form.Timer.Interval(), 250);

  Unplug(first);
  form.Timer.Tick();
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_TRUE(form.SerNo.Items().empty());
  EXPECT_EQ(OpenDeviceNodes(), std::vector<std::string>{});

  Replug(second);
  second.ClearLog();
  form.Timer.Tick();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"SECOND"});
  EXPECT_EQ(form.Enc(2).Text(), "1:1");
  EXPECT_EQ(CountOf(second, "GET_REPORT"), 16u);
  EXPECT_EQ(CountOf(second, "SET_REPORT"), 0u);
}

TEST_F(EncodersOnRealUsb, PresenceWatchKeepsTheBoardWithoutBusTraffic) {
  vboard::BoardDevice& device = Plug(Board(u"SERIAL-NUMBER-WITH-FORTY-SEVEN-CHARACTERS-12345"));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.SerNo.Text(), "SERIAL-NUMBER-WITH-FORTY-SEVEN-CHARACTERS-12345");
  const HANDLE before = form.Link().DeviceHandle;
  device.ClearLog();
  for (int tick = 0; tick < 5; ++tick) form.Timer.Tick();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Link().DeviceHandle, before);
  EXPECT_EQ(form.Timer.Interval(), 500);
  // The serial the watch reads is the kernel's copy.
  EXPECT_EQ(device.Log().size(), 0u);
}

TEST_F(EncodersOnRealUsb, WriteAfterUnplugFailsSilently) {
  vboard::BoardDevice& device = Plug(Board(u"GONE"));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  Unplug(device);
  device.ClearLog();
  form.Enc(1).UserPick(1);
  form.ModeCh1.UserPick(3);
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(form.ModeCh1.Text(), "32 ms");
  EXPECT_EQ(device.Log().size(), 0u);
  // The next tick notices the loss and closes both handles.
  form.Timer.Tick();
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_EQ(OpenDeviceNodes(), std::vector<std::string>{});
}

TEST_F(EncodersOnRealUsb, ForeignDeviceIsOpenedRejectedAndClosed) {
  emu::EmulatedBoard foreign = Board(u"F1");
  foreign.vendorId = 0x046D;
  foreign.productId = 0xC52B;
  foreign.indexedStrings.clear();
  vboard::BoardDevice& device = Plug(foreign);
  device.ClearLog();
  form.Form_Load();
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_TRUE(form.SerNo.Items().empty());
  EXPECT_EQ(OpenDeviceNodes(), std::vector<std::string>{});
  EXPECT_EQ(CountOf(device, "GET_REPORT") + CountOf(device, "SET_REPORT"), 0u);
  // Added later, a board is found while the foreign device stays ignored.
  vboard::BoardDevice& board = Plug(Board(u"B1"));
  form.Timer.Tick();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"B1"});
  EXPECT_EQ(form.Link().DevicePath, NodeOf(board));
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 0u);
}

TEST_F(EncodersOnRealUsb, ShortGetReportRepliesCountAsRead) {
  // As on Windows: a reply shorter than the report succeeds, its bytes land
  // at the front of the buffer and the rest keeps what was there.
  vboard::BoardFaults faults;
  faults.getReportReplyBytes = 12;  // the tag and settings 16 ... 26: the whole page 16
  vboard::BoardDevice& device = Plug(EncoderBoard(u"SHORT", 0x01, 0x01, 9), faults);
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 16u);
  EXPECT_EQ(device.LogOf("GET_REPORT").front().bytes.size(), 12u);
  EXPECT_EQ(form.Enc(1).Text(), "1:4");
  EXPECT_EQ(form.ModeCh1.Text(), "72 ms");
}

TEST_F(EncodersOnRealUsb, StalledGetReportLeavesTheDefaults) {
  vboard::BoardFaults faults;
  faults.stallGetReport = true;
  vboard::BoardDevice& device = Plug(EncoderBoard(u"STALL", 0x01, 0x01, 9), faults);
  device.ClearLog();
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_TRUE(form.SettingsLoaded);
  const auto gets = device.LogOf("GET_REPORT");
  ASSERT_EQ(gets.size(), 16u);
  for (const auto& get : gets) EXPECT_TRUE(get.stalled);
  EXPECT_EQ(form.Enc(1).Text(), "OFF");
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  // A stalled endpoint 0 takes the next request again: a pick is written.
  form.Enc(1).UserPick(1);
  EXPECT_EQ(TakeSets(device), (std::vector<Bytes>{SetData(22, 0x01), SetData(24, 0x00)}));
}

TEST_F(EncodersOnRealUsb, SlowRepliesAreWaitedFor) {
  vboard::BoardFaults faults;
  faults.getReportDelayMs = 60;
  vboard::BoardDevice& device = Plug(EncoderBoard(u"SLOW", 0x01, 0x01, 9), faults);
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(CountOf(device, "GET_REPORT"), 16u);
  EXPECT_EQ(form.Enc(1).Text(), "1:4");
  EXPECT_EQ(form.ModeCh1.Text(), "72 ms");
}

}  // namespace
}  // namespace tq::vmtest
