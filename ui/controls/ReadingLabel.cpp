#include "ui/controls/ReadingLabel.h"

#include <QPainter>

namespace brevant {

ReadingLabel::ReadingLabel(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
}

void ReadingLabel::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    if (text().isEmpty())
        return;
    QPainter painter(this);
    const QStaticText& laidOut = texts_.Get(text(), font());
    const QSizeF size = laidOut.size();
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.setPen(palette().color(group, foregroundRole()));
    painter.setFont(font());
    painter.drawStaticText(QPointF((width() - size.width()) / 2.0, (height() - size.height()) / 2.0),
                           laidOut);
}

}  // namespace brevant
