// The program's look switch: one Qt style and one palette for the whole
// application. Widgets created after SetDefault() take the new look at once;
// existing ones are told by Qt through the event loop and repaint in it.
// Widgets that draw themselves from palette() follow without further calls.
//
// The current look is kept as a property of the QApplication, so there is no
// state of our own. Call only from the GUI thread, with a QApplication alive.
#pragma once

#include <QPalette>

namespace brevant {

class VisualManager {
public:
    // Called "2003" and "2007" in the menus.
    enum class Look { Classic2003, Modern2007 };
    enum class Shade { Light, Dark };

    // The menu command number that picks the 2007 look, light shade.
    static constexpr int kModern2007LightCommand = 32838;

    VisualManager() = delete;

    // Applies the Fusion style (once) and the palette of `look` in `shade` to
    // the application, and remembers both.
    static void SetDefault(Look look, Shade shade = Shade::Light);
    // Picks the look for a menu command number; numbers without a look
    // leave the current one as it is.
    static void SetByNumber(int lookNumber);

    // The look last set; the 2003 look, light, before any was set.
    static Look CurrentLook();
    static Shade CurrentShade();

    // The palette SetDefault() applies for `look` in `shade`.
    static QPalette PaletteFor(Look look, Shade shade);
};

}  // namespace brevant
