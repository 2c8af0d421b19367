#include "programs/brevant/ZoomedForm.h"

#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
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
    : QWidget(parent)
    , m_form(form)
    , m_stack(new QStackedLayout(this))
    , m_plain(new QScrollArea(this))
    , m_view(new QGraphicsView(this))
{
    m_plain->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_plain->setFrameShape(QFrame::NoFrame);
    m_plain->setWidget(form);

    auto* scene = new QGraphicsScene(m_view);
    m_proxy = new QGraphicsProxyWidget;
    scene->addItem(m_proxy);
    m_view->setScene(scene);
    m_view->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_view->setFrameShape(QFrame::NoFrame);
    m_view->setBackgroundBrush(form->palette().window());
    // The meters redraw many times a second: keep each redraw to the form's
    // own painting, with no saved painter state and no antialiasing margin.
    m_view->setOptimizationFlags(QGraphicsView::DontSavePainterState | QGraphicsView::DontAdjustForAntialiasing);
    m_view->setRenderHint(QPainter::SmoothPixmapTransform);
    m_view->setTransformationAnchor(QGraphicsView::NoAnchor);

    m_stack->addWidget(m_plain);
    m_stack->addWidget(m_view);
    FormSizeChanged();
}

// The form goes with whichever host holds it.
ZoomedForm::~ZoomedForm() = default;

QWidget* ZoomedForm::Viewport() const { return Scaled() ? m_view->viewport() : m_plain->viewport(); }

QScrollBar* ZoomedForm::ScrollBar(Qt::Orientation orientation) const
{
    const QAbstractScrollArea* area = Scaled() ? static_cast<QAbstractScrollArea*>(m_view) : m_plain;
    return orientation == Qt::Horizontal ? area->horizontalScrollBar() : area->verticalScrollBar();
}

QPoint ZoomedForm::ViewportPos(QWidget& control, QPoint local) const
{
    const QPoint onForm = control.mapTo(m_form, local);
    if (!Scaled())
        return m_form->mapTo(m_plain->viewport(), onForm);
    return m_view->mapFromScene(QPointF(onForm));
}

QPoint ZoomedForm::GlobalPos(QWidget& control, QPoint local) const
{
    return Viewport()->mapToGlobal(ViewportPos(control, local));
}

void ZoomedForm::EnsureVisible(QWidget& control, QPoint local)
{
    const QPoint onForm = control.mapTo(m_form, local);
    if (Scaled())
        m_view->ensureVisible(QRectF(QPointF(onForm), QSizeF(1, 1)));
    else
        m_plain->ensureVisible(onForm.x(), onForm.y());
}

void ZoomedForm::SetZoom(Zoom zoom)
{
    const bool wasScaled = Scaled();
    m_zoom = zoom;
    if (Scaled() != wasScaled) {
        // The form moves to the other host; it keeps its focus and state.
        if (Scaled()) {
            m_plain->takeWidget();
            m_form->setParent(nullptr);
            m_proxy->setWidget(m_form);
        } else {
            m_proxy->setWidget(nullptr);
            m_plain->setWidget(m_form);
        }
        m_form->show();
        m_stack->setCurrentWidget(Scaled() ? static_cast<QWidget*>(m_view) : m_plain);
    }
    // Fit never needs a bar; a fixed zoom scrolls when the window is smaller.
    const Qt::ScrollBarPolicy bars = zoom == Zoom::Fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    m_view->setHorizontalScrollBarPolicy(bars);
    m_view->setVerticalScrollBarPolicy(bars);
    FormSizeChanged();
}

void ZoomedForm::FormSizeChanged()
{
    const QSize size = m_form->minimumSize().expandedTo(QSize(1, 1));
    m_form->resize(size);
    if (Scaled()) {
        m_proxy->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
        m_view->scene()->setSceneRect(QRectF(QPointF(0, 0), QSizeF(size)));
    }
    Apply();
}

void ZoomedForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_zoom == Zoom::Fit)
        Apply();
}

void ZoomedForm::Apply()
{
    double scale = Fixed(m_zoom);
    if (m_zoom == Zoom::Fit) {
        const QSizeF picture = QSizeF(m_form->size());
        const QSize room = m_view->viewport()->size();
        scale = std::max(kSmallestFit, std::min(room.width() / picture.width(), room.height() / picture.height()));
    }
    m_scale = scale;
    m_view->setTransform(QTransform::fromScale(scale, scale));
}

}  // namespace brevant
