// The gallery's pictures of Device > Connect To…: the list with every kind of
// entry, and a network device whose address is refused.
#include "programs/brevant/ConnectToDialog.h"
#include "programs/brevant/NetworkDeviceDialog.h"
#include "programs/gallery/GalleryScenes.h"

#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

namespace brevant::gallery {

namespace {

// The dialog with settings of its own, in a folder that goes with the stage.
class ConnectToStage : public QWidget {
public:
    explicit ConnectToStage(QWidget* parent)
        : QWidget(parent), settings_(dir_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
    {
        SaveNetworkDevices(settings_,
                           {{QStringLiteral("Rack 2"), QStringLiteral("tcp://10.0.0.5:4001")},
                            {QStringLiteral("Booth"), QStringLiteral("rfc2217://booth.local:2217")}});
        RememberConnectTarget(settings_, QStringLiteral("tcp://10.0.0.5:4001"));
        const std::vector<PortInfo> ports = {{1, "/dev/ttyUSB0", "FTDI FT232R USB UART"},
                                             {2, "/dev/ttyUSB1", "Prolific USB-Serial Controller"},
                                             {3, "/dev/ttyS0", ""}};
        auto* dialog = new ConnectToDialog(ports, settings_, QStringLiteral("/usr/bin/brevant-sim"), this);
        dialog->setWindowFlags(Qt::Widget);  // photographed inside the stage
        dialog->show();                      // the layout takes its size once shown
        dialog->adjustSize();
        dialog->move(0, 0);
        setFixedSize(dialog->size());
    }

private:
    QTemporaryDir dir_;
    QSettings settings_;
};

QWidget* RefusedAddress(QWidget* parent)
{
    auto* stage = new QWidget(parent);
    auto* dialog = new NetworkDeviceDialog({QStringLiteral("Rack 3"), QString()}, stage);
    dialog->setWindowFlags(Qt::Widget);
    dialog->findChild<QLineEdit*>(QStringLiteral("address"))->setText(QStringLiteral("tcp://10.0.0.7"));
    dialog->show();
    dialog->accept();  // refused: the reason shows
    dialog->adjustSize();
    dialog->move(0, 0);
    stage->setFixedSize(dialog->size());
    return stage;
}

}  // namespace

void AddConnectScenes(std::vector<Scene>& scenes)
{
    const QString group = QStringLiteral("Connect To");
    scenes.push_back(Scene{QStringLiteral("connect-to"), group,
                           QStringLiteral("Serial ports, saved network devices, the virtual device"),
                           [](QWidget* parent) {
                               return Stage{new ConnectToStage(parent), nullptr};
                           }});
    scenes.push_back(Scene{QStringLiteral("connect-to-refused-address"), group,
                           QStringLiteral("A network address without its TCP port, refused"),
                           [](QWidget* parent) {
                               return Stage{RefusedAddress(parent), nullptr};
                           }});
}

}  // namespace brevant::gallery
