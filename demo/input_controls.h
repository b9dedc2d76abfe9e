// One emulated board's inputs under a person's hands: the eight axes as
// sliders, each with the noise its wire picks up, the thirty-two buttons as
// switches grouped in the encoder pairs, a detent back or forth per pair,
// a button whose contact bounces, and the input report the board sends now.
#pragma once

#include <QWidget>

#include "emulator/simulated_hid.h"

class QLabel;

namespace tq::demo {

class InputControls final : public QWidget {
 public:
  InputControls(emu::SimulatedHid& hid, emu::SimulatedHid::BoardId id, QWidget* parent);

  // Shows the input report due at the board's clock.
  void Refresh();

 private:
  emu::SimulatedHid& hid_;
  emu::SimulatedHid::BoardId id_;
  QLabel* report_;
};

// The input report in hex, report-ID byte first.
QString InputReportText(const emu::EmulatedBoard& board);

}  // namespace tq::demo
