#include "demo/input_controls.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "emulator/board_descriptor.h"

namespace tq::demo {
namespace {

constexpr const char* kAxisNames[emu::kAxisCount] = {"X",  "Y",  "Z",    "RX",
                                                     "RY", "RZ", "Dial", "Slider"};
constexpr int kPairsPerRow = 8;
// As much noise and bounce as the panel offers: more than the monitor needs
// to mark either.
constexpr int kMaxNoise = 8;
constexpr int kMaxClosures = 6;

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
    auto* noise = new QSpinBox(axes);
    noise->setRange(0, kMaxNoise);
    noise->setPrefix("noise \u00B1");
    noise->setToolTip(QString("How far %1 wanders by itself, as on a worn potentiometer or a long "
                              "unshielded wire; 0 for none")
                          .arg(kAxisNames[axis - 1]));
    const int row = (axis - 1) / 2;
    const int column = 3 * ((axis - 1) % 2);
    // The axis's caption names its slider to a screen reader; without it
    // each slider would be called by its group's title.
    auto* caption = new QLabel(kAxisNames[axis - 1], axes);
    caption->setBuddy(slider);
    noise->setAccessibleName(QString("%1 noise").arg(kAxisNames[axis - 1]));
    axisGrid->addWidget(caption, row, column);
    axisGrid->addWidget(slider, row, column + 1);
    axisGrid->addWidget(noise, row, column + 2);
    QObject::connect(slider, &QSlider::valueChanged, this, [this, axis](int value) {
      hid_.WithBoard(id_, [&](emu::EmulatedBoard& board) {
        board.SetAxis(axis, static_cast<unsigned>(value));
      });
    });
    QObject::connect(noise, &QSpinBox::valueChanged, this, [this, axis](int spread) {
      hid_.WithBoard(id_, [&](emu::EmulatedBoard& board) {
        board.SetAxisNoise(axis, static_cast<unsigned>(spread));
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

  // One button's contact bouncing on each press, as a worn switch or a
  // loose joint makes it.
  auto* bounce = new QHBoxLayout;
  auto* bouncing = new QSpinBox(this);
  bouncing->setRange(1, emu::kButtonCount);
  bouncing->setPrefix("button ");
  auto* closures = new QSpinBox(this);
  closures->setRange(1, kMaxClosures);
  closures->setSuffix(" closures a press");
  closures->setToolTip("How often the button's contact closes each time it is pressed, a report "
                       "interval apart; 1 is a clean press");
  const auto setBounce = [this, bouncing, closures] {
    hid_.WithBoard(id_, [&](emu::EmulatedBoard& board) {
      board.bounceClosures.fill(0);
      board.SetButtonBounce(bouncing->value(), static_cast<unsigned>(closures->value()));
    });
  };
  QObject::connect(bouncing, &QSpinBox::valueChanged, this, setBounce);
  QObject::connect(closures, &QSpinBox::valueChanged, this, setBounce);
  auto* bounceCaption = new QLabel("Bouncing contact:", this);
  bounceCaption->setBuddy(bouncing);
  closures->setAccessibleName("Closures a press");
  bounce->addWidget(bounceCaption);
  bounce->addWidget(bouncing);
  bounce->addWidget(closures);
  bounce->addStretch();
  layout->addLayout(bounce);

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
