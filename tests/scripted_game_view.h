// A game interface that hands back what a test put there, for the
// monitor's tests on the model and on the native controls.
#pragma once

#include <cstdint>
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
    if (attachedTo.empty() || !attachFailure.empty()) return std::nullopt;
    return snapshot;
  }
  std::string Source() const override { return "scripted"; }

  std::string attachFailure;
  std::string attachedTo;
  GameSnapshot snapshot;
};

}  // namespace tq::testing
