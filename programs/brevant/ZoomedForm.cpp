#include "programs/brevant/ZoomedForm.h"

#include <QCoreApplication>
#include <QGraphicsProxyWidget>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedLayout>
#include <QStyleOptionGraphicsItem>

#include <algorithm>

namespace brevant {

namespace {

// The smallest scale Fit goes to: below it the texts are unreadable, and a
// scroll bar is the better answer.
constexpr double kSmallestFit = 0.5;

double Fixed(Zoom zoom)
{
    switch (zoom) {
    case Zoom::Percent125: return 1.25;
    case Zoom::Percent150: return 1.5;
    case Zoom::Percent200: return 2.0;
    case Zoom::Percent100:
    case Zoom::Fit: break;
    }
    return 1.0;
}

// The form in the scaled view.
//
// Its picture is kept at the view's scale (a device-coordinate cache), and
// only the parts of the form that changed are drawn again: the meters of a
// polling pass, not the whole form between them. The scene merges the
// changed parts of one item into their bounding box, which spans the form
// from the first input's meter to the last output's; the cache keeps them
// apart and clips the painter to them, and the form is drawn through that
// clip alone.
//
// It does not follow the form's layout requests: every new label text asks
// for one, and the proxy would then work out the size hints of the whole form
// again, many times a second. The form's size is set from outside
// (FormSizeChanged).
class FormProxy : public QGraphicsProxyWidget {
public:
    FormProxy() { setCacheMode(QGraphicsItem::DeviceCoordinateCache); }

    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (object == widget() && event->type() == QEvent::LayoutRequest)
            return false;
        return QGraphicsProxyWidget::eventFilter(object, event);
    }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* on) override
    {
        QWidget* form = widget();
        if (!painter->hasClipping() || form == nullptr || !form->isVisible()) {
            QGraphicsProxyWidget::paint(painter, option, on);
            return;
        }
        const QRegion changed =
            painter->clipRegion() & option->exposedRect.toAlignedRect() & rect().toAlignedRect();
        if (!changed.isEmpty())
            form->render(painter, changed.boundingRect().topLeft(), changed);
    }
};

// The view round the scaled form. The form covers its own area with
// opaque paint, so only the margins beside it take the window colour: the
// area of every changed part is painted once, not filled first.
class FormView : public QGraphicsView {
public:
    using QGraphicsView::QGraphicsView;

protected:
    void drawBackground(QPainter* painter, const QRectF& exposed) override
    {
        const QRegion margins = QRegion(exposed.toAlignedRect()) - sceneRect().toAlignedRect();
        const QColor window = palette().color(QPalette::Window);
        for (const QRect& margin : margins)
            painter->fillRect(margin, window);
    }
};

}  // namespace

QString ZoomMenuText(Zoom zoom)
{
    switch (zoom) {
    // Each item is underlined on the first letter of a word: the
    // percentages share their digits.
    case Zoom::Percent100: return QCoreApplication::translate("brevant::ZoomedForm", "&Normal (100 %)");
    case Zoom::Percent125: return QCoreApplication::translate("brevant::ZoomedForm", "&Large (125 %)");
    case Zoom::Percent150: return QCoreApplication::translate("brevant::ZoomedForm", "&Extra large (150 %)");
    case Zoom::Percent200: return QCoreApplication::translate("brevant::ZoomedForm", "&Double (200 %)");
    case Zoom::Fit: break;
    }
    return QCoreApplication::translate("brevant::ZoomedForm", "&Fit to window");
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
    : QWidget(parent), form_(form), stack_(new QStackedLayout(this)), plain_(new QScrollArea(this)),
      view_(new FormView(this))
{
    plain_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    plain_->setFrameShape(QFrame::NoFrame);
    plain_->setWidget(form);

    auto* scene = new QGraphicsScene(view_);
    proxy_ = new FormProxy;
    scene->addItem(proxy_);
    view_->setScene(scene);
    view_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    view_->setFrameShape(QFrame::NoFrame);
    // The margins round the scaled form take the window colour of the
    // program's palette, as the form does, whenever the palette changes
    // (FormView); the viewport itself is never filled first.
    view_->viewport()->setBackgroundRole(QPalette::Window);
    view_->viewport()->setAutoFillBackground(false);
    view_->viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    // The meters redraw many times a second: keep each redraw to the form's
    // own painting, with no saved painter state and no antialiasing margin.
    view_->setOptimizationFlags(QGraphicsView::DontSavePainterState |
                                QGraphicsView::DontAdjustForAntialiasing);
    view_->setRenderHint(QPainter::SmoothPixmapTransform);
    view_->setTransformationAnchor(QGraphicsView::NoAnchor);

    stack_->addWidget(plain_);
    stack_->addWidget(view_);
    FormSizeChanged();
}

// The form goes with whichever host holds it.
ZoomedForm::~ZoomedForm() = default;

QWidget* ZoomedForm::Viewport() const
{
    return Scaled() ? view_->viewport() : plain_->viewport();
}

QScrollBar* ZoomedForm::ScrollBar(Qt::Orientation orientation) const
{
    const QAbstractScrollArea* area = Scaled() ? static_cast<QAbstractScrollArea*>(view_) : plain_;
    return orientation == Qt::Horizontal ? area->horizontalScrollBar() : area->verticalScrollBar();
}

QPoint ZoomedForm::ViewportPos(QWidget& control, QPoint local) const
{
    const QPoint onForm = control.mapTo(form_, local);
    if (!Scaled())
        return form_->mapTo(plain_->viewport(), onForm);
    return view_->mapFromScene(QPointF(onForm));
}

QPoint ZoomedForm::GlobalPos(QWidget& control, QPoint local) const
{
    return Viewport()->mapToGlobal(ViewportPos(control, local));
}

void ZoomedForm::EnsureVisible(QWidget& control, QPoint local)
{
    const QPoint onForm = control.mapTo(form_, local);
    if (Scaled())
        view_->ensureVisible(QRectF(QPointF(onForm), QSizeF(1, 1)));
    else
        plain_->ensureVisible(onForm.x(), onForm.y());
}

void ZoomedForm::SetZoom(Zoom zoom)
{
    const bool wasScaled = Scaled();
    zoom_ = zoom;
    if (Scaled() != wasScaled) {
        // The form moves to the other host; it keeps its focus and state.
        if (Scaled()) {
            plain_->takeWidget();
            form_->setParent(nullptr);
            proxy_->setWidget(form_);
        } else {
            proxy_->setWidget(nullptr);
            plain_->setWidget(form_);
        }
        form_->show();
        stack_->setCurrentWidget(Scaled() ? static_cast<QWidget*>(view_) : plain_);
    }
    // Fit never needs a bar; a fixed zoom scrolls when the window is smaller.
    const Qt::ScrollBarPolicy bars = zoom == Zoom::Fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    view_->setHorizontalScrollBarPolicy(bars);
    view_->setVerticalScrollBarPolicy(bars);
    FormSizeChanged();
}

void ZoomedForm::FormSizeChanged()
{
    const QSize size = form_->minimumSize().expandedTo(QSize(1, 1));
    form_->resize(size);
    if (Scaled()) {
        proxy_->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
        view_->scene()->setSceneRect(QRectF(QPointF(0, 0), QSizeF(size)));
    }
    Apply();
}

void ZoomedForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (zoom_ == Zoom::Fit)
        Apply();
}

void ZoomedForm::Apply()
{
    double scale = Fixed(zoom_);
    if (zoom_ == Zoom::Fit) {
        const QSizeF picture = QSizeF(form_->size());
        // The view fills this widget edge to edge, with no frame and no bars
        // at Fit; its own size may not have caught up yet while hidden.
        const QSize room = size();
        scale = std::max(kSmallestFit,
                         std::min(room.width() / picture.width(), room.height() / picture.height()));
    }
    scale_ = scale;
    view_->setTransform(QTransform::fromScale(scale, scale));
}

}  // namespace brevant
