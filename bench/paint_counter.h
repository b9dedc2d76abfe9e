// Counts the paint events of every widget it filters (installed on the
// application: of all of them).
#pragma once

#include <QEvent>
#include <QObject>
#include <cstdint>

namespace tq::bench {

class PaintCounter final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
  std::uint64_t paints = 0;
};

}  // namespace tq::bench
