#include "demo/board_panel.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tq::demo {
namespace {

constexpr int kShownAddresses = 32;
constexpr int kBytesPerLine = 8;
constexpr int kRefreshMs = 200;

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
    inner->addWidget(plug);
    inner->addWidget(bytes);
    layout->addWidget(box);
    QObject::connect(plug, &QPushButton::clicked, [this, id] {
      if (hid_.IsAttached(id)) {
        hid_.Detach(id);
      } else {
        hid_.Reattach(id);
      }
      Refresh();
    });
    rows_.push_back(Row{id, QString("Board %1, serial %2").arg(id + 1).arg(serial), box, plug, bytes});
  }
  auto* timer = new QTimer(this);
  QObject::connect(timer, &QTimer::timeout, [this] { Refresh(); });
  timer->start(kRefreshMs);
  Refresh();
}

void BoardPanel::Refresh() {
  for (const Row& row : rows_) {
    const bool attached = hid_.IsAttached(row.id);
    row.box->setTitle(row.title + (attached ? ": plugged in" : ": unplugged"));
    row.plug->setText(attached ? "Unplug" : "Plug in");
    row.bytes->setText(SettingBytesText(hid_.Board(row.id)));
  }
}

}  // namespace tq::demo
