#include "ZoomedForm.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QResizeEvent>

#include <algorithm>

namespace brevant {

namespace {

// The smallest scale Fit goes to: below it the texts are unreadable, and a
// scroll bar is the better answer.
constexpr double kSmallestFit = 0.5;

double Fixed(Zoom zoom)
{
    switch (zoom) {
    case Zoom::Percent125:
        return 1.25;
    case Zoom::Percent150:
        return 1.5;
    case Zoom::Percent200:
        return 2.0;
    case Zoom::Percent100:
    case Zoom::Fit:
        break;
    }
    return 1.0;
}

}  // namespace

QString ZoomMenuText(Zoom zoom)
{
    switch (zoom) {
    case Zoom::Percent100:
        return QStringLiteral("&100 %");
    case Zoom::Percent125:
        return QStringLiteral("12&5 %");
    case Zoom::Percent150:
        return QStringLiteral("15&0 %");
    case Zoom::Percent200:
        return QStringLiteral("&200 %");
    case Zoom::Fit:
        break;
    }
    return QStringLiteral("&Fit to window");
}

QString ZoomSettingText(Zoom zoom)
{
    return zoom == Zoom::Fit ? QStringLiteral("fit") : QString::number(qRound(Fixed(zoom) * 100));
}

std::optional<Zoom> ZoomFromSetting(const QString& text)
{
    for (Zoom zoom : kZooms) {
        if (ZoomSettingText(zoom) == text)
            return zoom;
    }
    return std::nullopt;
}

ZoomedForm::ZoomedForm(QWidget* form, QWidget* parent)
    : QGraphicsView(parent)
    , m_form(form)
{
    auto* scene = new QGraphicsScene(this);
    m_proxy = scene->addWidget(form);
    setScene(scene);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setFrameShape(QFrame::NoFrame);
    setBackgroundBrush(form->palette().window());
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
    // The form's own widgets take the wheel; the view scrolls with its bars.
    setTransformationAnchor(QGraphicsView::NoAnchor);
    FormSizeChanged();
}

ZoomedForm::~ZoomedForm() = default;

void ZoomedForm::SetZoom(Zoom zoom)
{
    m_zoom = zoom;
    // Fit never needs a bar; a fixed zoom scrolls when the window is smaller.
    const Qt::ScrollBarPolicy bars = zoom == Zoom::Fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    setHorizontalScrollBarPolicy(bars);
    setVerticalScrollBarPolicy(bars);
    Apply();
}

void ZoomedForm::FormSizeChanged()
{
    const QSize size = m_form->minimumSize().expandedTo(QSize(1, 1));
    m_proxy->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    scene()->setSceneRect(QRectF(QPointF(0, 0), QSizeF(size)));
    Apply();
}

QPoint ZoomedForm::GlobalPos(QWidget& control, QPoint local) const
{
    return viewport()->mapToGlobal(mapFromScene(QPointF(control.mapTo(m_form, local))));
}

void ZoomedForm::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    if (m_zoom == Zoom::Fit)
        Apply();
}

void ZoomedForm::Apply()
{
    double scale = Fixed(m_zoom);
    if (m_zoom == Zoom::Fit) {
        const QSizeF picture = scene()->sceneRect().size();
        const QSize room = viewport()->size();
        scale = std::max(kSmallestFit, std::min(room.width() / picture.width(), room.height() / picture.height()));
    }
    m_scale = scale;
    setTransform(QTransform::fromScale(scale, scale));
}

}  // namespace brevant
