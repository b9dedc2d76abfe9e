// What both views record of their texts' widths: each text measured once,
// a list's new items only, needs that only grow, and a relayout only when a
// need outgrows the room the layout gives.
#include "devlink/ui/text_needs.h"

#include <gtest/gtest.h>

#include <string>

namespace tq::ui {
namespace {

struct Counted {
  int calls = 0;
  // Ten pixels a character.
  TextNeeds::Measure measure = [this](const std::string& text) {
    ++calls;
    return static_cast<int>(10 * text.size());
  };
};

TEST(TextNeeds, EachTextIsMeasuredOncePerFontAndAListsNewItemsOnly) {
  Window window{"frmMain", "Sample", 600, 400};
  ComboBox list{window, "List1", {10, 20, 100, 20}};
  TextNeeds needs;
  Counted counted;

  EXPECT_EQ(needs.TextWidth("1:4", counted.measure), 30);
  EXPECT_EQ(needs.TextWidth("1:4", counted.measure), 30);
  EXPECT_EQ(counted.calls, 1);

  list.AddItem("OFF");
  list.AddItem("1:4");
  EXPECT_EQ(needs.WidestNewItem(list, counted.measure), 30);
  EXPECT_EQ(counted.calls, 2);  // "1:4" was known
  EXPECT_EQ(needs.WidestNewItem(list, counted.measure), 0);
  list.AddItem("56 ms");
  EXPECT_EQ(needs.WidestNewItem(list, counted.measure), 50);
  // Cleared and refilled with fewer items: measured afresh.
  list.Clear();
  list.AddItem("OFF");
  EXPECT_EQ(needs.WidestNewItem(list, counted.measure), 30);

  // A new font forgets every width.
  needs.Clear();
  const int before = counted.calls;
  EXPECT_EQ(needs.TextWidth("OFF", counted.measure), 30);
  EXPECT_EQ(counted.calls, before + 1);
}

TEST(TextNeeds, TheTextsKeptAreBounded) {
  TextNeeds needs;
  Counted counted;
  for (std::size_t i = 0; i < TextNeeds::kKeptTexts; ++i) {
    needs.TextWidth(std::to_string(i), counted.measure);
  }
  needs.TextWidth("0", counted.measure);
  EXPECT_EQ(counted.calls, 4096);  // still kept
  needs.TextWidth("one more", counted.measure);
  needs.TextWidth("0", counted.measure);
  EXPECT_EQ(counted.calls, 4098);  // forgotten past the bound, measured again
}

TEST(TextNeeds, ANeedOnlyGrowsAndCallsForALayoutOnlyPastItsRoom) {
  Window window{"frmMain", "Sample", 600, 400};
  Label caption{window, "Label1", {10, 20, 100, 20}, "One"};
  TextNeeds needs;
  const auto designed = [](const Control& c) {
    return DesignedRect(c, [](int twips) { return twips / 2; });
  };
  needs.Set(caption, 40);
  FittedLayout layout = needs.Fit(window, designed);
  EXPECT_EQ(layout.clientWidth, 300);
  EXPECT_EQ(layout.rects.at(&caption), (PixelRect{5, 10, 50, 10}));

  EXPECT_FALSE(needs.Grow(caption, 30, layout));  // less than recorded
  EXPECT_FALSE(needs.Grow(caption, 50, layout));  // more, but it fits
  EXPECT_TRUE(needs.Grow(caption, 80, layout));
  layout = needs.Fit(window, designed);
  EXPECT_EQ(layout.rects.at(&caption), (PixelRect{5, 10, 80, 10}));
  // Shorter text later keeps the room it was given.
  EXPECT_FALSE(needs.Grow(caption, 20, layout));
  EXPECT_EQ(needs.Fit(window, designed).rects.at(&caption).width, 80);

  // The window grew with the caption's 30 pixels; its own need is its
  // title's, against that client width.
  EXPECT_EQ(layout.clientWidth, 330);
  EXPECT_FALSE(needs.Grow(window, 330, layout));
  EXPECT_TRUE(needs.Grow(window, 331, layout));
  EXPECT_EQ(needs.Fit(window, designed).clientWidth, 331);
}

TEST(TextNeeds, LinesAreDrawnAsRulesAndTheWindowFromTheOrigin) {
  Window window{"frmMain", "Sample", 600, 400};
  Line level{window, "Line1", 100, 60, 20, 60};
  Line upright{window, "Line2", 40, 10, 40, 90};
  Line slanted{window, "Line3", 80, 10, 20, 50};
  const auto half = [](int twips) { return twips / 2; };
  EXPECT_EQ(DesignedRect(window, half), (PixelRect{0, 0, 300, 200}));
  // From its end points, whichever way round they are given.
  EXPECT_EQ(DesignedRect(level, half), (PixelRect{10, 30, 40, 0}));
  EXPECT_EQ(DesignedRect(slanted, half), (PixelRect{10, 5, 30, 20}));

  EXPECT_EQ(DrawnRect(level, {10, 30, 40, 0}), (PixelRect{10, 29, 40, 2}));
  EXPECT_EQ(DrawnRect(level, {10, 30, 0, 0}), (PixelRect{10, 29, 1, 2}));
  EXPECT_EQ(DrawnRect(upright, {20, 5, 0, 40}), (PixelRect{19, 5, 2, 40}));
  EXPECT_EQ(DrawnRect(slanted, {10, 5, 30, 20}), (PixelRect{10, 5, 31, 21}));
  EXPECT_EQ(DrawnRect(window, {1, 2, 3, 4}), (PixelRect{1, 2, 3, 4}));
}

}  // namespace
}  // namespace tq::ui
