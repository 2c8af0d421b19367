// The program's images, each known by a number that is also its file name: an
// SVG (res/images/<id>.svg), drawn at any scale, or a PNG (res/images/<id>.png
// with an optional <id>@2x.png for 200 % screens). Code names an image by one
// of the constants below, never by its bare number.
//
// Thread-safety: the functions read compiled-in data only; QImage may be
// made on any thread.
#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace brevant::res {

// The channel window's frame and background.
inline constexpr int kWindowEdge = 133;         // one pixel of outline, stretched along the sides
inline constexpr int kWindowPattern = 134;      // background tile; a skin's pattern is this plus its index
inline constexpr int kWindowLeftCorner = 138;   // bottom left corner
inline constexpr int kWindowRightCorner = 139;  // bottom right corner
inline constexpr int kWindowTitleStrip = 143;   // one column of the title bar, stretched between the caps
inline constexpr int kWindowLeftCap = 145;      // left end of the title bar
inline constexpr int kWindowRightCap = 147;     // right end of the title bar

// The icon strip of the pane group captions.
inline constexpr int kPaneIcons = 148;

// The matrix crosspoint button.
inline constexpr int kCrosspointOn = 174;
inline constexpr int kCrosspointOff = 175;

// The horizontal dynamics trackbar: its slot, the slot lit where the value
// has covered it, and the thumb.
inline constexpr int kDynamicsChannel = 178;
inline constexpr int kDynamicsChannelLit = 179;
inline constexpr int kDynamicsThumb = 180;

// The vertical gain fader: its slot, the slot lit where the value has
// covered it, and the cap.
inline constexpr int kFaderChannel = 181;
inline constexpr int kFaderChannelLit = 182;
inline constexpr int kFaderCap = 183;

// The brushed strips behind the input and the output panels.
inline constexpr int kInputPanelBackground = 184;
inline constexpr int kOutputPanelBackground = 185;

// The check box icon, ticked and unticked.
inline constexpr int kCheckOn = 197;
inline constexpr int kCheckOff = 198;

// The image `id` at `devicePixelRatio` (its pixel size is the logical size
// times the ratio, and the ratio is set on the image); a null image when the
// program has no image of that number.
QImage Bitmap(int id, qreal devicePixelRatio = 1.0);
// The image `id` stretched to `logicalSize` (an SVG is drawn at that size,
// a PNG is scaled smoothly); a null image when there is no image `id` or the
// size is empty.
QImage Bitmap(int id, qreal devicePixelRatio, QSize logicalSize);
// The logical size of image `id`; empty when there is none.
QSize BitmapSize(int id);
bool HasBitmap(int id);
// The size an image covers on screen: its pixel size over its device pixel
// ratio, rounded to whole logical pixels; empty for a null image.
QSize LogicalSize(const QImage& image);
// Every number that has an image, ascending.
std::vector<int> BitmapIds();

}  // namespace brevant::res
