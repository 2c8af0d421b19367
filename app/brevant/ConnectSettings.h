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

// The program's settings, where the recent files and window state live too.
QSettings ProgramSettings();

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
