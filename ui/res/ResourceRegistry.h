// The program's images by the resource numbers the panels use (181/182 fader
// channel, 183 fader knob, 197/198 check icons, ...). An image is an SVG
// (res/images/<id>.svg), drawn at any scale, or a PNG (res/images/<id>.png
// with an optional <id>@2x.png for 200 % screens).
//
// Thread-safety: the functions read compiled-in data only; QImage may be
// made on any thread.
#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace brevant::res {

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
