#include "ui/controls/ImageCheckButton.h"

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

ImageCheckButton::ImageCheckButton(QWidget* parent)
    : ImageCheckButton(0, QString(), parent)
{
}

ImageCheckButton::ImageCheckButton(int controlId, const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    SetControlId(controlId);
    setCheckable(true);
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

ImageCheckButton::~ImageCheckButton() = default;

void ImageCheckButton::SetControlId(int controlId)
{
    m_controlId = controlId;
    setProperty("controlId", controlId);
}

bool ImageCheckButton::LoadImages(int checkedBitmapId, int uncheckedBitmapId)
{
    m_ratio = devicePixelRatioF();
    QImage checked = res::Bitmap(checkedBitmapId, m_ratio);
    QImage unchecked = res::Bitmap(uncheckedBitmapId, m_ratio);
    const bool loaded = !checked.isNull() && !unchecked.isNull();
    if (!loaded) {
        checked = QImage();
        unchecked = QImage();
    }
    m_checked = checked;
    m_unchecked = unchecked;
    m_checkedId = loaded ? checkedBitmapId : 0;
    m_uncheckedId = loaded ? uncheckedBitmapId : 0;
    updateGeometry();
    update();
    return loaded;
}

void ImageCheckButton::SetImages(const QImage& checked, const QImage& unchecked)
{
    m_checked = checked;
    m_unchecked = unchecked;
    m_checkedId = 0;
    m_uncheckedId = 0;
    updateGeometry();
    update();
}

void ImageCheckButton::SetCheck(bool checked)
{
    // Refreshes set every switch several times a second: no change, no paint.
    if (checked == isChecked())
        return;
    setChecked(checked);
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
    if (qFuzzyCompare(ratio, m_ratio) || m_checkedId == 0)
        return;
    m_ratio = ratio;
    const QImage checked = res::Bitmap(m_checkedId, ratio);
    const QImage unchecked = res::Bitmap(m_uncheckedId, ratio);
    if (!checked.isNull() && !unchecked.isNull()) {
        m_checked = checked;
        m_unchecked = unchecked;
    }
}

QSize ImageCheckButton::ImageSize() const
{
    return res::LogicalSize(m_checked).expandedTo(res::LogicalSize(m_unchecked));
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
    const QImage& image = isChecked() ? m_checked : m_unchecked;
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
    style()->drawItemText(&painter, textArea, flags, palette(), isEnabled(), text(),
                          QPalette::WindowText);
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
