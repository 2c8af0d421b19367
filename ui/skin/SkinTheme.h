// The colour themes of the channel windows. The skin images are drawn in the
// neutral blue theme 'b'; an input window ('r') shows them with red and blue
// exchanged, an output window ('g') with green and blue exchanged, so one set
// of images serves both kinds of window. The theme also gives the colour of
// the title buttons and the light colour behind edit boxes.
//
// Thread-safety: pure functions; callable from any thread.
#pragma once

#include <QColor>
#include <QImage>

namespace brevant {

class SkinTheme {
public:
    static constexpr char kInputs = 'r';
    static constexpr char kOutputs = 'g';
    static constexpr char kNeutral = 'b';

    // A copy of `image` with the components of every pixel exchanged for
    // `theme`: red and blue for 'r', green and blue for 'g'; any other theme
    // leaves it as it is. A 16-bit 5-6-5 image is converted in its own
    // fields: a 5-bit value moving into the 6-bit green field is scaled by
    // 63/31 and a green moving out is halved. Every other format is worked
    // on as 8-bit components of 32-bit pixels (converted to ARGB32 first when
    // it is not already 32-bit RGB); alpha and the device pixel ratio stay.
    static QImage Recolour(const QImage& image, char theme);
    // One colour put through the same exchange.
    static QColor Recolour(const QColor& colour, char theme);

    // The background of edit boxes on the window.
    static QColor LightColour(char theme);
};

}  // namespace brevant
