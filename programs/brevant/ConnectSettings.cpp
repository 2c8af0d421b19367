#include "programs/brevant/ConnectSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace brevant {

namespace {

const QString kDevicesKey = QStringLiteral("Connect To/Network Devices");
const QString kNameKey = QStringLiteral("Name");
const QString kAddressKey = QStringLiteral("Address");
const QString kLastKey = QStringLiteral("Connect To/Last");
const QString kProgram = QStringLiteral("Brevant");
// The organisation the settings were kept under before they had a name of their own.
const QString kOldOrganisation = QStringLiteral("Local AppWizard-Generated Applications");

}  // namespace

bool MoveSettingsFromOldName(const QString& oldOrganisation)
{
    QSettings old(oldOrganisation, kProgram);
    QSettings now(kProgram, kProgram);
    if (old.allKeys().isEmpty() || !now.allKeys().isEmpty())
        return false;
    const QStringList keys = old.allKeys();
    for (const QString& key : keys)
        now.setValue(key, old.value(key));
    now.sync();
    if (now.status() != QSettings::NoError)
        return false;  // keep the old file; the move is tried again next start
    const QString oldFile = old.fileName();
    old.clear();
    old.sync();
    QFile::remove(oldFile);
    QDir().rmdir(QFileInfo(oldFile).absolutePath());  // only if nothing else is in it
    return true;
}

QSettings ProgramSettings()
{
    static const bool moved [[maybe_unused]] = MoveSettingsFromOldName(kOldOrganisation);
    return QSettings(kProgram, kProgram);
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

QString LastConnectTarget(QSettings& settings)
{
    return settings.value(kLastKey).toString();
}

void RememberConnectTarget(QSettings& settings, const QString& key)
{
    settings.setValue(kLastKey, key);
}

}  // namespace brevant
