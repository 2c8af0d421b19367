#include "programs/brevant/AboutDialog.h"

#include "procedures/DeviceFit.h"
#include "ui/panels/ControlPanel.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

namespace brevant {

AboutDialog::AboutDialog(DeviceState& state, QWidget* parent)
    : QDialog(parent), first_(new QLabel(QStringLiteral("Brevant 1.0 "), this)), second_(new QLabel(this))
{
    setWindowTitle(tr("About Brevant"));
    TagControl(first_, kFirstLineId);
    TagControl(second_, kSecondLineId);
    if (state.flags.Connected) {
        // The model as the status bar and brevantctl name it; one the program
        // does not know is named as such.
        first_->setText(tr("Model：%1").arg(QString::fromStdString(ModelName(state))));
        second_->setText(tr("Version：%1").arg(QString::fromStdString(state.params.SV.Get())));
    }

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().isNull()
                        ? style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48)
                        : QApplication::windowIcon().pixmap(48, 48));
    auto* lines = new QVBoxLayout;
    lines->addWidget(first_);
    lines->addWidget(second_);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(lines, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

QString AboutDialog::FirstLine() const
{
    return first_->text();
}
QString AboutDialog::SecondLine() const
{
    return second_->text();
}

}  // namespace brevant
