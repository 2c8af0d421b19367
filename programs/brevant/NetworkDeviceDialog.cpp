#include "programs/brevant/NetworkDeviceDialog.h"

#include "core/PortAddress.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace brevant {

NetworkDeviceDialog::NetworkDeviceDialog(const NetworkDevice& device, QWidget* parent)
    : QDialog(parent)
    , m_name(new QLineEdit(device.name, this))
    , m_address(new QLineEdit(device.address, this))
    , m_problem(new QLabel(this))
    , m_device(device)
{
    setWindowTitle(device.address.isEmpty() ? QStringLiteral("Add Network Device")
                                            : QStringLiteral("Edit Network Device"));
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setPlaceholderText(QStringLiteral("e.g. Rack 2"));
    m_address->setObjectName(QStringLiteral("address"));
    m_address->setPlaceholderText(QStringLiteral("tcp://HOST:PORT"));
    m_address->setMinimumWidth(m_address->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    auto* hint = new QLabel(QStringLiteral("tcp://HOST:PORT \u2014 a raw TCP port\n"
                                           "rfc2217://HOST:PORT \u2014 a server speaking RFC 2217, which sets its "
                                           "line to 19200 8N1"),
                            this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00020"));
    m_problem->hide();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Name:"), m_name);
    form->addRow(QStringLiteral("&Address:"), m_address);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &NetworkDeviceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NetworkDeviceDialog::reject);
    // The reason stays until the address is changed.
    connect(m_address, &QLineEdit::textEdited, m_problem, &QLabel::hide);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    (device.address.isEmpty() ? m_address : m_name)->setFocus();
}

QString NetworkDeviceDialog::Problem() const { return m_problem->isHidden() ? QString() : m_problem->text(); }

void NetworkDeviceDialog::accept()
{
    const PortAddressParse parse = ParsePortAddress(m_address->text().trimmed().toStdString());
    QString problem;
    if (!parse.address)
        problem = QString::fromStdString(parse.error);
    else if (!parse.address->Network())
        problem = QStringLiteral("A network device's address begins with tcp:// or rfc2217://; "
                                 "serial ports are listed by themselves.");
    if (!problem.isEmpty()) {
        m_problem->setText(problem);
        m_problem->show();
        m_address->setFocus();
        return;
    }
    const QString address = QString::fromStdString(parse.address->Text());
    const QString name = m_name->text().trimmed();
    m_device = {name.isEmpty() ? address : name, address};
    QDialog::accept();
}

}  // namespace brevant
