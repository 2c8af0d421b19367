#include "ui/controls/ImageCheckButton.h"

#include "ui/controls/ControlAccessibility.h"
#include "ui/controls/FormZoom.h"
#include "ui/res/ResourceRegistry.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QStyle>

#include <algorithm>

namespace brevant {

namespace {

// Space between the image and the caption, and around the caption for the
// focus frame.
constexpr int kTextGap = 4;
constexpr int kTextMargin = 1;

}  // namespace

ImageCheckButton::ImageCheckButton(QWidget* parent) : ImageCheckButton(0, QString(), parent) {}

ImageCheckButton::ImageCheckButton(int controlId, const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    SetControlId(controlId);
    InstallControlAccessibility();
    setCheckable(true);
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

ImageCheckButton::~ImageCheckButton() = default;

void ImageCheckButton::SetControlId(int controlId)
{
    controlId_ = controlId;
    setProperty("controlId", controlId);
}

bool ImageCheckButton::LoadImages(int checkedBitmapId, int uncheckedBitmapId)
{
    ratio_ = ImageRatio();
    QImage checked = res::Bitmap(checkedBitmapId, ratio_);
    QImage unchecked = res::Bitmap(uncheckedBitmapId, ratio_);
    const bool loaded = !checked.isNull() && !unchecked.isNull();
    if (!loaded) {
        checked = QImage();
        unchecked = QImage();
    }
    checked_ = checked;
    unchecked_ = unchecked;
    checkedId_ = loaded ? checkedBitmapId : 0;
    uncheckedId_ = loaded ? uncheckedBitmapId : 0;
    updateGeometry();
    update();
    return loaded;
}

void ImageCheckButton::SetImages(const QImage& checked, const QImage& unchecked)
{
    checked_ = checked;
    unchecked_ = unchecked;
    checkedId_ = 0;
    uncheckedId_ = 0;
    updateGeometry();
    update();
}

QImage ImageCheckButton::Greyed(const QImage& image)
{
    QImage grey = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    grey.setDevicePixelRatio(image.devicePixelRatio());
    return grey;
}

// Images from the resources are drawn at the screen's pixel ratio times the
// form's zoom, one image pixel to one device pixel.
qreal ImageCheckButton::ImageRatio() const
{
    return devicePixelRatioF() * zoom::Of(*this);
}

// Images from the resources are made again at a new pixel ratio so they stay
// crisp after the window has moved to another screen or the form was zoomed.
void ImageCheckButton::ReloadForRatio()
{
    const qreal ratio = ImageRatio();
    if (qFuzzyCompare(ratio, ratio_) || checkedId_ == 0)
        return;
    ratio_ = ratio;
    const QImage checked = res::Bitmap(checkedId_, ratio);
    const QImage unchecked = res::Bitmap(uncheckedId_, ratio);
    if (!checked.isNull() && !unchecked.isNull()) {
        checked_ = checked;
        unchecked_ = unchecked;
    }
}

QSize ImageCheckButton::ImageSize() const
{
    return res::LogicalSize(checked_).expandedTo(res::LogicalSize(unchecked_));
}

// The image and the spaces around the caption follow the form's zoom; the
// caption's font is the widget's, which the form has scaled already.
QSize ImageCheckButton::sizeHint() const
{
    const double scale = zoom::Of(*this);
    const QSize image = zoom::Scaled(ImageSize(), scale);
    int width = image.width();
    int height = image.height();
    if (!text().isEmpty()) {
        const QFontMetrics metrics(font());
        width += zoom::Scaled(kTextGap + 2 * kTextMargin, scale) + metrics.horizontalAdvance(text());
        height = std::max(height, metrics.height() + zoom::Scaled(2 * kTextMargin, scale));
    }
    return {std::max(width, 1), std::max(height, 1)};
}

QSize ImageCheckButton::minimumSizeHint() const
{
    return sizeHint();
}

void ImageCheckButton::paintEvent(QPaintEvent* /*event*/)
{
    ReloadForRatio();
    QPainter painter(this);
    const double scale = zoom::Of(*this);
    const QImage& image = isChecked() ? checked_ : unchecked_;
    const QSize imageSize = ImageSize();
    if (!image.isNull()) {
        // The image in base units under the zoomed painter; the caption below
        // in the widget's pixels, as its font is scaled already.
        painter.save();
        if (scale != 1.0)
            painter.scale(scale, scale);
        const QSize size = res::LogicalSize(image);
        const QPointF at(0, (zoom::BaseSize(*this).height() - size.height()) / 2);
        if (isEnabled()) {
            painter.drawImage(at, image);
        } else {
            // Disabled: the same picture without its colour and faded, so a
            // tick still reads as a tick and an empty box as empty.
            painter.setOpacity(0.55);
            painter.drawImage(at, Greyed(image));
        }
        painter.restore();
    }

    if (text().isEmpty())
        return;
    const int textLeft = zoom::Scaled(imageSize.width() + (imageSize.isEmpty() ? 0 : kTextGap), scale);
    const int margin = zoom::Scaled(kTextMargin, scale);
    const QRect textArea(textLeft + margin, 0, width() - textLeft - 2 * margin, height());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
    style()->drawItemText(&painter, textArea, flags, palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        const QRect used = painter.fontMetrics().boundingRect(textArea, flags, text());
        QPen pen(palette().color(QPalette::WindowText), scale);
        pen.setStyle(Qt::DotLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const qreal inset = scale / 2.0;
        painter.drawRect(
            QRectF(used.adjusted(-margin, -margin, margin, margin)).adjusted(inset, inset, -inset, -inset));
    }
}

}  // namespace brevant
