#include "programs/gallery/GalleryCapture.h"

#include "core/BoundedFile.h"
#include "programs/brevant/Language.h"
#include "ui/res/ResourceRegistry.h"

#include <QApplication>
#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace brevant::gallery {

namespace {

// Two side-by-side offscreen screens, at pixel ratio 1 and 2, 96 dpi each.
constexpr char kScreenLayout[] = R"({
  "screens": [
    { "name": "gallery-1x", "x": 0, "y": 0, "width": 4000, "height": 4000,
      "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 },
    { "name": "gallery-2x", "x": 4000, "y": 0, "width": 4000, "height": 4000,
      "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2 }
  ]
}
)";

// Where a scene's window opens on its screen.
constexpr int kWindowOffset = 40;

// The contact sheet, in logical pixels.
constexpr int kSheetWidth = 1280;
constexpr int kSheetMargin = 20;
constexpr int kCellGap = 16;
constexpr int kCaptionGap = 4;
constexpr int kGroupGap = 28;
constexpr QRgb kSheetColour = 0xFF111317;
constexpr QRgb kHeadingColour = 0xFFE6E9ED;
constexpr QRgb kCaptionColour = 0xFF9AA3AE;
constexpr QRgb kCheckerDark = 0xFF2A2F36;
constexpr QRgb kCheckerLight = 0xFF3A414B;
constexpr int kCheckerSquare = 4;

QScreen* ScreenWithRatio(qreal ratio)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (qFuzzyCompare(screen->devicePixelRatio(), ratio))
            return screen;
    }
    return nullptr;
}

QSize LogicalSize(const QImage& image)
{
    const QSizeF size = image.deviceIndependentSize();
    return {qRound(size.width()), qRound(size.height())};
}

// The widget as it looks at `ratio`: grabbed when it sits on a screen of that
// ratio, else rendered into an image of that ratio.
QImage Photograph(QWidget* widget, qreal ratio)
{
    if (qFuzzyCompare(widget->devicePixelRatioF(), ratio))
        return widget->grab().toImage();
    QImage image((QSizeF(widget->size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget->render(&image);
    return image;
}

// The scene's language for as long as the shot takes; English afterwards.
class SceneLanguage {
public:
    explicit SceneLanguage(const QString& language) : used_(!language.isEmpty())
    {
        if (used_)
            InstallLanguage(language);
    }
    ~SceneLanguage()
    {
        if (used_)
            InstallLanguage(QStringLiteral("en"));
    }
    SceneLanguage(const SceneLanguage&) = delete;
    SceneLanguage& operator=(const SceneLanguage&) = delete;

private:
    bool used_;
};

Shot TakeShot(const Scene& scene, qreal ratio, QScreen* screen)
{
    const SceneLanguage language(scene.language);
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    if (screen != nullptr) {
        window.setScreen(screen);
        window.move(screen->geometry().topLeft() + QPoint(kWindowOffset, kWindowOffset));
    }
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    const Stage stage = scene.build(&window);
    layout->addWidget(stage.shown);
    window.adjustSize();
    // Only a scene that shows the focus gets an active window; elsewhere no
    // control may draw itself focused just because it is the first in line.
    window.setAttribute(Qt::WA_ShowWithoutActivating, stage.focus == nullptr);
    window.show();
    if (stage.focus != nullptr) {
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        stage.focus->setFocus(Qt::TabFocusReason);
    }
    // Let layouts settle and queued updates run before the picture is taken.
    QCoreApplication::processEvents();
    if (stage.focus == nullptr && window.focusWidget() != nullptr)
        window.focusWidget()->clearFocus();
    QCoreApplication::processEvents();
    return Shot{scene.name, scene.group, scene.caption, Photograph(stage.shown, ratio)};
}

// A checkerboard under artwork, so its see-through parts show as such.
void PaintChecker(QPainter& painter, const QRect& area)
{
    painter.save();
    painter.setClipRect(area);
    for (int y = area.top(); y <= area.bottom(); y += kCheckerSquare) {
        for (int x = area.left(); x <= area.right(); x += kCheckerSquare) {
            const bool light = (((x - area.left()) + (y - area.top())) / kCheckerSquare) % 2 != 0;
            painter.fillRect(QRect(x, y, kCheckerSquare, kCheckerSquare),
                             QColor::fromRgba(light ? kCheckerLight : kCheckerDark));
        }
    }
    painter.restore();
}

struct Placed {
    const Shot* shot;
    QRect imageArea;
    QRect captionArea;
};

struct Heading {
    QString text;
    QPoint baseline;
};

}  // namespace

std::unique_ptr<QTemporaryFile> UseOffscreenScreens()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && platform != "offscreen")
        return nullptr;
    auto layoutFile =
        std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/brevant-gallery-XXXXXX.json"));
    if (layoutFile->open() && layoutFile->write(kScreenLayout) == qint64(sizeof kScreenLayout - 1) &&
        layoutFile->flush()) {
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(layoutFile->fileName()));
        return layoutFile;
    }
    // Without the layout the single offscreen screen still serves 1x; 2x is
    // then rendered from it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return nullptr;
}

bool HasScreenWithRatio(qreal ratio)
{
    return ScreenWithRatio(ratio) != nullptr;
}

std::vector<Shot> TakeShots(const std::vector<Scene>& scenes, qreal ratio)
{
    QScreen* screen = ScreenWithRatio(ratio);
    std::vector<Shot> shots;
    shots.reserve(scenes.size());
    for (const Scene& scene : scenes)
        shots.push_back(TakeShot(scene, ratio, screen));
    return shots;
}

std::vector<Shot> ArtworkShots(qreal ratio)
{
    std::vector<Shot> shots;
    for (const int id : res::BitmapIds()) {
        const QSize size = res::BitmapSize(id);
        shots.push_back(Shot{QStringLiteral("image-%1").arg(id), QStringLiteral("Artwork"),
                             QStringLiteral("%1 (%2 × %3)").arg(id).arg(size.width()).arg(size.height()),
                             res::Bitmap(id, ratio)});
    }
    return shots;
}

QImage ContactSheet(const std::vector<Shot>& shots, qreal ratio)
{
    QFont headingFont = QApplication::font();
    headingFont.setPointSizeF(11.0);
    headingFont.setBold(true);
    QFont captionFont = QApplication::font();
    captionFont.setPointSizeF(8.0);
    const QFontMetrics headingMetrics(headingFont);
    const QFontMetrics captionMetrics(captionFont);

    // Lay the shots out in rows under their group headings, groups in the
    // order they first appear.
    std::vector<QString> groups;
    for (const Shot& shot : shots) {
        if (std::find(groups.begin(), groups.end(), shot.group) == groups.end())
            groups.push_back(shot.group);
    }
    std::vector<Heading> headings;
    std::vector<Placed> placed;
    int y = kSheetMargin;
    for (const QString& group : groups) {
        headings.push_back(Heading{group, QPoint(kSheetMargin, y + headingMetrics.ascent())});
        y += headingMetrics.height() + kCaptionGap * 2;
        int x = kSheetMargin;
        int rowHeight = 0;
        for (const Shot& shot : shots) {
            if (shot.group != group)
                continue;
            const QSize image = LogicalSize(shot.image);
            const int captionWidth = captionMetrics.horizontalAdvance(shot.caption);
            const int cellWidth = std::max(image.width(), captionWidth);
            const int cellHeight = image.height() + kCaptionGap + captionMetrics.height();
            if (x > kSheetMargin && x + cellWidth > kSheetWidth - kSheetMargin) {
                x = kSheetMargin;
                y += rowHeight + kCellGap;
                rowHeight = 0;
            }
            const QRect imageArea(QPoint(x + (cellWidth - image.width()) / 2, y), image);
            const QRect captionArea(x, y + image.height() + kCaptionGap, cellWidth, captionMetrics.height());
            placed.push_back(Placed{&shot, imageArea, captionArea});
            x += cellWidth + kCellGap;
            rowHeight = std::max(rowHeight, cellHeight);
        }
        y += rowHeight + kGroupGap;
    }
    const QSize logical(kSheetWidth, y - kGroupGap + kSheetMargin);

    QImage sheet((QSizeF(logical) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(ratio);
    sheet.fill(QColor::fromRgba(kSheetColour));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(headingFont);
    painter.setPen(QColor::fromRgba(kHeadingColour));
    for (const Heading& heading : headings)
        painter.drawText(heading.baseline, heading.text);
    painter.setFont(captionFont);
    painter.setPen(QColor::fromRgba(kCaptionColour));
    for (const Placed& item : placed) {
        if (item.shot->image.hasAlphaChannel())
            PaintChecker(painter, item.imageArea);
        painter.drawImage(item.imageArea.topLeft(), item.shot->image);
        painter.drawText(item.captionArea, Qt::AlignHCenter | Qt::AlignTop, item.shot->caption);
    }
    painter.end();
    return sheet;
}

bool SavePng(const QImage& image, const QString& path, QString* error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        *error = QStringLiteral("cannot write %1: the image could not be encoded").arg(path);
        return false;
    }
    const std::string why =
        WriteFileAtomically(QFile::encodeName(path).toStdString(),
                            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    *error = QString::fromStdString(why);
    return why.empty();
}

}  // namespace brevant::gallery
