#include "programs/brevant/ZoomedForm.h"

#include "ui/controls/FormZoom.h"
#include "ui/form/MainForm.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

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

ZoomedForm::ZoomedForm(MainForm* form, QWidget* parent)
    : QWidget(parent), form_(form), area_(new QScrollArea(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area_);
    area_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    area_->setFrameShape(QFrame::NoFrame);
    area_->setWidget(form);
    connect(form, &MainForm::formSizeChanged, this, &ZoomedForm::FormSizeChanged);
    FormSizeChanged();
}

ZoomedForm::~ZoomedForm() = default;

QWidget* ZoomedForm::Viewport() const
{
    return area_->viewport();
}

QScrollBar* ZoomedForm::ScrollBar(Qt::Orientation orientation) const
{
    return orientation == Qt::Horizontal ? area_->horizontalScrollBar() : area_->verticalScrollBar();
}

QPoint ZoomedForm::ViewportPos(QWidget& control, QPoint local) const
{
    return control.mapTo(area_->viewport(), local);
}

QPoint ZoomedForm::GlobalPos(QWidget& control, QPoint local) const
{
    return control.mapToGlobal(local);
}

void ZoomedForm::EnsureVisible(QWidget& control, QPoint local)
{
    const QPoint onForm = control.mapTo(form_, local);
    area_->ensureVisible(onForm.x(), onForm.y());
}

void ZoomedForm::SetZoom(Zoom zoom)
{
    zoom_ = zoom;
    // Fit never needs a bar; a fixed zoom scrolls when the window is smaller.
    const Qt::ScrollBarPolicy bars = zoom == Zoom::Fit ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    area_->setHorizontalScrollBarPolicy(bars);
    area_->setVerticalScrollBarPolicy(bars);
    Apply();
}

void ZoomedForm::FormSizeChanged()
{
    scale_ = 0.0;  // lay the form out again even at the same scale
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
    const QSizeF base = QSizeF(form_->BaseSize().expandedTo(QSize(1, 1)));
    double scale = Fixed(zoom_);
    if (zoom_ == Zoom::Fit) {
        // The area fills this widget edge to edge, with no frame and no bars
        // at Fit; its own size may not have caught up yet while hidden.
        const QSize room = size();
        scale = std::max(kSmallestFit, std::min(room.width() / base.width(), room.height() / base.height()));
    }
    if (scale != scale_) {
        scale_ = scale;
        zoom::Set(*form_, scale);
    }
    form_->resize(zoom::Scaled(form_->BaseSize(), scale));
}

}  // namespace brevant
