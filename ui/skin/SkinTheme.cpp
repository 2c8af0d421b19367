#include "ui/skin/SkinTheme.h"

namespace brevant {

namespace {

quint16 Exchange565(quint16 pixel, char theme)
{
    const quint16 red = (pixel >> 11) & 0x1F;
    const quint16 green = (pixel >> 5) & 0x3F;
    const quint16 blue = pixel & 0x1F;
    if (theme == SkinTheme::kInputs)
        return static_cast<quint16>((blue << 11) | (green << 5) | red);
    // Green and blue: the 5-bit blue widened to six bits, the green narrowed.
    const quint16 wideBlue = static_cast<quint16>(blue * 63 / 31);
    const quint16 narrowGreen = static_cast<quint16>(green / 2);
    return static_cast<quint16>((red << 11) | (wideBlue << 5) | narrowGreen);
}

QRgb Exchange8888(QRgb pixel, char theme)
{
    const int red = qRed(pixel);
    const int green = qGreen(pixel);
    const int blue = qBlue(pixel);
    const int alpha = qAlpha(pixel);
    if (theme == SkinTheme::kInputs)
        return qRgba(blue, green, red, alpha);
    return qRgba(red, blue, green, alpha);
}

bool Is32BitRgb(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

QImage SkinTheme::Recolour(const QImage& image, char theme)
{
    if (image.isNull() || (theme != kInputs && theme != kOutputs))
        return image;

    if (image.format() == QImage::Format_RGB16) {
        QImage out = image.copy();
        for (int y = 0; y < out.height(); ++y) {
            auto* line = reinterpret_cast<quint16*>(out.scanLine(y));
            for (int x = 0; x < out.width(); ++x)
                line[x] = Exchange565(line[x], theme);
        }
        return out;
    }

    QImage out = Is32BitRgb(image.format()) ? image.copy() : image.convertToFormat(QImage::Format_ARGB32);
    // Exchanging two colour components of a premultiplied pixel keeps it
    // premultiplied, so all three formats are worked on alike.
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            line[x] = Exchange8888(line[x], theme);
    }
    return out;
}

QColor SkinTheme::Recolour(const QColor& colour, char theme)
{
    if (theme != kInputs && theme != kOutputs)
        return colour;
    return QColor::fromRgba(Exchange8888(colour.rgba(), theme));
}

QColor SkinTheme::LightColour(char theme)
{
    switch (theme) {
    case kInputs: return {243, 230, 227};
    case kOutputs: return {227, 243, 230};
    default: return {227, 230, 243};
    }
}

}  // namespace brevant
