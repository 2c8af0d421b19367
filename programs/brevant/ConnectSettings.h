// What Connect To… keeps in the program's settings: the saved network
// devices (a name and a tcp:// or rfc2217:// address each) and the key of
// the target last connected to (see ConnectTarget), chosen first next time.
//
// UI thread only.
#pragma once

#include <QList>
#include <QSettings>
#include <QString>

namespace brevant {

// The program's settings (organisation and application "Brevant"), where the
// recent files and window state live too. The first call of a run moves the
// settings an earlier version kept under another organisation name.
QSettings ProgramSettings();

// Moves every key kept under `oldOrganisation` to the program's settings and
// removes the old file, unless the program already has settings of its own
// or there is nothing to move. True when it moved something.
bool MoveSettingsFromOldName(const QString& oldOrganisation);

struct NetworkDevice {
    QString name;
    QString address;  // "tcp://HOST:PORT" or "rfc2217://HOST:PORT"
    friend bool operator==(const NetworkDevice&, const NetworkDevice&) = default;
};

QList<NetworkDevice> SavedNetworkDevices(QSettings& settings);
void SaveNetworkDevices(QSettings& settings, const QList<NetworkDevice>& devices);

QString LastConnectTarget(QSettings& settings);
void RememberConnectTarget(QSettings& settings, const QString& key);

}  // namespace brevant
