// What a screen reader says of each control, by the model's rules, and that
// each configuration window names every list and text by the caption
// beside it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "board/encoder_reports.h"
#include "config/frm_main.h"
#include "devlink/ui/controls.h"
#include "emulator/simulated_hid.h"
#include "encoders/frm_main.h"
#include "tests/expected_reading_order.h"

namespace tq::ui {
namespace {

struct Sample {
  Window window{"frmMain", "Sample", 4000, 3000};
  Frame frame{window, "Frame1", {120, 0, 3800, 2800}, "Device details"};
  Label caption{frame, "Label1", {240, 360, 1200, 285}, "Pulse Width "};
  ComboBox list{frame, "ModeCh1", {1500, 300, 900, 360}};
  Label other{frame, "Label2", {240, 720, 1200, 285}, "Manufacturer"};
  Label value{frame, "lblManuf", {1500, 720, 1800, 330}, " TQ Controls"};
  CheckBox check{frame, "AutoCh", {240, 1080, 2000, 300}, "Automatic detection"};
  Bar bar{frame, "barAxis1", {240, 1440, 2000, 240}, 0, 255};
  Lamp button{frame, "lampButton7", {240, 1800, 270, 270}, ""};
  Lamp check7{frame, "lampPairMark4", {600, 1800, 1200, 240}, ""};
  Timer timer{frame, "Timer", 50};
  Line line{frame, "Line1", 0, 0, 100, 0};
};

TEST(SpokenNames, ALabelNamesOneControlOfItsWindowAndIsNamedOnce) {
  Sample s;
  Window elsewhere{"frmOther", "Other", 1000, 1000};
  ComboBox foreign{elsewhere, "SerNo", {0, 0, 900, 360}};
  EXPECT_FALSE(s.caption.SetLabelFor(s.caption));
  EXPECT_FALSE(s.caption.SetLabelFor(foreign));
  EXPECT_FALSE(s.caption.SetLabelFor(s.frame));
  EXPECT_FALSE(s.caption.SetLabelFor(s.timer));
  EXPECT_FALSE(s.caption.SetLabelFor(s.line));
  EXPECT_FALSE(s.caption.SetLabelFor(s.window));
  EXPECT_EQ(s.caption.LabelFor(), nullptr);
  EXPECT_EQ(foreign.LabelledBy(), nullptr);

  ASSERT_TRUE(s.caption.SetLabelFor(s.list));
  EXPECT_EQ(s.caption.LabelFor(), &s.list);
  EXPECT_EQ(s.list.LabelledBy(), &s.caption);
  // Neither end takes a second partner: the native view says the relation
  // by one label standing before one control.
  EXPECT_FALSE(s.other.SetLabelFor(s.list));
  EXPECT_FALSE(s.caption.SetLabelFor(s.value));
  EXPECT_EQ(s.list.LabelledBy(), &s.caption);
  EXPECT_EQ(s.value.LabelledBy(), nullptr);
  EXPECT_EQ(s.other.LabelFor(), nullptr);
  // A label may name a label: the caption names the text beside it.
  EXPECT_TRUE(s.other.SetLabelFor(s.value));
}

TEST(SpokenNames, NameComesFromTheLabelThenTheGivenNameThenTheCaption) {
  Sample s;
  s.list.AddItem("OFF");
  s.list.AddItem("1:2");
  s.list.SetListIndex(0);
  // Unnamed, a list would be called by nothing but its item.
  EXPECT_EQ(SpokenName(s.list), "");
  EXPECT_EQ(SpokenState(s.list), "OFF");
  s.list.SetAccessibleName("Pulse width list");
  EXPECT_EQ(SpokenName(s.list), "Pulse width list");
  s.caption.SetLabelFor(s.list);
  EXPECT_EQ(SpokenName(s.list), "Pulse Width");
  // The caption is read as it is now.
  s.caption.SetCaption("  Width");
  EXPECT_EQ(SpokenName(s.list), "Width");
  s.list.SetListIndex(1);
  EXPECT_EQ(SpokenState(s.list), "1:2");
  s.list.Clear();
  EXPECT_EQ(SpokenState(s.list), "");

  // A label is its caption, without the spaces that pad it; named by
  // another, its caption is what it shows.
  EXPECT_EQ(SpokenName(s.value), "TQ Controls");
  EXPECT_EQ(SpokenState(s.value), "");
  s.other.SetLabelFor(s.value);
  EXPECT_EQ(SpokenName(s.value), "Manufacturer");
  EXPECT_EQ(SpokenState(s.value), "TQ Controls");
  s.value.SetCaption("   ");
  EXPECT_EQ(SpokenState(s.value), "");

  EXPECT_EQ(SpokenName(s.check), "Automatic detection");
  EXPECT_EQ(SpokenState(s.check), "not checked");
  s.check.SetValue(1);
  EXPECT_EQ(SpokenState(s.check), "checked");
}

TEST(SpokenNames, BarsAndLampsSayTheirState) {
  Sample s;
  Label x{s.frame, "lblAxis1", {240, 1440, 600, 255}, "X"};
  x.SetLabelFor(s.bar);
  s.bar.SetValue(127);
  EXPECT_EQ(SpokenName(s.bar), "X");
  EXPECT_EQ(SpokenState(s.bar), "127 of 255");
  s.bar.SetRange(-10, 10);
  EXPECT_EQ(SpokenState(s.bar), "10 in -10 to 10");
  s.bar.SetValue(-5);
  EXPECT_EQ(SpokenState(s.bar), "-5 in -10 to 10");

  s.button.SetAccessibleName("Button 7");
  EXPECT_EQ(SpokenState(s.button), "off");
  s.button.SetStateWords("pressed", "released");
  EXPECT_EQ(SpokenName(s.button), "Button 7");
  EXPECT_EQ(SpokenState(s.button), "released");
  s.button.SetLit(true);
  EXPECT_EQ(SpokenState(s.button), "pressed");
  // A lamp with words of its own says them, never a caption that only
  // marks it.
  s.button.SetCaption("o");
  s.button.SetStateWords("pressed", "released, seen");
  s.button.SetLit(false);
  EXPECT_EQ(SpokenState(s.button), "released, seen");

  // A lamp whose caption is its name says its state in words; one named
  // otherwise says its caption, the words of a pair's check.
  Lamp captioned{s.frame, "lampCaptioned", {0, 0, 270, 270}, "7"};
  captioned.SetLit(true);
  EXPECT_EQ(SpokenName(captioned), "7");
  EXPECT_EQ(SpokenState(captioned), "on");
  s.check7.SetAccessibleName("Check 7-8");
  s.check7.SetCaption("OK");
  EXPECT_EQ(SpokenName(s.check7), "Check 7-8");
  EXPECT_EQ(SpokenState(s.check7), "OK");
  s.check7.SetCaption("");
  EXPECT_EQ(SpokenState(s.check7), "off");
}

// Every list, text and indicator of a window has a name, none of them a
// list's shown item, and no two the same.
void ExpectEveryControlNamed(const Window& window) {
  std::set<std::string> names;
  for (const Control* control : window.AllControls()) {
    const Kind kind = control->GetKind();
    if (kind != Kind::ComboBox && kind != Kind::Bar && kind != Kind::Lamp &&
        kind != Kind::CheckBox && control->LabelledBy() == nullptr) {
      continue;
    }
    const std::string name = SpokenName(*control);
    EXPECT_FALSE(name.empty()) << control->Name();
    EXPECT_TRUE(names.insert(name).second) << control->Name() << " is called " << name;
  }
}

// Each caption both views name a control by (expected_reading_order.h)
// names it in the model, and the model says its words.
void ExpectNamings(const Window& window, const std::vector<testing::Naming>& namings) {
  for (const testing::Naming& naming : namings) {
    const Control& control = testing::ControlNamed(window, naming.control);
    EXPECT_EQ(SpokenName(control), naming.spoken) << naming.control;
    const Label* label = control.LabelledBy();
    EXPECT_EQ(label ? label->Name() : "(none)", naming.label) << naming.control;
  }
}

TEST(SpokenNames, EncoderWindowNamesEachListByTheCaptionBesideIt) {
  emu::SimulatedHid hid;
  encoders::frmMain form(hid);
  for (int pair = 1; pair <= encoders::kPairCount; ++pair) {
    EXPECT_EQ(SpokenName(form.Enc(pair)), encoders::PairInputs(pair)) << pair;
    EXPECT_EQ(form.Enc(pair).LabelledBy(), &form.PairLabel(pair));
  }
  ExpectNamings(form.Form(), testing::EncoderNamings());
  // The serial list lies over the empty text of the serial number: the
  // caption names the list, which is what the owner picks from.
  EXPECT_EQ(form.lblSerialNumber.LabelledBy(), nullptr);
  ExpectEveryControlNamed(form.Form());
}

TEST(SpokenNames, ConfigurationWindowNamesEachModeListByItsInput) {
  emu::SimulatedHid hid;
  config::frmMain form(hid);
  ExpectNamings(form.Form(), testing::ConfigurationNamings());
  EXPECT_EQ(SpokenName(form.InvertCh(7)), "Invert 7 (Dial)");
  ExpectEveryControlNamed(form.Form());
}

}  // namespace
}  // namespace tq::ui
