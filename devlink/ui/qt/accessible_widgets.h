// What a screen reader is told of the view's own widgets, the ones no stock
// Qt widget stands for: a label (either kind, text_label.h) says its caption
// as its name and its text
// (Qt's own answer for a plain widget inside a frame is the frame's title),
// a bar is a progress bar named by its label with its value of its range,
// a lamp a static text named by its label or its program with its state
// as its description ("Button 7", "pressed"), the window a window.
//
// Qt may ask for a widget's interface while the widget is being made (a
// reader listening on the bus hears of each new widget), before it is more
// than a QWidget; the interface therefore looks at what the widget is each
// time it is asked, never once when made.
#pragma once

namespace tq::ui {

// Idempotent; before the first of the view's widgets is made.
void InstallAccessibleWidgets();

}  // namespace tq::ui
