// The bar and the lamp of the toolkit model as Qt widgets. No stock widget
// shows either as the model means it, and a monitor repaints dozens of them
// up to 60 times a second: each paints its own rectangle, opaque, from the
// model's state, with the palette's roles so a disabled one greys as the
// desktop does.
#pragma once

#include <QWidget>

#include "devlink/ui/controls.h"

namespace tq::ui {

class BarWidget final : public QWidget {
 public:
  // `border`: the frame's thickness in pixels.
  BarWidget(QWidget* parent, const Bar& model, int border);
  const Bar& Model() const { return model_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Bar& model_;
  int border_;
};

class LampWidget final : public QWidget {
 public:
  LampWidget(QWidget* parent, const Lamp& model, int border);
  const Lamp& Model() const { return model_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const Lamp& model_;
  int border_;
};

}  // namespace tq::ui
