// The demo's second window: the emulated boards, a button each to plug and
// unplug it, its setting bytes, refreshed as the program writes them, and
// its inputs to move by hand. The boards' clocks run in real time here.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <vector>

#include "emulator/simulated_hid.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace tq::demo {

class InputControls;

class BoardPanel final : public QWidget {
 public:
  BoardPanel(emu::SimulatedHid& hid, std::vector<emu::SimulatedHid::BoardId> boards);

 private:
  void Refresh();
  void AdvanceClocks();

  struct Row {
    emu::SimulatedHid::BoardId id;
    QString title;
    QGroupBox* box;
    QPushButton* plug;
    QLabel* bytes;
    InputControls* inputs;
  };
  emu::SimulatedHid& hid_;
  QElapsedTimer clock_;
  std::vector<Row> rows_;
};

// Setting bytes 0 .. 31 in hex, eight to a line, each line led by its address.
QString SettingBytesText(const emu::EmulatedBoard& board);

}  // namespace tq::demo
