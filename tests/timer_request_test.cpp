// A timer on request in the model: another thread's requests reach the view
// once until the tick they asked for, a tick takes the request before its
// handler runs, and no request is lost to a tick the model ignores.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "devlink/ui/controls.h"

namespace tq::ui {
namespace {

class RequestRecorder final : public ViewObserver {
 public:
  std::atomic<int> requests{0};
  void OnChanged(Control&, Change) override {}
  void OnTickRequested(Timer&) override { ++requests; }
};

struct Sample {
  Window window{"frmMain", "Sample", 3000, 1500};
  Timer wake{window, "Timer", 16, TimerMode::OnRequest};
  Timer periodic{window, "StatusTimer", 1000};
  PushButton press{window, "cmdReset", {0, 0, 900, 360}, "Reset"};
  RequestRecorder view;
  int ticks = 0;
  Sample() {
    window.AttachView(&view);
    wake.TimerEvent = [this] { ++ticks; };
    wake.SetEnabled(true);
  }
};

TEST(TimerOnRequest, ManyRequestsFromOtherThreadsAskTheViewOnceUntilTheTick) {
  Sample s;
  EXPECT_FALSE(s.wake.Requested());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&s] {
      for (int i = 0; i < 1000; ++i) s.wake.Request();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(s.view.requests, 1);
  EXPECT_TRUE(s.wake.Requested());
  EXPECT_EQ(s.ticks, 0) << "a request raises nothing by itself";

  s.wake.Tick();
  EXPECT_EQ(s.ticks, 1);
  EXPECT_FALSE(s.wake.Requested());
  s.wake.Request();
  EXPECT_EQ(s.view.requests, 2) << "the next news after a tick asks again";

  // A periodic timer runs on its own: requests are not its business.
  s.periodic.Request();
  EXPECT_FALSE(s.periodic.Requested());
  EXPECT_EQ(s.view.requests, 2);
}

TEST(TimerOnRequest, NewsDuringTheHandlerAsksForTheNextTick) {
  Sample s;
  s.wake.TimerEvent = [&s] {
    ++s.ticks;
    EXPECT_FALSE(s.wake.Requested()) << "taken before the handler runs";
    s.wake.Request();
  };
  s.wake.Request();
  s.wake.Tick();
  EXPECT_EQ(s.ticks, 1);
  EXPECT_TRUE(s.wake.Requested());
  EXPECT_EQ(s.view.requests, 2);
}

TEST(TimerOnRequest, ATickTheModelIgnoresLosesNoRequest) {
  Sample s;
  // Inside another handler: ignored, and asked again of the view.
  s.press.Click = [&s] { s.wake.Tick(); };
  s.wake.Request();
  s.press.UserPress();
  EXPECT_EQ(s.ticks, 0);
  EXPECT_TRUE(s.wake.Requested());
  EXPECT_EQ(s.view.requests, 2);
  s.wake.Tick();
  EXPECT_EQ(s.ticks, 1);

  // Disabled: the request is dropped, so the next one asks the view again.
  s.wake.Request();
  s.wake.SetEnabled(false);
  s.wake.Tick();
  EXPECT_EQ(s.ticks, 1);
  EXPECT_FALSE(s.wake.Requested());
  s.wake.SetEnabled(true);
  s.wake.Request();
  EXPECT_EQ(s.view.requests, 4);

  // No view (a test, or a view gone): still recorded, for the view or the
  // tick to come.
  s.window.AttachView(nullptr);
  s.wake.Tick();
  s.wake.Request();
  EXPECT_TRUE(s.wake.Requested());
  EXPECT_EQ(s.view.requests, 4);
}

}  // namespace
}  // namespace tq::ui