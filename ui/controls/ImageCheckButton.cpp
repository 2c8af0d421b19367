#include "ui/controls/ImageCheckButton.h"

#include "ui/controls/ControlAccessibility.h"
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
    ratio_ = devicePixelRatioF();
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

// Images from the resources are made again at a new pixel ratio so they stay
// crisp after the window has moved to another screen.
void ImageCheckButton::ReloadForRatio()
{
    const qreal ratio = devicePixelRatioF();
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

QSize ImageCheckButton::sizeHint() const
{
    const QSize image = ImageSize();
    int width = image.width();
    int height = image.height();
    if (!text().isEmpty()) {
        const QFontMetrics metrics(font());
        width += kTextGap + metrics.horizontalAdvance(text()) + 2 * kTextMargin;
        height = std::max(height, metrics.height() + 2 * kTextMargin);
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
    const QImage& image = isChecked() ? checked_ : unchecked_;
    const QSize imageSize = ImageSize();
    if (!image.isNull()) {
        const QSize size = res::LogicalSize(image);
        const QPointF at(0, (height() - size.height()) / 2);
        if (isEnabled()) {
            painter.drawImage(at, image);
        } else {
            // Disabled: the same picture without its colour and faded, so a
            // tick still reads as a tick and an empty box as empty.
            painter.setOpacity(0.55);
            painter.drawImage(at, Greyed(image));
            painter.setOpacity(1.0);
        }
    }

    if (text().isEmpty())
        return;
    const int textLeft = imageSize.width() + (imageSize.isEmpty() ? 0 : kTextGap);
    const QRect textArea(textLeft + kTextMargin, 0, width() - textLeft - 2 * kTextMargin, height());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
    style()->drawItemText(&painter, textArea, flags, palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        const QRect used = painter.fontMetrics().boundingRect(textArea, flags, text());
        QPen pen(palette().color(QPalette::WindowText));
        pen.setStyle(Qt::DotLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(used.adjusted(-kTextMargin, -kTextMargin, kTextMargin, kTextMargin))
                             .adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

}  // namespace brevant
