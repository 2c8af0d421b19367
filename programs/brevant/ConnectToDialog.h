// Device > Connect To…: one list of what the program can connect to: the
// serial ports found (with the USB adapter's maker and product), the saved
// network devices (added, edited and removed here, kept in the settings),
// and the virtual device, the bundled simulator. The entry last connected to
// is chosen when the dialog opens; Connect (or Return, or a double click)
// takes the current entry and remembers it, Esc cancels. An entry that
// cannot be used is shown disabled with the reason beside it.
//
// UI thread only.
#pragma once

#include "core/PortMap.h"
#include "programs/brevant/ConnectSettings.h"
#include "programs/brevant/ConnectTarget.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <vector>

class QPushButton;
class QSettings;
class QTreeWidget;
class QTreeWidgetItem;

namespace brevant {

class ConnectToDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for a network device's name and address, starting from `current`;
    // nothing when the user cancels. A NetworkDeviceDialog by default.
    using EditDevice = std::function<std::optional<NetworkDevice>(const NetworkDevice& current)>;

    // `simulator` is the simulator's program, empty when none was found.
    ConnectToDialog(std::vector<PortInfo> ports, QSettings& settings, const QString& simulator,
                    QWidget* parent = nullptr);

    void SetDeviceEditor(EditDevice editor) { editDevice_ = std::move(editor); }
    // The current entry's target; nothing when it is none (a heading).
    std::optional<ConnectTarget> Chosen() const;

    void OnAdd();
    void OnEdit();
    void OnRemove();
    void accept() override;

private:
    void Fill(const QString& currentKey);
    QTreeWidgetItem* AddGroup(const QString& title);
    QTreeWidgetItem* AddEntry(QTreeWidgetItem* group, const QStringList& columns, const QString& key,
                              int device = -1);
    void AddUnavailable(QTreeWidgetItem* group, const QString& what, const QString& why);
    int CurrentDevice() const;  // the saved network device's index, -1 when none is current
    void OnCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void UpdateButtons();
    std::optional<NetworkDevice> EditDeviceDialog(const NetworkDevice& current);

    std::vector<PortInfo> ports_;
    QSettings& settings_;
    QString simulator_;
    QList<NetworkDevice> devices_;
    EditDevice editDevice_;
    QTreeWidget* list_;
    QPushButton* connect_;
    QPushButton* edit_;
    QPushButton* remove_;
};

}  // namespace brevant
