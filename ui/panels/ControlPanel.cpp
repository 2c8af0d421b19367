#include "ui/panels/ControlPanel.h"

#include "ui/controls/FormZoom.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/PanelContext.h"
#include "ui/res/ResourceRegistry.h"

#include <QCoreApplication>
#include <QPainter>

namespace brevant {

void TagControl(QWidget* control, int controlId)
{
    control->setProperty("controlId", controlId);
    control->setObjectName(QString::number(controlId));
}

QString ControlName(Direction direction, int channel, const QString& what)
{
    const QString channelName =
        (direction == Direction::Input ? QCoreApplication::translate("brevant::ControlPanel", "Input %1")
                                       : QCoreApplication::translate("brevant::ControlPanel", "Output %1"))
            .arg(channel);
    return what.isEmpty() ? channelName : channelName + QLatin1Char(' ') + what;
}

void ShowSwitch(ImageCheckButton& check, bool on, bool unknown)
{
    check.setEnabled(!unknown);
    if (check.isChecked() != (on && !unknown))
        check.setChecked(on && !unknown);
}

ControlPanel::ControlPanel(PanelContext& context, QWidget* parent) : QWidget(parent), context_(context) {}

ControlPanel::~ControlPanel() = default;

bool ControlPanel::Live() const
{
    return context_.Model().Family() == paneFamily;
}

bool ControlPanel::UnknownHere(Op op) const
{
    return !context_.Model().Holds(op, {Channel()});
}

ImageCheckButton* ControlPanel::AddCheck(int controlId, const QString& caption)
{
    auto* check = new ImageCheckButton(controlId, caption, this);
    TagControl(check, controlId);
    check->LoadImages(res::kCheckOn, res::kCheckOff);
    check->setChecked(false);
    return check;
}

void ControlPanel::NameChecks(Direction direction)
{
    for (ImageCheckButton* check : findChildren<ImageCheckButton*>())
        check->setAccessibleName(ControlName(direction, Channel(), check->text()));
}

void ControlPanel::SetBackgroundImage(int imageId)
{
    backgroundId_ = imageId;
    ratio_ = devicePixelRatioF() * zoom::Of(*this);
    background_ = imageId ? QPixmap::fromImage(res::Bitmap(imageId, ratio_)) : QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, !background_.isNull());
    update();
}

void ControlPanel::paintEvent(QPaintEvent* event)
{
    if (background_.isNull()) {
        QWidget::paintEvent(event);
        return;
    }
    // On a screen of another scale the image is drawn again at that scale.
    if (devicePixelRatioF() * zoom::Of(*this) != ratio_)
        SetBackgroundImage(backgroundId_);
    QPainter painter(this);
    const double factor = zoom::Of(*this);
    painter.scale(factor, factor);
    painter.drawTiledPixmap(QRectF(QPointF(0, 0), zoom::BaseSizeF(*this)), background_);
}

}  // namespace brevant
