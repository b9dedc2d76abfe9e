// What the Qt view tells a screen reader through Qt's accessibility layer
// (the same interfaces the bus bridge reads): which label names which
// control, each label's caption as its name and text, the bars' and lamps'
// names and states. What it tells a listening reader of a change, the
// screen reader check hears over the bus (screen_reader_check.py): the
// offscreen platform these tests run on has no reader to listen.
#include "devlink/ui/qt/qt_view.h"
#include "devlink/ui/qt/text_label.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QWidget>
#include <vector>

namespace tq::ui {
namespace {

struct Speaking {
  Window window{"frmMain", "Speaking", 5000, 3000};
  Frame frame{window, "Frame1", {120, 0, 4800, 2800}, "Device details"};
  Label pairCaption{frame, "Label6", {240, 300, 600, 285}, "1-2"};
  ComboBox list{frame, "Enc1", {900, 240, 1095, 375}};
  Label maker{frame, "Label4", {240, 720, 1200, 285}, "Manufacturer"};
  Label makerValue{frame, "lblManuf", {1500, 720, 1800, 330}, " TQ Controls"};
  Label status{frame, "lblStatus", {240, 1080, 3000, 285}, " 12 input reports"};
  Label axis{frame, "lblAxis1", {240, 1440, 600, 255}, "X"};
  Bar bar{frame, "barAxis1", {900, 1440, 2400, 240}, 0, 255};
  Lamp button{frame, "lampButton7", {240, 1800, 270, 270}, ""};
  Lamp check{frame, "lampPairMark1", {600, 1800, 1680, 240}, ""};
  CheckBox invert{frame, "Invert1", {240, 2160, 2000, 300}, "Invert 1 (X)"};

  Speaking() {
    for (const char* item : {"OFF", "1:1", "1:2", "1:4"}) list.AddItem(item);
    list.SetListIndex(0);
    pairCaption.SetLabelFor(list);
    maker.SetLabelFor(makerValue);
    axis.SetLabelFor(bar);
    bar.SetValue(127);
    button.SetAccessibleName("Button 7");
    button.SetStateWords("pressed", "released");
    check.SetAccessibleName("Check 1-2");
    check.SetCaption("OK");
  }
};

QAccessibleInterface* Reader(const QtView& view, const Control& control) {
  return QAccessible::queryAccessibleInterface(view.WidgetOf(control));
}

std::vector<QAccessibleInterface*> Labels(QAccessibleInterface* reader, QAccessible::Relation which) {
  std::vector<QAccessibleInterface*> found;
  for (const auto& [other, relation] : reader->relations(which)) found.push_back(other);
  return found;
}

QString TextOf(QAccessibleInterface* reader) {
  QAccessibleTextInterface* text = reader->textInterface();
  return text ? text->text(0, text->characterCount()) : QStringLiteral("<no text>");
}

// A reader says "1-2, combo box, OFF": the list's own caption first among
// its labels (the frame's title names all it holds, after it), and the
// caption knows what it names.
TEST(QtAccessibility, EachLabelNamesItsControlFirst) {
  Speaking s;
  QtView view(s.window);
  const std::vector<std::pair<const Control*, const Control*>> named{
      {&s.pairCaption, &s.list}, {&s.maker, &s.makerValue}, {&s.axis, &s.bar}};
  for (const auto& [label, control] : named) {
    QAccessibleInterface* controlReader = Reader(view, *control);
    QAccessibleInterface* labelReader = Reader(view, *label);
    ASSERT_NE(controlReader, nullptr) << control->Name();
    const std::vector<QAccessibleInterface*> labels = Labels(controlReader, QAccessible::Label);
    ASSERT_FALSE(labels.empty()) << control->Name();
    EXPECT_EQ(labels.front(), labelReader) << control->Name();
    EXPECT_EQ(labels.front()->text(QAccessible::Name), QString::fromStdString(label->Caption()));
    EXPECT_EQ(labels.back()->text(QAccessible::Name), "Device details") << control->Name();
    const std::vector<QAccessibleInterface*> labelled = Labels(labelReader, QAccessible::Labelled);
    EXPECT_EQ(labelled, std::vector<QAccessibleInterface*>{controlReader}) << label->Name();
  }
  QAccessibleInterface* list = Reader(view, s.list);
  EXPECT_EQ(list->role(), QAccessible::ComboBox);
  EXPECT_EQ(list->text(QAccessible::Value), "OFF");
  // A label that names nothing says so.
  EXPECT_TRUE(Labels(Reader(view, s.status), QAccessible::Labelled).empty());
}

// Inside a frame Qt names a plain widget by the frame's title; every label
// reads its own caption instead, as its name and as its text, whether or
// not it names a control, and tells a listening reader of a new one.
TEST(QtAccessibility, LabelsReadTheirCaptionsNotTheirFrames) {
  Speaking s;
  QtView view(s.window);
  for (const Label* label : {&s.pairCaption, &s.maker, &s.makerValue, &s.status, &s.axis}) {
    QAccessibleInterface* reader = Reader(view, *label);
    const QString caption = QString::fromStdString(label->Caption());
    EXPECT_EQ(reader->role(), QAccessible::StaticText) << label->Name();
    EXPECT_EQ(reader->text(QAccessible::Name), caption.trimmed()) << label->Name();
    EXPECT_EQ(TextOf(reader), caption) << label->Name();
  }
  EXPECT_EQ(TextOf(Reader(view, s.makerValue)), " TQ Controls");
  s.status.SetCaption(" 13 input reports");
  EXPECT_EQ(Reader(view, s.status)->text(QAccessible::Name), "13 input reports");
  EXPECT_EQ(TextOf(Reader(view, s.status)), " 13 input reports");
  // A naming caption with an ampersand shows it once and reads it once.
  s.maker.SetCaption("Maker & model");
  auto* maker = dynamic_cast<BuddyLabel*>(view.WidgetOf(s.maker));
  ASSERT_NE(maker, nullptr);
  EXPECT_EQ(maker->caption(), "Maker & model");
  EXPECT_EQ(Reader(view, s.maker)->text(QAccessible::Name), "Maker & model");
  EXPECT_EQ(QAccessible::queryAccessibleInterface(view.Widget())->role(), QAccessible::Window);
  EXPECT_EQ(QAccessible::queryAccessibleInterface(view.Widget())->text(QAccessible::Name), "Speaking");
}

// "X, 127 of 255"; "Button 7, pressed"; a pair's check says its words.
TEST(QtAccessibility, BarsAndLampsReadAsWhatTheyAreWithTheirState) {
  Speaking s;
  QtView view(s.window);
  QAccessibleInterface* bar = Reader(view, s.bar);
  EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
  EXPECT_EQ(bar->text(QAccessible::Name), "X");
  EXPECT_EQ(bar->text(QAccessible::Description), "127 of 255");
  ASSERT_NE(bar->valueInterface(), nullptr);
  EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 127);
  EXPECT_EQ(bar->valueInterface()->minimumValue().toInt(), 0);
  EXPECT_EQ(bar->valueInterface()->maximumValue().toInt(), 255);
  s.bar.SetValue(300);  // kept in range
  EXPECT_EQ(bar->text(QAccessible::Description), "255 of 255");

  QAccessibleInterface* lamp = Reader(view, s.button);
  EXPECT_EQ(lamp->role(), QAccessible::StaticText);
  EXPECT_EQ(lamp->text(QAccessible::Name), "Button 7");
  EXPECT_EQ(lamp->text(QAccessible::Description), "released");
  s.button.SetLit(true);
  EXPECT_EQ(lamp->text(QAccessible::Description), "pressed");

  QAccessibleInterface* check = Reader(view, s.check);
  EXPECT_EQ(check->text(QAccessible::Name), "Check 1-2");
  EXPECT_EQ(check->text(QAccessible::Description), "OK");
  s.check.SetCaption("fast: 3 ms");
  EXPECT_EQ(check->text(QAccessible::Description), "fast: 3 ms");
  EXPECT_EQ(Reader(view, s.invert)->text(QAccessible::Name), "Invert 1 (X)");
}

// A label that names a control is one of Qt's own (that is how Qt tells of
// the relation); it must draw exactly as the view's own label does.
TEST(QtAccessibility, ANamingLabelDrawsAsAnyOtherLabel) {
  QWidget window;
  window.setFont(QFont("Arial", 10));
  auto* named = new BuddyLabel(&window);
  auto* plain = new TextLabel(&window);
  auto* target = new QComboBox(&window);
  named->setBuddy(target);
  for (QWidget* label : {static_cast<QWidget*>(named), static_cast<QWidget*>(plain)}) {
    label->setGeometry(0, 0, 120, 60);
  }
  for (const char* caption : {"Pulse Width", "A caption long enough to wrap at a word", "R&D 1-2"}) {
    named->setCaption(caption);
    plain->setText(caption);
    for (const bool enabled : {true, false}) {
      named->setEnabled(enabled);
      plain->setEnabled(enabled);
      EXPECT_EQ(named->grab().toImage(), plain->grab().toImage()) << caption << " enabled " << enabled;
    }
  }
}

}  // namespace
}  // namespace tq::ui
