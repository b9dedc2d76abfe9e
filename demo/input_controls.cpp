#include "demo/input_controls.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "emulator/board_descriptor.h"

namespace tq::demo {
namespace {

constexpr const char* kAxisNames[emu::kAxisCount] = {"X",  "Y",  "Z",    "RX",
                                                     "RY", "RZ", "Dial", "Slider"};
constexpr int kPairsPerRow = 8;

}  // namespace

QString InputReportText(const emu::EmulatedBoard& board) {
  QString text;
  for (const std::uint8_t byte : board.InputReport()) {
    text += QString("%1 ").arg(byte, 2, 16, QChar('0')).toUpper();
  }
  return text.trimmed();
}

InputControls::InputControls(emu::SimulatedHid& hid, emu::SimulatedHid::BoardId id,
                             QWidget* parent)
    : QWidget(parent), hid_(hid), id_(id), report_(new QLabel(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* axes = new QGroupBox("Axes", this);
  auto* axisGrid = new QGridLayout(axes);
  const int maximum = static_cast<int>(emu::AxisMaximum(hid_.Board(id_)));
  for (int axis = 1; axis <= emu::kAxisCount; ++axis) {
    auto* slider = new QSlider(Qt::Horizontal, axes);
    slider->setRange(0, maximum);
    slider->setValue(static_cast<int>(hid_.Board(id_).axes[static_cast<std::size_t>(axis - 1)]));
    const int row = (axis - 1) / 2;
    const int column = 2 * ((axis - 1) % 2);
    // The axis's caption names its slider to a screen reader; without it
    // each slider would be called by its group's title.
    auto* caption = new QLabel(kAxisNames[axis - 1], axes);
    caption->setBuddy(slider);
    axisGrid->addWidget(caption, row, column);
    axisGrid->addWidget(slider, row, column + 1);
    QObject::connect(slider, &QSlider::valueChanged, this, [this, axis](int value) {
      hid_.WithBoard(id_, [&](emu::EmulatedBoard& board) {
        board.SetAxis(axis, static_cast<unsigned>(value));
      });
    });
  }
  layout->addWidget(axes);

  // Each pair's two switches, then a detent backwards (button 2k) and
  // forwards (button 2k - 1), as the encoder wired to them turns.
  auto* pairs = new QGroupBox("Buttons and encoders", this);
  auto* pairGrid = new QGridLayout(pairs);
  pairGrid->setHorizontalSpacing(2);
  for (int pair = 1; pair <= emu::kPairCount; ++pair) {
    auto* cell = new QWidget(pairs);
    auto* cellLayout = new QHBoxLayout(cell);
    cellLayout->setContentsMargins(0, 0, 6, 0);
    cellLayout->setSpacing(1);
    for (const int button : {2 * pair - 1, 2 * pair}) {
      auto* toggle = new QPushButton(QString::number(button), cell);
      toggle->setCheckable(true);
      toggle->setToolTip(QString("Button %1 held down").arg(button));
      toggle->setFixedWidth(toggle->fontMetrics().horizontalAdvance("88") + 12);
      QObject::connect(toggle, &QPushButton::toggled, this, [this, button](bool down) {
        hid_.WithBoard(id_, [&](emu::EmulatedBoard& board) { board.SetButton(button, down); });
      });
      cellLayout->addWidget(toggle);
    }
    for (const int detents : {-1, +1}) {
      auto* turn = new QPushButton(detents < 0 ? "\u2212" : "+", cell);
      turn->setToolTip(QString("Turn the encoder on %1-%2 one detent %3")
                           .arg(2 * pair - 1)
                           .arg(2 * pair)
                           .arg(detents < 0 ? "back" : "forward"));
      turn->setFixedWidth(turn->fontMetrics().horizontalAdvance("+") + 16);
      QObject::connect(turn, &QPushButton::clicked, this, [this, pair, detents] {
        hid_.WithBoard(id_, [&](emu::EmulatedBoard& board) { board.TurnEncoder(pair, detents); });
      });
      cellLayout->addWidget(turn);
    }
    pairGrid->addWidget(cell, (pair - 1) / kPairsPerRow, (pair - 1) % kPairsPerRow);
  }
  layout->addWidget(pairs);

  report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  report_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  report_->setToolTip("The input report the board sends now, report ID first");
  layout->addWidget(report_);
  Refresh();
}

void InputControls::Refresh() {
  report_->setText("Input report: " +
                   hid_.WithBoard(id_, [](const emu::EmulatedBoard& board) {
                     return InputReportText(board);
                   }));
}

}  // namespace tq::demo
