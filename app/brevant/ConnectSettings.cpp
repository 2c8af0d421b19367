#include "ConnectSettings.h"

namespace brevant {

namespace {

const QString kDevicesKey = QStringLiteral("Connect To/Network Devices");
const QString kNameKey = QStringLiteral("Name");
const QString kAddressKey = QStringLiteral("Address");
const QString kLastKey = QStringLiteral("Connect To/Last");

}  // namespace

QSettings ProgramSettings()
{
    return QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Brevant"));
}

QList<NetworkDevice> SavedNetworkDevices(QSettings& settings)
{
    QList<NetworkDevice> devices;
    const int count = settings.beginReadArray(kDevicesKey);
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        devices.append({settings.value(kNameKey).toString(), settings.value(kAddressKey).toString()});
    }
    settings.endArray();
    return devices;
}

void SaveNetworkDevices(QSettings& settings, const QList<NetworkDevice>& devices)
{
    settings.remove(kDevicesKey);
    settings.beginWriteArray(kDevicesKey, static_cast<int>(devices.size()));
    for (int i = 0; i < devices.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(kNameKey, devices[i].name);
        settings.setValue(kAddressKey, devices[i].address);
    }
    settings.endArray();
}

QString LastConnectTarget(QSettings& settings) { return settings.value(kLastKey).toString(); }

void RememberConnectTarget(QSettings& settings, const QString& key) { settings.setValue(kLastKey, key); }

}  // namespace brevant
