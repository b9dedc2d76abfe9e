// The bar's and the lamp's rules in the model: what a bar holds and fills,
// and that a view hears of a change only when something changed.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "devlink/ui/controls.h"

namespace tq::ui {
namespace {

class Recorder final : public ViewObserver {
 public:
  std::vector<std::pair<std::string, Change>> heard;
  void OnChanged(Control& control, Change change) override { heard.emplace_back(control.Name(), change); }
  void OnTickRequested(Timer&) override {}
};

struct Sample {
  Window window{"frmMain", "Sample", 3000, 1500};
  Bar bar{window, "barX", {0, 0, 1500, 300}, 0, 127};
  Lamp lamp{window, "Button5", {0, 400, 300, 300}, "5"};
  Recorder view;
  Sample() { window.AttachView(&view); }
};

TEST(Indicators, ABarHoldsItsValueWithinItsRangeAndFillsInProportion) {
  Sample s;
  EXPECT_EQ(s.bar.Value(), 0);
  s.bar.SetValue(64);
  EXPECT_EQ(s.bar.FilledWidth(127), 64);
  EXPECT_EQ(s.bar.FilledWidth(100), 50);  // 50.39 rounds down
  EXPECT_EQ(s.bar.FilledWidth(0), 0);
  EXPECT_EQ(s.bar.FilledWidth(-5), 0);
  s.bar.SetValue(200);
  EXPECT_EQ(s.bar.Value(), 127);
  EXPECT_EQ(s.bar.FilledWidth(300), 300);
  s.bar.SetValue(-3);
  EXPECT_EQ(s.bar.Value(), 0);
  EXPECT_EQ(s.bar.FilledWidth(300), 0);

  // A range that is no range is refused; a narrower one takes the value in.
  s.bar.SetValue(100);
  EXPECT_FALSE(s.bar.SetRange(5, 5));
  EXPECT_FALSE(s.bar.SetRange(9, 1));
  EXPECT_EQ(s.bar.Minimum(), 0);
  EXPECT_EQ(s.bar.Maximum(), 127);
  EXPECT_TRUE(s.bar.SetRange(-100, 50));
  EXPECT_EQ(s.bar.Value(), 50);
  s.bar.SetValue(-25);
  EXPECT_EQ(s.bar.FilledWidth(300), 150);
  EXPECT_EQ(s.bar.FilledWidth(301), 151);  // 150.5 rounds up

  // The widest axis a report can hold: no overflow.
  EXPECT_TRUE(s.bar.SetRange(INT_MIN, INT_MAX));
  s.bar.SetValue(INT_MAX);
  EXPECT_EQ(s.bar.FilledWidth(4000), 4000);
  s.bar.SetValue(0);
  EXPECT_EQ(s.bar.FilledWidth(4000), 2000);

  // Given the wrong way round, the range is taken the right way.
  Bar reversed{s.window, "barY", {}, 10, -10};
  EXPECT_EQ(reversed.Minimum(), -10);
  EXPECT_EQ(reversed.Maximum(), 10);
  EXPECT_EQ(reversed.Value(), -10);
}

TEST(Indicators, TellTheViewOnlyOfChanges) {
  Sample s;
  s.bar.SetValue(64);
  s.bar.SetValue(64);
  s.bar.SetValue(127);
  s.bar.SetValue(500);  // held at 127: no change
  s.bar.SetRange(0, 127);
  s.bar.SetRange(0, 100);  // the value moves with the range: one change
  s.bar.SetCaption("64");
  s.bar.SetCaption("64");
  s.lamp.SetLit(true);
  s.lamp.SetLit(true);
  s.lamp.SetMarked(true);
  s.lamp.SetMarked(true);
  s.lamp.SetLit(false);
  s.lamp.SetMarked(false);
  const std::vector<std::pair<std::string, Change>> expected{
      {"barX", Change::Value},      {"barX", Change::Value},      {"barX", Change::Value},
      {"barX", Change::Caption},
      {"Button5", Change::Value},   {"Button5", Change::Marked},  {"Button5", Change::Value},
      {"Button5", Change::Marked},
  };
  EXPECT_EQ(s.view.heard, expected);
  EXPECT_EQ(s.lamp.Caption(), "5");
  EXPECT_FALSE(s.lamp.Lit());
  EXPECT_FALSE(s.lamp.Marked());
}

}  // namespace
}  // namespace tq::ui
