#include "programs/brevant/NetworkDeviceDialog.h"

#include "core/PortAddress.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace brevant {

NetworkDeviceDialog::NetworkDeviceDialog(const NetworkDevice& device, QWidget* parent)
    : QDialog(parent), name_(new QLineEdit(device.name, this)), address_(new QLineEdit(device.address, this)),
      problem_(new QLabel(this)), device_(device)
{
    setWindowTitle(device.address.isEmpty() ? tr("Add Network Device") : tr("Edit Network Device"));
    name_->setObjectName(QStringLiteral("name"));
    name_->setPlaceholderText(tr("e.g. Rack 2"));
    address_->setObjectName(QStringLiteral("address"));
    address_->setPlaceholderText(QStringLiteral("tcp://HOST:PORT"));
    address_->setMinimumWidth(address_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    auto* hint = new QLabel(tr("tcp://HOST:PORT \u2014 a raw TCP port\n"
                               "rfc2217://HOST:PORT \u2014 a server speaking RFC 2217, which sets its "
                               "line to 19200 8N1"),
                            this);
    problem_->setObjectName(QStringLiteral("problem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00020"));
    problem_->hide();

    auto* form = new QFormLayout;
    form->addRow(tr("&Name:"), name_);
    form->addRow(tr("&Address:"), address_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &NetworkDeviceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NetworkDeviceDialog::reject);
    // The reason stays until the address is changed.
    connect(address_, &QLineEdit::textEdited, problem_, &QLabel::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
    (device.address.isEmpty() ? address_ : name_)->setFocus();
}

QString NetworkDeviceDialog::Problem() const
{
    return problem_->isHidden() ? QString() : problem_->text();
}

void NetworkDeviceDialog::accept()
{
    const PortAddressParse parse = ParsePortAddress(address_->text().trimmed().toStdString());
    QString problem;
    if (!parse.address)
        problem = QString::fromStdString(parse.error);
    else if (!parse.address->Network())
        problem = tr("A network device's address begins with tcp:// or rfc2217://; "
                     "serial ports are listed by themselves.");
    if (!problem.isEmpty()) {
        problem_->setText(problem);
        problem_->show();
        address_->setFocus();
        return;
    }
    const QString address = QString::fromStdString(parse.address->Text());
    const QString name = name_->text().trimmed();
    device_ = {name.isEmpty() ? address : name, address};
    QDialog::accept();
}

}  // namespace brevant
