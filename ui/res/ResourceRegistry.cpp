#include "ui/res/ResourceRegistry.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <map>
#include <mutex>

namespace brevant::res {

namespace {

QString SvgPath(int id)
{
    return QStringLiteral(":/res/images/%1.svg").arg(id);
}
QString PngPath(int id, bool doubled)
{
    return doubled ? QStringLiteral(":/res/images/%1@2x.png").arg(id)
                   : QStringLiteral(":/res/images/%1.png").arg(id);
}

}  // namespace

QSize BitmapSize(int id)
{
    // Layouts ask for sizes many times a second, and each answer would read
    // and parse the image again: the sizes are read once, under a lock, as
    // any thread may ask.
    static std::mutex lock;
    static std::map<int, QSize> sizes;
    const std::lock_guard<std::mutex> hold(lock);
    const auto known = sizes.find(id);
    if (known != sizes.end())
        return known->second;
    const QSize size = QFile::exists(SvgPath(id)) ? QSvgRenderer(SvgPath(id)).defaultSize()
                                                  : QImage(PngPath(id, false)).size();
    sizes.emplace(id, size);
    return size;
}

bool HasBitmap(int id)
{
    return QFile::exists(SvgPath(id)) || QFile::exists(PngPath(id, false));
}

QImage Bitmap(int id, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (QFile::exists(SvgPath(id))) {
        QSvgRenderer renderer(SvgPath(id));
        const QSize logical = renderer.defaultSize();
        QImage image(logical * ratio, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        image.setDevicePixelRatio(ratio);
        return image;
    }
    if (ratio > 1.0 && QFile::exists(PngPath(id, true))) {
        QImage image(PngPath(id, true));
        image.setDevicePixelRatio(2.0);
        return image;
    }
    QImage image(PngPath(id, false));
    return image;
}

QImage Bitmap(int id, qreal devicePixelRatio, QSize logicalSize)
{
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    if (logicalSize.isEmpty())
        return {};
    const QSize pixels = (QSizeF(logicalSize) * ratio).toSize();
    if (QFile::exists(SvgPath(id))) {
        QSvgRenderer renderer(SvgPath(id));
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
        painter.end();
        image.setDevicePixelRatio(ratio);
        return image;
    }
    QImage image = Bitmap(id, ratio);
    if (image.isNull())
        return image;
    image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return image;
}

QSize LogicalSize(const QImage& image)
{
    if (image.isNull())
        return {};
    const QSizeF size = image.deviceIndependentSize();
    return {qRound(size.width()), qRound(size.height())};
}

std::vector<int> BitmapIds()
{
    std::vector<int> ids;
    const QDir dir(QStringLiteral(":/res/images"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        if (name.contains(QLatin1Char('@')))
            continue;
        bool ok = false;
        const int id = name.section(QLatin1Char('.'), 0, 0).toInt(&ok);
        if (ok)
            ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

}  // namespace brevant::res
