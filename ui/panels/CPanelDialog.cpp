#include "ui/panels/CPanelDialog.h"

#include "ui/controls/CImageCheckButton.h"
#include "ui/panels/PanelContext.h"
#include "ui/res/ResourceRegistry.h"

#include <QPainter>

namespace brevant {

void TagControl(QWidget* control, int controlId)
{
    control->setProperty("controlId", controlId);
    control->setObjectName(QString::number(controlId));
}

void ShowSwitch(CImageCheckButton& check, bool on, bool unknown)
{
    check.setEnabled(!unknown);
    if (check.GetCheck() != (on && !unknown))
        check.SetCheck(on && !unknown);
}

CPanelDialog::CPanelDialog(PanelContext& context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
}

CPanelDialog::~CPanelDialog() = default;

bool CPanelDialog::Live() const
{
    return m_context.Model().Family() == paneKind;
}

bool CPanelDialog::UnknownHere(Op op) const
{
    return m_context.Model().Unknown(op, {Channel()});
}

CImageCheckButton* CPanelDialog::AddCheck(int controlId, const QString& caption)
{
    auto* check = new CImageCheckButton(controlId, caption, this);
    TagControl(check, controlId);
    check->LoadImages(197, 198);
    check->SetCheck(false);
    return check;
}

void CPanelDialog::SetBackgroundBitmap(int bitmapId)
{
    m_backgroundId = bitmapId;
    m_ratio = devicePixelRatioF();
    m_background = bitmapId ? QPixmap::fromImage(res::Bitmap(bitmapId, m_ratio)) : QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, !m_background.isNull());
    update();
}

void CPanelDialog::paintEvent(QPaintEvent* event)
{
    if (m_background.isNull()) {
        QWidget::paintEvent(event);
        return;
    }
    // On a screen of another scale the image is drawn again at that scale.
    if (devicePixelRatioF() != m_ratio)
        SetBackgroundBitmap(m_backgroundId);
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), m_background);
}


}  // namespace brevant
