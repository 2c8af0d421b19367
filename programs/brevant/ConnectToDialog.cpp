#include "programs/brevant/ConnectToDialog.h"

#include "programs/brevant/NetworkDeviceDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace brevant {

namespace {

constexpr int kKeyRole = Qt::UserRole;         // the entry's target key
constexpr int kDeviceRole = Qt::UserRole + 1;  // a saved network device's index
enum Column { kNameColumn, kAddressColumn, kDetailsColumn, kColumns };
constexpr int kListWidthInChars = 80;
constexpr int kListHeightInLines = 14;

QString ProtocolOf(const QString& address)
{
    const auto parse = ParsePortAddress(address.toStdString());
    if (!parse.address)
        return QCoreApplication::translate("brevant::ConnectToDialog", "not a valid address");
    return parse.address->kind == PortKind::Rfc2217
               ? QStringLiteral("RFC 2217")
               : QCoreApplication::translate("brevant::ConnectToDialog", "raw TCP");
}

}  // namespace

ConnectToDialog::ConnectToDialog(std::vector<PortInfo> ports, QSettings& settings, const QString& simulator,
                                 QWidget* parent)
    : QDialog(parent), ports_(std::move(ports)), settings_(settings), simulator_(simulator),
      devices_(SavedNetworkDevices(settings)), list_(new QTreeWidget(this))
{
    setWindowTitle(tr("Connect To"));
    auto* intro = new QLabel(tr("Choose the &device to connect to:"), this);
    intro->setBuddy(list_);

    list_->setObjectName(QStringLiteral("targets"));
    list_->setColumnCount(kColumns);
    list_->setHeaderLabels({tr("Device"), tr("Address"), tr("Details")});
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setAllColumnsShowFocus(true);
    list_->header()->setStretchLastSection(true);
    const QFontMetrics metrics = fontMetrics();
    list_->setMinimumSize(metrics.averageCharWidth() * kListWidthInChars,
                          metrics.height() * kListHeightInLines);

    auto* add = new QPushButton(tr("&Add\u2026"), this);
    add->setObjectName(QStringLiteral("add"));
    edit_ = new QPushButton(tr("&Edit\u2026"), this);
    edit_->setObjectName(QStringLiteral("edit"));
    remove_ = new QPushButton(tr("&Remove"), this);
    remove_->setObjectName(QStringLiteral("remove"));
    connect(add, &QPushButton::clicked, this, &ConnectToDialog::OnAdd);
    connect(edit_, &QPushButton::clicked, this, &ConnectToDialog::OnEdit);
    connect(remove_, &QPushButton::clicked, this, &ConnectToDialog::OnRemove);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    connect_ = buttons->addButton(tr("&Connect"), QDialogButtonBox::AcceptRole);
    connect_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConnectToDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConnectToDialog::reject);
    connect(list_, &QTreeWidget::currentItemChanged, this, &ConnectToDialog::OnCurrentChanged);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &ConnectToDialog::accept);

    auto* networkButtons = new QHBoxLayout;
    networkButtons->addWidget(new QLabel(tr("Network devices:"), this));
    networkButtons->addWidget(add);
    networkButtons->addWidget(edit_);
    networkButtons->addWidget(remove_);
    networkButtons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(list_);
    layout->addLayout(networkButtons);
    layout->addWidget(buttons);

    Fill(LastConnectTarget(settings));
    list_->setFocus();
}

QTreeWidgetItem* ConnectToDialog::AddGroup(const QString& title)
{
    auto* group = new QTreeWidgetItem(list_, {title});
    group->setFlags(Qt::ItemIsEnabled);  // a heading: never chosen (a disabled one would disable its entries)
    group->setFirstColumnSpanned(true);
    QFont font = group->font(kNameColumn);
    font.setBold(true);
    group->setFont(kNameColumn, font);
    return group;
}

QTreeWidgetItem* ConnectToDialog::AddEntry(QTreeWidgetItem* group, const QStringList& columns,
                                           const QString& key, int device)
{
    auto* item = new QTreeWidgetItem(group, columns);
    item->setData(kNameColumn, kKeyRole, key);
    item->setData(kNameColumn, kDeviceRole, device);
    return item;
}

void ConnectToDialog::AddUnavailable(QTreeWidgetItem* group, const QString& what, const QString& why)
{
    auto* item = new QTreeWidgetItem(group, {what, QString(), why});
    item->setFlags(Qt::NoItemFlags);
    item->setToolTip(kDetailsColumn, why);
}

void ConnectToDialog::Fill(const QString& currentKey)
{
    list_->clear();
    QTreeWidgetItem* serial = AddGroup(tr("Serial ports"));
    for (const PortInfo& port : ports_) {
        const QString name = QStringLiteral("COM%1").arg(port.number);
        AddEntry(serial, {name, QString::fromStdString(port.path), QString::fromStdString(port.adapter)},
                 name);
    }
    if (ports_.empty())
        AddUnavailable(serial, tr("No serial ports found"),
                       tr("Plug in a USB serial adapter and open this dialog again."));

    QTreeWidgetItem* network = AddGroup(tr("Network devices"));
    for (int i = 0; i < devices_.size(); ++i) {
        const NetworkDevice& device = devices_[i];
        AddEntry(network, {device.name, device.address, ProtocolOf(device.address)}, device.address, i);
    }
    if (devices_.isEmpty())
        AddUnavailable(network, tr("No network devices saved"),
                       tr("Add a serial device server or ser2net port with Add\u2026"));

    QTreeWidgetItem* virtualGroup = AddGroup(tr("Virtual device"));
    const QString virtualName = tr("Virtual device (simulator)");
    const QString virtualKey = QString::fromStdString(ConnectTarget{TargetKind::VirtualDevice, {}}.Key());
    if (simulator_.isEmpty())
        AddUnavailable(virtualGroup, virtualName,
                       tr("The simulator, brevant-sim, was not found next to brevant or on the PATH."));
    else
        AddEntry(virtualGroup, {virtualName, QString(), tr("A simulated device for work without hardware")},
                 virtualKey);

    list_->expandAll();
    // Every column as wide as its widest text, the adapters' names included.
    int width = 2 * list_->frameWidth() + list_->indentation();
    for (int column = 0; column < kColumns; ++column) {
        list_->resizeColumnToContents(column);
        width += list_->columnWidth(column);
    }
    list_->setMinimumWidth(std::max(list_->minimumWidth(), width));

    // The entry asked for, else the first one that can be chosen.
    QTreeWidgetItem* current = nullptr;
    for (QTreeWidgetItemIterator it(list_, QTreeWidgetItemIterator::Selectable); *it != nullptr; ++it) {
        if (current == nullptr || (*it)->data(kNameColumn, kKeyRole).toString() == currentKey)
            current = *it;
        if ((*it)->data(kNameColumn, kKeyRole).toString() == currentKey)
            break;
    }
    list_->setCurrentItem(current);
    UpdateButtons();
}

std::optional<ConnectTarget> ConnectToDialog::Chosen() const
{
    const QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !(item->flags() & Qt::ItemIsSelectable))
        return std::nullopt;
    return ConnectTarget::FromKey(item->data(kNameColumn, kKeyRole).toString().toStdString());
}

int ConnectToDialog::CurrentDevice() const
{
    const QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !(item->flags() & Qt::ItemIsSelectable))
        return -1;
    return item->data(kNameColumn, kDeviceRole).toInt();
}

void ConnectToDialog::OnCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    // The arrow keys pass over the headings and the entries that cannot be
    // chosen, on in the direction they went; at the end, back where they were.
    const auto choosable = [](const QTreeWidgetItem* item) { return item->flags() & Qt::ItemIsSelectable; };
    if (current != nullptr && !choosable(current)) {
        bool down = true;
        if (previous != nullptr) {
            down = false;
            for (QTreeWidgetItemIterator it(previous); *it != nullptr && !down; ++it)
                down = *it == current;
        }
        QTreeWidgetItem* next = current;
        do
            next = down ? list_->itemBelow(next) : list_->itemAbove(next);
        while (next != nullptr && !choosable(next));
        list_->setCurrentItem(next != nullptr ? next : previous);  // comes back here
        return;
    }
    UpdateButtons();
}

void ConnectToDialog::UpdateButtons()
{
    connect_->setEnabled(Chosen().has_value());
    const bool device = CurrentDevice() >= 0;
    edit_->setEnabled(device);
    remove_->setEnabled(device);
}

std::optional<NetworkDevice> ConnectToDialog::EditDeviceDialog(const NetworkDevice& current)
{
    if (editDevice_)
        return editDevice_(current);
    NetworkDeviceDialog dialog(current, this);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Device();
}

void ConnectToDialog::OnAdd()
{
    const std::optional<NetworkDevice> device = EditDeviceDialog({});
    if (!device)
        return;
    devices_.append(*device);
    SaveNetworkDevices(settings_, devices_);
    Fill(device->address);
}

void ConnectToDialog::OnEdit()
{
    const int index = CurrentDevice();
    if (index < 0)
        return;
    const std::optional<NetworkDevice> device = EditDeviceDialog(devices_[index]);
    if (!device)
        return;
    devices_[index] = *device;
    SaveNetworkDevices(settings_, devices_);
    Fill(device->address);
}

void ConnectToDialog::OnRemove()
{
    const int index = CurrentDevice();
    if (index < 0)
        return;
    devices_.removeAt(index);
    SaveNetworkDevices(settings_, devices_);
    Fill(QString());
}

void ConnectToDialog::accept()
{
    const std::optional<ConnectTarget> target = Chosen();
    if (!target)
        return;
    RememberConnectTarget(settings_, QString::fromStdString(target->Key()));
    QDialog::accept();
}

}  // namespace brevant
