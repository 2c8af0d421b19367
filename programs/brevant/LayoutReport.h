// Where the controls that the real-window test drives stand on the screen,
// written to a file while the program runs with BREVANT_LAYOUT_FILE set, so
// a script driving the mouse from outside finds them at any zoom and window
// size. One line a control: "name x y" in screen pixels, followed by what it
// shows for a fader (its gain label) and a value box.
//
// UI thread only.
#pragma once

#include <QString>

namespace brevant {

class MainWindow;

QString LayoutReport(MainWindow& frame);

}  // namespace brevant
