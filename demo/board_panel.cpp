#include "demo/board_panel.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "demo/input_controls.h"

namespace tq::demo {
namespace {

constexpr int kShownAddresses = 32;
constexpr int kBytesPerLine = 8;
constexpr int kRefreshMs = 200;
// Often enough that the shortest pulse (8 ms) starts and ends on time.
constexpr int kClockTickMs = 4;

}  // namespace

QString SettingBytesText(const emu::EmulatedBoard& board) {
  QString text;
  for (int address = 0; address < kShownAddresses; ++address) {
    if (address % kBytesPerLine == 0) {
      if (address > 0) text += '\n';
      text += QString("%1:").arg(address, 2, 10, QChar('0'));
    }
    text += QString(" %1").arg(board.settings[static_cast<std::size_t>(address)], 2, 16,
                                QChar('0')).toUpper();
  }
  return text;
}

BoardPanel::BoardPanel(emu::SimulatedHid& hid, std::vector<emu::SimulatedHid::BoardId> boards)
    : hid_(hid) {
  setWindowTitle("Emulated boards");
  auto* layout = new QVBoxLayout(this);
  for (const auto id : boards) {
    const emu::EmulatedBoard& board = hid.Board(id);
    const QString serial =
        board.serial ? QString::fromStdU16String(*board.serial) : QString("(no serial)");
    auto* box = new QGroupBox(this);
    auto* inner = new QVBoxLayout(box);
    auto* plug = new QPushButton(box);
    auto* bytes = new QLabel(box);
    bytes->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    bytes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* showInputs = new QPushButton("Inputs", box);
    showInputs->setCheckable(true);
    auto* inputs = new InputControls(hid, id, box);
    inputs->setVisible(false);
    QObject::connect(showInputs, &QPushButton::toggled, inputs, &QWidget::setVisible);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(plug);
    buttons->addWidget(showInputs);
    inner->addLayout(buttons);
    inner->addWidget(bytes);
    inner->addWidget(inputs);
    layout->addWidget(box);
    QObject::connect(plug, &QPushButton::clicked, [this, id] {
      if (hid_.IsAttached(id)) {
        hid_.Detach(id);
      } else {
        hid_.Reattach(id);
      }
      Refresh();
    });
    rows_.push_back(
        Row{id, QString("Board %1, serial %2").arg(id + 1).arg(serial), box, plug, bytes, inputs});
  }
  clock_.start();
  auto* ticker = new QTimer(this);
  ticker->setTimerType(Qt::PreciseTimer);
  QObject::connect(ticker, &QTimer::timeout, [this] { AdvanceClocks(); });
  ticker->start(kClockTickMs);
  auto* timer = new QTimer(this);
  QObject::connect(timer, &QTimer::timeout, [this] { Refresh(); });
  timer->start(kRefreshMs);
  Refresh();
}

void BoardPanel::AdvanceClocks() {
  const auto now = static_cast<std::uint64_t>(clock_.elapsed());
  for (const Row& row : rows_) {
    // Under the emulator's lock: the monitor reads the boards on a thread
    // of its own.
    hid_.WithBoard(row.id, [now](emu::EmulatedBoard& board) {
      if (now > board.clockMs) board.AdvanceTime(now - board.clockMs);
    });
    if (row.inputs->isVisible()) row.inputs->Refresh();
  }
}

void BoardPanel::Refresh() {
  for (const Row& row : rows_) {
    const bool attached = hid_.IsAttached(row.id);
    row.box->setTitle(row.title + (attached ? ": plugged in" : ": unplugged"));
    row.plug->setText(attached ? "Unplug" : "Plug in");
    row.bytes->setText(hid_.WithBoard(
        row.id, [](const emu::EmulatedBoard& board) { return SettingBytesText(board); }));
  }
}

}  // namespace tq::demo
