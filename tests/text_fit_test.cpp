// Widening a layout for texts that need more room than designed: what moves,
// what grows, and that nothing moves when every text fits.
#include "devlink/ui/text_fit.h"

#include <gtest/gtest.h>

#include <map>

namespace tq::ui {
namespace {

// Two frames side by side over one across the bottom, like the programs'
// windows: a column of lists with captions beside it, a rule under both.
struct Sample {
  Window window{"frmMain", "Sample", 600, 400};
  Frame left{window, "Frame2", {10, 0, 300, 300}, "Left"};
  ComboBox list1{left, "List1", {10, 20, 100, 20}};
  ComboBox list2{left, "List2", {10, 50, 100, 20}};
  Label caption1{left, "Label1", {120, 20, 170, 20}, "One"};
  Label caption2{left, "Label2", {120, 50, 170, 20}, "Two"};
  Label under{left, "lblUnder", {50, 80, 200, 20}};  // starts inside the list column
  Line rule{left, "Line1", 10, 100, 290, 100};
  Frame right{window, "Frame3", {320, 0, 270, 300}, "Right"};
  Label inRight{right, "Label3", {10, 20, 100, 20}, "Three"};
  Frame bottom{window, "Frame4", {10, 310, 580, 80}, "Bottom"};
  Timer timer{bottom, "Timer", 50};

  std::map<const Control*, int> needs;

  FittedLayout Fit(int titleNeeded = 0) {
    return FitText(
        window,
        [](const Control& c) {
          const TwipsRect r = c.Position();
          return PixelRect{r.left, r.top, r.width, r.height};
        },
        [this](const Control& c) {
          const auto it = needs.find(&c);
          return it == needs.end() ? 0 : it->second;
        },
        titleNeeded);
  }
};

TEST(TextFit, NothingMovesWhenEveryTextFits) {
  Sample s;
  s.needs[&s.list1] = 100;  // exactly its width
  s.needs[&s.caption1] = 30;
  s.needs[&s.window] = 9999;  // the window's own need is the caption's, given apart
  const FittedLayout fitted = s.Fit(600);
  EXPECT_EQ(fitted.clientWidth, 600);
  EXPECT_EQ(fitted.clientHeight, 400);
  for (const Control* control : s.window.AllControls()) {
    if (control->GetKind() == Kind::Timer) continue;
    const TwipsRect r = control->Position();
    EXPECT_EQ(fitted.rects.at(control), (PixelRect{r.left, r.top, r.width, r.height}))
        << control->Name();
  }
}

TEST(TextFit, AGrowingColumnPushesWhatLiesRightOfItOnce) {
  Sample s;
  s.needs[&s.list1] = 120;  // 20 more
  s.needs[&s.list2] = 130;  // 30 more: the column grows by its widest
  s.needs[&s.inRight] = 90;  // fits
  const FittedLayout fitted = s.Fit();
  const auto at = [&](const Control& c) { return fitted.rects.at(&c); };
  // The lists keep their place and grow each by what it needs.
  EXPECT_EQ(at(s.list1), (PixelRect{10, 20, 120, 20}));
  EXPECT_EQ(at(s.list2), (PixelRect{10, 50, 130, 20}));
  // The captions beside them move by the column's growth, once.
  EXPECT_EQ(at(s.caption1), (PixelRect{150, 20, 170, 20}));
  EXPECT_EQ(at(s.caption2), (PixelRect{150, 50, 170, 20}));
  // A control that starts inside the column stays; the rule stretches with
  // its frame.
  EXPECT_EQ(at(s.under), (PixelRect{50, 80, 200, 20}));
  EXPECT_EQ(at(s.rule), (PixelRect{10, 100, 310, 0}));
  // The frame grows by as much, the frame beside it moves, the frames on
  // the right edge keep it, and the window grows with them.
  EXPECT_EQ(at(s.left), (PixelRect{10, 0, 330, 300}));
  EXPECT_EQ(at(s.right), (PixelRect{350, 0, 270, 300}));
  EXPECT_EQ(at(s.bottom), (PixelRect{10, 310, 610, 80}));
  EXPECT_EQ(fitted.clientWidth, 630);
  EXPECT_EQ(fitted.clientHeight, 400);
  EXPECT_EQ(fitted.rects.count(&s.timer), 0u);

  // A caption that needs more than the rest pushes the window further.
  s.needs[&s.inRight] = 150;
  const FittedLayout wider = s.Fit();
  EXPECT_EQ(wider.rects.at(&s.inRight), (PixelRect{10, 20, 150, 20}));
  EXPECT_EQ(wider.rects.at(&s.right), (PixelRect{350, 0, 320, 300}));
  EXPECT_EQ(wider.clientWidth, 680);
}

TEST(TextFit, TheWindowsCaptionWidensTheWindowAndTheFramesAlongItsEdge) {
  Sample s;
  const FittedLayout fitted = s.Fit(700);
  EXPECT_EQ(fitted.clientWidth, 700);
  EXPECT_EQ(fitted.rects.at(&s.left), (PixelRect{10, 0, 300, 300}));
  EXPECT_EQ(fitted.rects.at(&s.right), (PixelRect{320, 0, 370, 300}));
  EXPECT_EQ(fitted.rects.at(&s.bottom), (PixelRect{10, 310, 680, 80}));
  EXPECT_EQ(fitted.rects.at(&s.caption1), (PixelRect{120, 20, 170, 20}));
  // Within a frame the caption widened, a rule stretches with it.
  s.needs[&s.caption1] = 80;
  s.needs[&s.left] = 400;
  const FittedLayout framed = s.Fit();
  EXPECT_EQ(framed.rects.at(&s.left), (PixelRect{10, 0, 400, 300}));
  EXPECT_EQ(framed.rects.at(&s.rule), (PixelRect{10, 100, 380, 0}));
  EXPECT_EQ(framed.rects.at(&s.caption1), (PixelRect{120, 20, 170, 20}));
}

}  // namespace
}  // namespace tq::ui
