// The configuration utility's window against emulated boards: what it
// shows and enables, every report it sends (the read-back's own echoes
// included), and that each handle it opens is closed exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/frm_main.h"
#include "emulator/simulated_hid.h"
#include "tests/fault_sweep.h"
#include "tests/sent_reports.h"

namespace tq::config {
namespace {

using emu::EmulatedBoard;
using emu::SimulatedHid;
using tq::testing::Bytes;
using tq::testing::SetReport;

// An analog board with every setting at rest.
EmulatedBoard Board(std::u16string serial = u"00007", std::uint16_t version = 0x0111) {
  EmulatedBoard board = emu::MakeTQ5271(std::move(serial));
  board.productId = 0x0501;
  board.versionNumber = version;
  board.settings.fill(0);
  return board;
}

class ConfigWindow : public ::testing::Test {
 protected:
  void TearDown() override {
    form.Form().Close();
    tq::testing::ExpectHandlesBalanced(hid);
  }

  std::vector<Bytes> TakeSent() { return tq::testing::TakeSent(hid); }

  std::vector<ui::Control*> EnabledControls() {
    std::vector<ui::Control*> enabled;
    for (ui::Control* control : form.Form().AllControls()) {
      if (control->Enabled() && control->Parent() != &form.Frame1) enabled.push_back(control);
    }
    return enabled;
  }

  SimulatedHid hid;
  frmMain form{hid};
};

TEST_F(ConfigWindow, LayoutBeforeLoad) {
  EXPECT_EQ(form.Form().Caption(), "TQ5271 configuration");
  EXPECT_EQ(form.Form().ClientWidth(), 5420);
  EXPECT_EQ(form.Form().ClientHeight(), 7470);
  EXPECT_EQ(form.InputLabel(6).Name(), "Label11");
  EXPECT_EQ(form.InputLabel(8).Caption(), "Input 8 (Slider)");
  EXPECT_EQ(form.InvertCh(7).Caption(), "Invert 7 (Dial)");
  EXPECT_EQ(form.ModeCh(8).Position().top, 360 + 480 * 7);
  EXPECT_EQ(form.ModeCh(8).Position().left, 1560);
  EXPECT_EQ(form.lblSerialNumber.Position().top, 1440);
  EXPECT_EQ(form.lblSerialNumber.BackColor(), ui::SystemColor::WindowBackground);
  EXPECT_EQ(form.ModeCh(7).Hint(),
            "This input MUST not be connected if any other input uses ZOOM mode");
  EXPECT_EQ(form.AutoCh.Hint(), "Please unplug the controller to activate this setting.");
  EXPECT_EQ(form.ModeCh(1).ListCount(), 0);
  // Only the details captions and values start enabled; each list lies
  // above its caption.
  EXPECT_EQ(EnabledControls(), std::vector<ui::Control*>{});
  EXPECT_TRUE(form.Label3.Enabled() && form.lblManuf.Enabled());
  const auto& rows = form.Frame2.Children();
  EXPECT_LT(std::find(rows.begin(), rows.end(), &form.InputLabel(8)),
            std::find(rows.begin(), rows.end(), &form.ModeCh(8)));
  EXPECT_EQ(form.Form().AllControls().size(), 4u + 8u + 24u + 1u);
}

TEST_F(ConfigWindow, WithoutBoardNothingIsEnabledOrSent) {
  EmulatedBoard encodersOnly = Board();
  encodersOnly.productId = 0x0520;  // a board of the encoder utility's table only
  hid.Attach(encodersOnly);
  form.Form_Load();
  EXPECT_TRUE(form.Form().Shown());
  EXPECT_FALSE(form.DeviceDetected);
  EXPECT_EQ(form.ModeCh(1).Items(), (std::vector<std::string>{"Normal", "Zoom"}));
  EXPECT_EQ(form.ModeCh(7).Items(), std::vector<std::string>{"Normal"});
  EXPECT_EQ(form.ModeCh(3).Text(), "Normal");
  EXPECT_FALSE(form.Frame1.Enabled());
  EXPECT_EQ(EnabledControls(), std::vector<ui::Control*>{});
  for (ui::Label* value : {&form.lblManuf, &form.lblProduct, &form.lblVersion,
                           &form.lblSerialNumber}) {
    EXPECT_EQ(value->Caption(), "");
  }
  form.InvertCh(1).UserToggle();
  form.AutoCh.UserToggle();
  form.ModeCh(2).UserPick(1);
  EXPECT_EQ(hid.CallCount("HidD_SetFeature") + hid.CallCount("HidD_GetFeature"), 0);
  EXPECT_EQ(hid.HandlesOpened(), 1);  // the rejected board, closed at once
  form.Form().Close();
  EXPECT_EQ(hid.CallCount("CloseHandle"), 1);
}

TEST_F(ConfigWindow, OpensTheFirstBoardOfItsTableAndClosesItOnce) {
  EmulatedBoard foreign = Board(u"F");
  foreign.vendorId = 0x046D;
  hid.Attach(foreign);
  hid.Attach(Board(u"FIRST"));
  hid.Attach(Board(u"SECOND"));
  form.Form_Load();
  ASSERT_TRUE(form.DeviceDetected);
  EXPECT_EQ(form.lblSerialNumber.Caption(), " FIRST");
  EXPECT_EQ(form.lblManuf.Caption(), " TQ Controls");
  EXPECT_EQ(form.Link().DevicePath, hid.PathOf(1));
  const auto& calls = hid.Calls();
  EXPECT_EQ(calls.front().op, "HidD_GetHidGuid");  // fetched by the search itself
  EXPECT_EQ(hid.CallCount("HidD_GetIndexedString"), 0);
  EXPECT_EQ(hid.CallsOf("CreateFileA").front().access, kGenericRead | kGenericWrite);
  EXPECT_EQ(hid.CallCount("HidD_GetFeature"), 16);

  const HANDLE device = form.Link().DeviceHandle;
  const HANDLE overlapped = form.Link().OverlappedHandle;
  hid.ClearCalls();
  form.Form().Close();
  form.Form().Close();
  const auto closes = hid.CallsOf("CloseHandle");
  ASSERT_EQ(closes.size(), 2u);
  EXPECT_EQ(closes[0].handle, device);
  EXPECT_EQ(closes[1].handle, overlapped);
}

TEST_F(ConfigWindow, ReadBackSendsBackWhatItSets) {
  EmulatedBoard board = Board();
  board.settings[11] = 0x03;
  board.settings[12] = 0x01;
  board.settings[14] = 198;
  board.settings[18] = 198;
  board.pageRotation = {0, 16};
  const auto stored = board.settings;
  hid.Attach(board);
  hid.FailNth("HidD_GetFeature", 1);  // skipped; the next reads go on
  form.Form_Load();
  // Each box that changes sends the mask as the boxes stand; unchanged
  // controls and the second round of pages send nothing.
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(11, 0x01), SetReport(11, 0x03), SetReport(12, 1),
                                            SetReport(14, 198), SetReport(18, 198)}));
  EXPECT_EQ(hid.Board(0).settings, stored);
  EXPECT_EQ(form.InvertCh(2).Value(), 1);
  EXPECT_EQ(form.InvertCh(3).Value(), 0);
  EXPECT_EQ(form.ModeCh(5).Text(), "Zoom");
  EXPECT_EQ(form.ModeCh(6).Text(), "Normal");
}

TEST_F(ConfigWindow, ReleaseDecidesWhatIsEnabled) {
  struct Case {
    std::uint16_t version;
    const char* caption;
    bool autoDetect, modes, invert;
  };
  for (const Case& c : {Case{0x0106, " 1.6", false, false, false},
                        Case{0x0107, " 1.7", true, false, false},
                        Case{0x0110, " 1.10", true, true, false},
                        Case{0x0111, " 1.11", true, true, true},
                        Case{0x0205, " 2.5", false, false, false},
                        Case{0x8105, " -127.5", false, false, false}}) {
    SCOPED_TRACE(c.caption);
    SimulatedHid local;
    local.Attach(Board(u"V", c.version));
    frmMain window(local);
    window.Form_Load();
    EXPECT_EQ(window.lblVersion.Caption(), c.caption);
    EXPECT_TRUE(window.Frame1.Enabled() && window.Frame4.Enabled());
    EXPECT_EQ(window.AutoCh.Enabled(), c.autoDetect);
    EXPECT_EQ(window.Frame2.Enabled(), c.modes);
    EXPECT_EQ(window.Frame3.Enabled(), c.invert);
    for (int input = 1; input <= kInputCount; ++input) {
      EXPECT_EQ(window.ModeCh(input).Enabled(), c.modes && input != 7) << input;
      EXPECT_EQ(window.InputLabel(input).Enabled(), c.modes && input != 7) << input;
      EXPECT_EQ(window.InvertCh(input).Enabled(), c.invert) << input;
    }
    window.Form().Close();
  }
  // Without the manufacturer string there is no version to go by.
  SimulatedHid local;
  EmulatedBoard anonymous = Board(u"A", 0x0111);
  anonymous.manufacturer.reset();
  local.Attach(anonymous);
  frmMain window(local);
  window.Form_Load();
  EXPECT_EQ(window.lblVersion.Caption(), "");
  EXPECT_EQ(window.lblProduct.Caption(), " TQ5271 Joystick Interface");
  EXPECT_FALSE(window.AutoCh.Enabled() || window.Frame2.Enabled() || window.Frame3.Enabled());
  window.Form().Close();
}

TEST_F(ConfigWindow, EachChangeSendsOneReport) {
  hid.Attach(Board());
  form.Form_Load();
  ASSERT_EQ(TakeSent(), std::vector<Bytes>{});
  form.InvertCh(1).UserToggle();
  hid.ClearCalls();
  form.InvertCh(3).UserToggle();
  form.InvertCh(1).UserToggle();
  form.ModeCh(5).UserPick(1);
  form.ModeCh(8).UserPick(1);
  form.ModeCh(8).UserPick(0);
  form.ModeCh(8).SetListIndex(0);  // by code, the position it has: nothing sent
  form.ModeCh(8).UserPick(0);      // the user picks it again: sent again
  form.AutoCh.UserToggle();
  form.AutoCh.UserToggle();
  // Even enabled, input 7's list has nothing to send.
  EXPECT_FALSE(form.ModeCh(7).Click);
  form.ModeCh(7).SetEnabled(true);
  form.ModeCh(7).UserPick(-1);
  form.ModeCh(7).UserPick(0);
  EXPECT_EQ(TakeSent(), (std::vector<Bytes>{SetReport(11, 0x05), SetReport(11, 0x04), SetReport(18, 198),
                                            SetReport(21, 198), SetReport(21, 0), SetReport(21, 0),
                                            SetReport(12, 1),
                                            SetReport(12, 0)}));
  // The flag alone guards every write.
  form.DeviceDetected = false;
  form.InvertCh(2).UserToggle();
  form.AutoCh.UserToggle();
  form.ModeCh(4).UserPick(1);
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{});
  form.DeviceDetected = true;
  // Unplugged: the window takes the change, the report fails unseen.
  hid.Detach(0);
  form.ModeCh(1).UserPick(1);
  EXPECT_EQ(form.ModeCh(1).Text(), "Zoom");
  const auto sent = hid.CallsOf("HidD_SetFeature");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes, SetReport(14, 198));
  EXPECT_EQ(sent[0].result, 0);
}

TEST_F(ConfigWindow, ShortReportsAndUnknownModeBytes) {
  for (int length : {0, 1, 2, 3, 17, 18}) {
    SCOPED_TRACE(length);
    SimulatedHid local;
    EmulatedBoard board = Board();
    board.featureReportByteLength = static_cast<std::uint16_t>(length);
    board.settings[11] = 0xFF;
    board.settings[14] = 198;
    local.Attach(board);
    frmMain window(local);
    window.Form_Load();
    ASSERT_TRUE(window.DeviceDetected);
    EXPECT_EQ(window.InvertCh(8).Value(), length >= 18 ? 1 : 0);
    EXPECT_EQ(window.ModeCh(1).ListIndex(), length >= 18 ? 1 : 0);
    window.AutoCh.UserToggle();
    for (const auto& call : local.CallsOf("HidD_SetFeature")) {
      EXPECT_GE(length, 3);
      EXPECT_EQ(call.bytes.size(), static_cast<std::size_t>(length));
    }
    EXPECT_EQ(local.Board(0).settings[12], length >= 3 ? 1 : 0);
    window.Form().Close();
  }

  EmulatedBoard board = Board();
  board.settings[16] = 0x01;  // input 3: neither mode
  board.settings[20] = 198;   // input 7: no "Zoom" to show
  board.settings[21] = 198;   // input 8, read after both
  hid.Attach(board);
  form.Form_Load();
  EXPECT_EQ(form.ModeCh(3).Text(), "Normal");
  EXPECT_EQ(form.ModeCh(7).Text(), "Normal");
  EXPECT_EQ(form.ModeCh(8).Text(), "Zoom");
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{SetReport(21, 198)});
  // A list showing "Zoom" keeps it when the board holds a byte it cannot show.
  form.ModeCh(3).UserPick(1);
  hid.Board(0).settings[16] = 0x01;
  hid.ClearCalls();
  form.ReadSettings();
  EXPECT_EQ(form.ModeCh(3).Text(), "Zoom");
  EXPECT_EQ(TakeSent(), std::vector<Bytes>{});
}

}  // namespace
}  // namespace tq::config
