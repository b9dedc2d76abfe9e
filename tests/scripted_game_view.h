// A game interface that hands back what a test put there, for the
// monitor's tests on the model and on the native controls.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "devlink/game_view.h"

namespace tq::testing {

class ScriptedGameView final : public GameView {
 public:
  std::string Attach(const std::string& devicePath, std::uint16_t, std::uint16_t) override {
    attachedTo = devicePath;
    return attachFailure;
  }
  void Detach() override { attachedTo.clear(); }
  std::optional<GameSnapshot> Read() override {
    ++reads;
    {
      std::unique_lock lock(mutex_);
      ++readsHeld_;
      readHeld_.notify_all();
      released_.wait(lock, [this] { return !held_; });
      --readsHeld_;
    }
    if (attachedTo.empty() || !attachFailure.empty()) return std::nullopt;
    return snapshot;
  }
  // While held, a read waits until the hold ends: a game interface that
  // takes its time.
  void Hold(bool held) {
    {
      std::lock_guard lock(mutex_);
      held_ = held;
    }
    released_.notify_all();
  }
  int ReadsHeld() {
    std::lock_guard lock(mutex_);
    return readsHeld_;
  }
  // Waits, up to `limit`, until a read is held; whether one is.
  bool WaitForHeldRead(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return readHeld_.wait_for(lock, limit, [this] { return readsHeld_ > 0; });
  }
  std::string Source() const override { return "scripted"; }

  std::string attachFailure;
  std::string attachedTo;
  GameSnapshot snapshot;
  std::atomic<int> reads{0};

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  std::condition_variable readHeld_;
  bool held_ = false;
  int readsHeld_ = 0;
};

}  // namespace tq::testing
