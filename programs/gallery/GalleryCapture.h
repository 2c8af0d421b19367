// Taking the gallery's pictures: screens of each pixel ratio, photographing a
// scene on one, the artwork by itself, the contact sheet and writing PNGs.
#pragma once

#include "programs/gallery/GalleryScenes.h"

#include <QImage>
#include <QString>
#include <QTemporaryFile>

#include <memory>
#include <vector>

namespace brevant::gallery {

// One picture taken: where it is filed and the image, which carries its
// device pixel ratio.
struct Shot {
    QString name;
    QString group;
    QString caption;
    QImage image;
};

// Called before the QApplication exists. When QT_QPA_PLATFORM is unset or
// plain "offscreen", selects the offscreen platform with two screens, one at
// pixel ratio 1 and one at 2, so a control placed on either paints and loads
// its images at that ratio. The returned file holds the screen layout and
// must outlive the QApplication's construction; null when the platform was
// left as it was.
std::unique_ptr<QTemporaryFile> UseOffscreenScreens();

// True when a screen of `ratio` exists, so controls draw at it themselves;
// otherwise the pictures are rendered at that ratio from a screen of another.
bool HasScreenWithRatio(qreal ratio);

// Builds each scene in its own window on a screen of `ratio` and photographs
// its stage.
std::vector<Shot> TakeShots(const std::vector<Scene>& scenes, qreal ratio);

// Every image of the resource registry by itself, at `ratio`.
std::vector<Shot> ArtworkShots(qreal ratio);

// All `shots` on one sheet, under their group headings, with captions.
QImage ContactSheet(const std::vector<Shot>& shots, qreal ratio);

// Writes `image` as a PNG file at `path`, replacing it only once complete.
// On failure returns false and puts the reason, naming the file, in `error`.
bool SavePng(const QImage& image, const QString& path, QString* error);

}  // namespace brevant::gallery
