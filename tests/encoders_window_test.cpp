// The encoder utility's window against emulated boards: what it shows, what
// it sends, and that every handle it opens is closed exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/encoder_reports.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "tests/fault_sweep.h"
#include "tests/sent_reports.h"

namespace tq::encoders {
namespace {

using emu::EmulatedBoard;
using emu::MakeTQ5271;
using emu::SimulatedHid;

using tq::testing::Bytes;
using tq::testing::SetReport;

// A board whose page 16 holds the given encoder bytes and pulse code.
EmulatedBoard Board(std::u16string serial, std::uint8_t low1 = 0, std::uint8_t low2 = 0,
                    std::uint8_t high1 = 0, std::uint8_t high2 = 0, std::uint8_t pulse = 6) {
  EmulatedBoard board = MakeTQ5271(std::move(serial));
  board.settings[22] = low1;
  board.settings[23] = low2;
  board.settings[24] = high1;
  board.settings[25] = high2;
  board.settings[26] = pulse;
  return board;
}

class EncodersWindow : public ::testing::Test {
 protected:
  void TearDown() override {
    form.Form().Close();
    tq::testing::ExpectHandlesBalanced(hid);
  }

  std::vector<Bytes> TakeSent() { return tq::testing::TakeSent(hid); }

  std::vector<std::string> SerNoItems() { return form.SerNo.Items(); }

  SimulatedHid hid;
  frmMain form{hid};
};

void ExpectNoBoardState(frmMain& form) {
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_FALSE(form.SettingsLoaded);
  for (int pair = 1; pair <= kPairCount; ++pair) {
    EXPECT_EQ(form.Enc(pair).ListCount(), 0);
    EXPECT_FALSE(form.Enc(pair).Enabled());
    EXPECT_FALSE(form.PairLabel(pair).Enabled());
  }
  EXPECT_EQ(form.ModeCh1.ListCount(), 0);
  EXPECT_FALSE(form.ModeCh1.Enabled());
  EXPECT_FALSE(form.Frame3.Enabled());
  EXPECT_FALSE(form.Label1.Enabled());
  EXPECT_EQ(form.lblManuf.Caption(), "");
  EXPECT_EQ(form.lblProduct.Caption(), "");
  EXPECT_EQ(form.lblVersion.Caption(), "");
}

TEST_F(EncodersWindow, DesignedLayout) {
  EXPECT_EQ(form.Form().Caption(), "TQ5271 Rotary Encoders Configuration v1.7");
  EXPECT_EQ(form.Form().ClientWidth(), 4820);
  EXPECT_EQ(form.Form().ClientHeight(), 6970);
  EXPECT_EQ(form.Form().GetFont().face, "Arial");
  EXPECT_EQ(form.Enc(8).Position().top, 360 + 480 * 7);
  EXPECT_EQ(form.Enc(9).Position().left, 2400);
  EXPECT_EQ(form.Enc(16).Position().top, 360 + 480 * 7);
  EXPECT_EQ(form.PairLabel(1).Name(), "Label6");
  EXPECT_EQ(form.PairLabel(16).Name(), "Label21");
  EXPECT_EQ(form.PairLabel(16).Caption(), "31-32");
  EXPECT_EQ(form.PairLabel(9).Caption(), "17-18");
  EXPECT_EQ(form.PairLabel(9).Position().left, 3420);
  EXPECT_EQ(form.lblVersion.BackColor(), ui::SystemColor::WindowBackground);
  EXPECT_EQ(form.Label2.BackColor(), ui::SystemColor::ButtonFace);
  EXPECT_FALSE(form.Frame1.Enabled());
  EXPECT_FALSE(form.SerNo.Enabled());
  EXPECT_TRUE(form.Label2.Enabled());
  EXPECT_TRUE(form.lblManuf.Enabled());
  EXPECT_FALSE(form.Timer.Enabled());
  EXPECT_EQ(form.Timer.Interval(), 50);
  // Every control has a distinct name.
  std::vector<std::string> names;
  for (auto* control : form.Form().AllControls()) names.push_back(control->Name());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  EXPECT_EQ(names.size(), 15u + 32u);
}

TEST_F(EncodersWindow, StartsWithoutBoardAndKeepsSearching) {
  form.Form_Load();
  EXPECT_TRUE(form.Form().Shown());
  ExpectNoBoardState(form);
  EXPECT_FALSE(form.Frame1.Enabled());
  EXPECT_TRUE(form.Timer.Enabled());
  EXPECT_EQ(form.Timer.Interval(), 50);
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 0);

  hid.ClearCalls();
  form.Timer.Tick();
  // A scan and a search per tick, and still nothing to read or write.
  EXPECT_EQ(hid.CallCount("SetupDiGetClassDevsA"), 2);
  EXPECT_EQ(form.Timer.Interval(), 50);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature") + hid.CallCount("HidD_GetFeature"), 0);

  hid.Attach(Board(u"LATE", 0x01, 0, 0, 0, 25));
  form.Timer.Tick();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_TRUE(form.SettingsLoaded);
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(form.ModeCh1.Text(), "200 ms");
  form.Timer.Tick();
  EXPECT_EQ(form.Timer.Interval(), 500);
}

TEST_F(EncodersWindow, ShowsTheBoardsSettingsWithoutWritingThem) {
  hid.Attach(Board(u"00042", 0x01, 0x80, 0x81, 0x00, 17));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_TRUE(form.SettingsLoaded);
  EXPECT_EQ(form.SerNo.Items(), std::vector<std::string>{"00042"});
  EXPECT_EQ(form.SerNo.Text(), "00042");
  EXPECT_FALSE(form.SerNo.Enabled());  // one board: nothing to choose
  EXPECT_EQ(form.lblManuf.Caption(), " TQ Controls");
  EXPECT_EQ(form.lblProduct.Caption(), " TQ5271 Joystick Interface");
  EXPECT_EQ(form.lblVersion.Caption(), " 1.21");
  EXPECT_EQ(form.lblSerialNumber.Caption(), "");
  EXPECT_TRUE(form.Frame1.Enabled());
  EXPECT_TRUE(form.Frame3.Enabled());
  EXPECT_TRUE(form.PairLabel(16).Enabled());
  EXPECT_EQ(form.Enc(1).Text(), "1:4");
  EXPECT_EQ(form.Enc(8).Text(), "1:2");
  EXPECT_EQ(form.Enc(16).Text(), "1:1");
  EXPECT_EQ(form.Enc(2).Text(), "OFF");
  EXPECT_EQ(form.Enc(1).Items(), (std::vector<std::string>{"OFF", "1:1", "1:2", "1:4"}));
  ASSERT_EQ(form.ModeCh1.ListCount(), 25);
  EXPECT_EQ(form.ModeCh1.Text(), "136 ms");
  // Sixteen reads per read-back; its own selections send nothing.
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 16);
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{});
  // Descriptor strings come through the second handle, reports the first.
  const HANDLE overlapped = form.Link().OverlappedHandle;
  for (const auto& call : hid.CallsOf("HidD_GetManufacturerString")) {
    EXPECT_EQ(call.handle, overlapped);
    EXPECT_EQ(call.length, 100u);
  }
}

TEST_F(EncodersWindow, ReleaseDecidesTheOfferedItems) {
  struct Case {
    std::uint16_t version;
    int encoderItems;
    int pulseItems;
    const char* caption;
  };
  for (const Case& c : {Case{0x0120, 2, 25, " 1.20"}, Case{0x0121, 4, 25, " 1.21"},
                        Case{0x021F, 0, 0, " 2.1F"}, Case{0x0221, 4, 25, " 2.21"},
                        Case{0x8121, 4, 25, " -127.21"}, Case{0x0107, 0, 0, " 1.7"}}) {
    SCOPED_TRACE(c.caption);
    SimulatedHid local;
    EmulatedBoard board = Board(u"V", 0x0F, 0, 0x0F, 0, 9);
    board.versionNumber = c.version;
    local.Attach(board);
    frmMain window(local);
    window.Form_Load();
    EXPECT_EQ(window.lblVersion.Caption(), c.caption);
    EXPECT_EQ(window.Enc(1).ListCount(), c.encoderItems);
    EXPECT_EQ(window.Enc(1).Enabled(), c.encoderItems > 0);
    EXPECT_EQ(window.Frame3.Enabled(), c.encoderItems > 0);
    EXPECT_EQ(window.ModeCh1.ListCount(), c.pulseItems);
    EXPECT_TRUE(window.Frame1.Enabled());
    EXPECT_TRUE(window.SettingsLoaded);
    if (c.encoderItems == 2) {
      // "1:4" has no item here: the list keeps its default.
      EXPECT_EQ(window.Enc(1).Text(), "OFF");
    }
    if (c.encoderItems == 4) {
      EXPECT_EQ(window.Enc(1).Text(), "1:4");
    }
    if (c.pulseItems > 0) {
      EXPECT_EQ(window.ModeCh1.Text(), "72 ms");
    }
    window.Form().Close();
    EXPECT_EQ(local.OpenHandleCount(), 0);
  }
}

TEST_F(EncodersWindow, UnreadableStringsLeaveTheirCaptionsEmpty) {
  EmulatedBoard board = Board(u"S", 0x01);
  board.manufacturer.reset();
  hid.Attach(board);
  form.Form_Load();
  EXPECT_EQ(form.lblManuf.Caption(), "");
  EXPECT_EQ(form.lblVersion.Caption(), "");
  EXPECT_EQ(form.lblProduct.Caption(), " TQ5271 Joystick Interface");
  // Without the manufacturer the release is not trusted: nothing offered.
  EXPECT_EQ(form.Enc(1).ListCount(), 0);
  EXPECT_TRUE(form.Frame1.Enabled());
  EXPECT_TRUE(form.SettingsLoaded);

  hid.Board(0).manufacturer = std::u16string(50, u'M');
  hid.Board(0).product = u"P\u0100Q";
  form.SerNo_Click();  // re-open the same board
  EXPECT_EQ(form.lblManuf.Caption(), " " + std::string(50, 'M'));
  EXPECT_EQ(form.lblProduct.Caption(), " P");
}

TEST_F(EncodersWindow, PageValuesTheListsCannotShow) {
  // Pulse code 0 shows no width; type codes above an offered item keep the
  // default, and the rest of the page still applies.
  EmulatedBoard board = Board(u"S", 0xFF, 0x01, 0x00, 0x00, 0);
  board.versionNumber = 0x0120;
  board.settings[24] = 0x02;  // pair 2: code 3, which "OFF"/"1:1" cannot show
  hid.Attach(board);
  form.Form_Load();
  EXPECT_EQ(form.ModeCh1.ListIndex(), -1);
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(form.Enc(2).Text(), "OFF");
  EXPECT_EQ(form.Enc(3).Text(), "1:1");
  EXPECT_EQ(form.Enc(9).Text(), "1:1");

  hid.Board(0).settings[26] = 26;
  form.SerNo_Click();
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  hid.Board(0).settings[26] = 255;
  form.SerNo_Click();
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{});
}

TEST_F(EncodersWindow, PicksSendTheWholeBank) {
  hid.Attach(Board(u"S", 0x01, 0x00, 0x00, 0x00, 6));
  form.Form_Load();
  hid.ClearCalls();

  form.Enc(3).UserPick(2);  // "1:2"
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(22, 0x01), SetReport(24, 0x04)}));
  EXPECT_EQ(hid.Board(0).settings[22], 0x01);
  EXPECT_EQ(hid.Board(0).settings[24], 0x04);

  form.Enc(16).UserPick(3);
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(23, 0x80), SetReport(25, 0x80)}));

  form.Enc(9).UserPick(2);
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(23, 0x80), SetReport(25, 0x81)}));

  form.ModeCh1.UserPick(24);
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{SetReport(26, 25)});
  form.ModeCh1.UserPick(0);
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{SetReport(26, 1)});

  // Picking again the item already shown resends it; the same position set
  // by code sends nothing.
  form.Enc(9).UserPick(2);
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(23, 0x80), SetReport(25, 0x81)}));
  form.ModeCh1.UserPick(0);
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{SetReport(26, 1)});
  form.Enc(9).SetListIndex(2);
  form.ModeCh1.SetListIndex(0);
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{});

  // The worked example across bank 1.
  const int codes[] = {0, 1, 2, 3, 0, 0, 0, 3};
  for (int pair = 1; pair <= 8; ++pair) form.Enc(pair).UserPick(codes[pair - 1]);
  const auto sent = TakeSent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[sent.size() - 2], SetReport(22, 0x8A));
  EXPECT_EQ(sent.back(), SetReport(24, 0x8C));
  EXPECT_EQ(hid.Board(0).settings[22], 0x8A);
  EXPECT_EQ(hid.Board(0).settings[24], 0x8C);
}

TEST_F(EncodersWindow, WithoutPage16TheDefaultsAreWritten) {
  EmulatedBoard board = Board(u"S", 0xFF, 0xFF, 0xFF, 0xFF, 20);
  board.pageRotation = {0};
  hid.Attach(board);
  form.Form_Load();
  EXPECT_TRUE(form.SettingsLoaded);
  EXPECT_EQ(form.Enc(5).Text(), "OFF");
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  hid.ClearCalls();
  form.Enc(1).UserPick(1);
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(22, 0x01), SetReport(24, 0x00)}));
}

TEST_F(EncodersWindow, ShortReportLengths) {
  // 12 bytes cannot hold the pulse width at offset 12: the page is skipped.
  EmulatedBoard board = Board(u"S", 0xFF, 0xFF, 0xFF, 0xFF, 20);
  board.featureReportByteLength = 12;
  const auto id = hid.Attach(board);
  form.Form_Load();
  EXPECT_EQ(form.Enc(1).Text(), "OFF");
  EXPECT_EQ(form.ModeCh1.Text(), "48 ms");
  hid.ClearCalls();
  form.Enc(1).UserPick(3);
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(22, 0x01, 12), SetReport(24, 0x01, 12)}));

  // Too short for a set report: nothing is sent at all.
  hid.Board(id).featureReportByteLength = 2;
  form.SerNo_Click();
  hid.ClearCalls();
  form.Enc(1).UserPick(1);
  form.ModeCh1.UserPick(3);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

TEST_F(EncodersWindow, TwoBoardsAndARePick) {
  const auto first = hid.Attach(Board(u"FIRST", 0x01));
  const auto second = hid.Attach(Board(u"SECOND", 0x02));
  hid.Board(second).featureReportByteLength = 20;
  form.Form_Load();
  EXPECT_EQ(SerNoItems(), (std::vector<std::string>{"FIRST", "SECOND"}));
  EXPECT_EQ(form.SerNo.ListIndex(), 1);
  EXPECT_TRUE(form.SerNo.Enabled());
  EXPECT_EQ(form.Link().DevicePath, hid.PathOf(second));
  EXPECT_EQ(form.Enc(2).Text(), "1:1");
  EXPECT_EQ(hid.OpenHandleCount(), 2);

  form.SerNo.UserPick(0);
  EXPECT_EQ(form.Link().DevicePath, hid.PathOf(first));
  // Picking the open board again closes it and opens it afresh.
  hid.ClearCalls();
  form.SerNo.UserPick(0);
  EXPECT_EQ(hid.CallCount("CloseHandle"), 2);
  EXPECT_EQ(hid.CallCount("CreateFileA"), 2);
  EXPECT_EQ(form.Link().DevicePath, hid.PathOf(first));
  hid.ClearCalls();
  form.SerNo.SetListIndex(0);  // by code: nothing
  EXPECT_EQ(hid.CallCount("CloseHandle"), 0);
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(form.Enc(2).Text(), "OFF");
  EXPECT_EQ(form.Timer.Interval(), 250);
  EXPECT_TRUE(form.Timer.Enabled());
  EXPECT_EQ(hid.OpenHandleCount(), 2);
  // Reports now carry the first board's length and reach the first board.
  hid.ClearCalls();
  form.Enc(4).UserPick(1);
  ASSERT_EQ(hid.CallCount("HidD_SetFeature"), 2);
  EXPECT_EQ(hid.CallsOf("HidD_SetFeature")[0].bytes.size(), 64u);
  EXPECT_EQ(hid.Board(first).settings[22], 0x09);
  EXPECT_EQ(hid.Board(second).settings[22], 0x02);

  form.Timer.Tick();
  EXPECT_EQ(form.Timer.Interval(), 500);
  EXPECT_TRUE(form.DeviceDetected);

  // A board plugged in meanwhile is not listed until a re-scan.
  hid.Attach(Board(u"THIRD"));
  form.Timer.Tick();
  EXPECT_EQ(SerNoItems().size(), 2u);
}

TEST_F(EncodersWindow, LossAndReopen) {
  const auto first = hid.Attach(Board(u"FIRST", 0x01));
  const auto second = hid.Attach(Board(u"SECOND", 0x02));
  form.Form_Load();
  ASSERT_EQ(form.Link().DevicePath, hid.PathOf(second));

  hid.Detach(second);
  form.Timer.Tick();
  // Lost and, in the same tick, the remaining board listed and opened.
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(SerNoItems(), std::vector<std::string>{"FIRST"});
  EXPECT_EQ(form.Link().DevicePath, hid.PathOf(first));
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(form.Timer.Interval(), 250);
  EXPECT_EQ(hid.OpenHandleCount(), 2);

  hid.Detach(first);
  form.Timer.Tick();
  ExpectNoBoardState(form);
  EXPECT_TRUE(SerNoItems().empty());
  EXPECT_EQ(hid.OpenHandleCount(), 0);
  form.Timer.Tick();
  EXPECT_EQ(form.Timer.Interval(), 250);

  // Picks while no board is open send nothing.
  form.Enc(1).UserPick(0);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);

  hid.Reattach(first);
  form.Timer.Tick();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Enc(1).Text(), "1:1");
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

TEST_F(EncodersWindow, LongSerialStaysPresent) {
  hid.Attach(Board(u"SERIAL-NUMBER-WITH-FORTY-SEVEN-CHARACTERS-12345"));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  const HANDLE before = form.Link().DeviceHandle;
  for (int tick = 0; tick < 5; ++tick) form.Timer.Tick();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.Link().DeviceHandle, before);
  EXPECT_EQ(form.Timer.Interval(), 500);
  for (const auto& call : hid.CallsOf("HidD_GetSerialNumberString")) {
    EXPECT_EQ(call.length, 100u);
  }
}

TEST_F(EncodersWindow, FailedSecondOpenIsLostOnTheFirstTick) {
  hid.Attach(Board(u"S"));
  // The scan's open, the search's open, then the second open fails.
  hid.FailNth("CreateFileA", 3);
  form.Form_Load();
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.lblManuf.Caption(), "");  // strings come through the failed handle
  form.Timer.Tick();
  // Lost, closed and found again in the same tick.
  EXPECT_TRUE(form.DeviceDetected);
  EXPECT_NE(form.Link().OverlappedHandle, kInvalidHandleValue);
  EXPECT_EQ(form.lblManuf.Caption(), " TQ Controls");
}

TEST_F(EncodersWindow, UnloadClosesBothHandlesOnce) {
  hid.Attach(Board(u"S"));
  form.Form_Load();
  EXPECT_EQ(hid.OpenHandleCount(), 2);
  hid.ClearCalls();
  form.Form().Close();
  EXPECT_EQ(hid.CallCount("CloseHandle"), 2);
  EXPECT_FALSE(form.Timer.Enabled());
  EXPECT_FALSE(form.ScanComplete);
  // A pick arriving after unload sends nothing.
  form.Enc(1).UserPick(1);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature"), 0);
}

TEST_F(EncodersWindow, UnloadWithoutBoardClosesNothing) {
  form.Form_Load();
  hid.ClearCalls();
  form.Form().Close();
  EXPECT_EQ(hid.CallCount("CloseHandle"), 0);
}

}  // namespace
}  // namespace tq::encoders
