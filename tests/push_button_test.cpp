// The push button's rules in the model: a press the user makes is the only
// thing that raises its Click, never while it or its frame is disabled, and
// it runs as every other handler does.
#include <gtest/gtest.h>

#include "devlink/ui/controls.h"

namespace tq::ui {
namespace {

struct Sample {
  Window window{"frmMain", "Sample", 3000, 1500};
  Frame frame{window, "fraCounts", {120, 0, 2800, 1400}, "Counts"};
  PushButton reset{frame, "cmdReset", {240, 360, 1200, 360}, "Reset"};
  Timer timer{window, "Timer", 50};
  int clicks = 0;
  Sample() { reset.Click = [this] { ++clicks; }; }
};

TEST(PushButton, OnlyAnEnabledPressRaisesClickOncePerPress) {
  Sample s;
  s.reset.UserPress();
  s.reset.UserPress();
  EXPECT_EQ(s.clicks, 2);
  // What the program sets raises nothing.
  s.reset.SetCaption("Reset counts");
  s.reset.SetEnabled(false);
  EXPECT_EQ(s.clicks, 2);

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
