// The push button's rules in the model: a press the user makes is the only
// thing that raises its Click, never while it or its frame is disabled, and
// it runs as every other handler does.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "devlink/ui/controls.h"

namespace tq::ui {
namespace {

class Recorder final : public ViewObserver {
 public:
  std::vector<std::pair<std::string, Change>> heard;
  void OnChanged(Control& control, Change change) override { heard.emplace_back(control.Name(), change); }
};

struct Sample {
  Window window{"frmMain", "Sample", 3000, 1500};
  Frame frame{window, "fraCounts", {120, 0, 2800, 1400}, "Counts"};
  PushButton reset{frame, "cmdReset", {240, 360, 1200, 360}, "Reset"};
  Timer timer{window, "Timer", 50};
  Recorder view;
  int clicks = 0;
  Sample() {
    reset.Click = [this] { ++clicks; };
    window.AttachView(&view);
  }
};

TEST(PushButton, OnlyAnEnabledPressRaisesClickOncePerPress) {
  Sample s;
  EXPECT_EQ(s.reset.GetKind(), Kind::PushButton);
  EXPECT_EQ(s.reset.Caption(), "Reset");
  EXPECT_EQ(s.window.Find("cmdReset"), &s.reset);

  s.reset.UserPress();
  s.reset.UserPress();
  EXPECT_EQ(s.clicks, 2);

  // What the program sets raises nothing; the view hears of each change.
  s.reset.SetCaption("Reset counts");
  s.reset.SetHint("Clears the counts");
  s.reset.SetEnabled(false);
  EXPECT_EQ(s.clicks, 2);
  const std::vector<std::pair<std::string, Change>> expected{
      {"cmdReset", Change::Caption}, {"cmdReset", Change::Hint}, {"cmdReset", Change::Enabled}};
  EXPECT_EQ(s.view.heard, expected);

  // A press the view had queued before the program disabled the button, or
  // the frame around it, is not acted on.
  s.reset.UserPress();
  EXPECT_EQ(s.clicks, 2);
  s.reset.SetEnabled(true);
  s.frame.SetEnabled(false);
  s.reset.UserPress();
  EXPECT_EQ(s.clicks, 2);
  s.frame.SetEnabled(true);
  s.reset.UserPress();
  EXPECT_EQ(s.clicks, 3);

  // A button nobody handles is pressed harmlessly.
  PushButton spare{s.window, "cmdSpare", {}, "Spare"};
  spare.UserPress();
  EXPECT_EQ(s.clicks, 3);
}

TEST(PushButton, ClickRunsAsAHandlerSoNoTimerTicksInsideIt) {
  Sample s;
  int ticks = 0;
  bool inHandler = false;
  s.timer.TimerEvent = [&] { ++ticks; };
  s.timer.SetEnabled(true);
  s.reset.Click = [&] {
    inHandler = s.window.InHandler();
    s.timer.Tick();
  };
  s.reset.UserPress();
  EXPECT_TRUE(inHandler);
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(s.window.InHandler());
  s.timer.Tick();
  EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace tq::ui
