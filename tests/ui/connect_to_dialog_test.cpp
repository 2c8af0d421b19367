// The Connect To dialog: what it lists, the saved network devices kept in the
// settings, and the choice reaching the connect procedure.
#include "programs/brevant/ConnectToDialog.h"
#include "programs/brevant/NetworkDeviceDialog.h"
#include "tests/FakePort.h"
#include "tests/RecordingObserver.h"
#include "tests/ui/UiTestHelpers.h"

#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>

namespace brevant::test {
namespace {

class ConnectToDialogTest : public ::testing::Test {
protected:
    // The rows as shown, a line each: a heading marked "#", the columns of
    // an entry joined by "|", one that cannot be chosen marked "-".
    static std::string Rows(ConnectToDialog& dialog)
    {
        QStringList rows;
        auto* list = dialog.findChild<QTreeWidget*>("targets");
        for (QTreeWidgetItemIterator it(list); *it != nullptr; ++it) {
            const QTreeWidgetItem* item = *it;
            if (item->parent() == nullptr) {
                rows << "# " + item->text(0);
                continue;
            }
            QStringList columns;
            for (int c = 0; c < list->columnCount(); ++c)
                columns << item->text(c);
            rows << (item->flags() & Qt::ItemIsSelectable ? "" : "- ") + columns.join('|');
        }
        return rows.join('\n').toStdString();
    }
    static void Choose(ConnectToDialog& dialog, const QString& name)
    {
        auto* list = dialog.findChild<QTreeWidget*>("targets");
        const auto found = list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->setCurrentItem(found[0]);
    }
    static void Click(ConnectToDialog& dialog, const char* button)
    {
        dialog.findChild<QPushButton*>(button)->click();
    }
    // A ports folder with COM2 and COM5.
    std::vector<PortInfo> Ports()
    {
        for (const char* name : {"COM2", "COM5"})
            std::ofstream((dir.path() + "/" + name).toStdString()) << "";
        return PortMap::Directory(dir.path().toStdString()).Ports();
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath("settings.ini"), QSettings::IniFormat};
};

TEST_F(ConnectToDialogTest, ListsEveryKindAndKeepsTheNetworkDevicesInTheSettings)
{
    const QString com2 = dir.filePath("COM2");
    const QString com5 = dir.filePath("COM5");
    {
        ConnectToDialog dialog(Ports(), settings, QString());
        EXPECT_EQ(Rows(dialog),
                  ("# Serial ports\n"
                   "COM2|" +
                   com2 +
                   "|\n"
                   "COM5|" +
                   com5 +
                   "|\n"
                   "# Network devices\n"
                   "- No network devices saved||Add a serial device server or ser2net port with Add\u2026\n"
                   "# Virtual device\n"
                   "- Virtual device (simulator)||The simulator, brevant-sim, was not found next to "
                   "brevant or on the PATH.")
                      .toStdString());
        EXPECT_EQ(dialog.Chosen()->Key(), "COM2") << "the first entry, with nothing remembered";

        std::vector<NetworkDevice> answers = {{"Rack 2", "tcp://10.0.0.5:4001"},
                                              {"Booth", "rfc2217://booth.local:2217"}};
        dialog.SetDeviceEditor([&](const NetworkDevice& current) -> std::optional<NetworkDevice> {
            EXPECT_EQ(current, NetworkDevice{}) << "Add starts empty";
            NetworkDevice next = answers.front();
            answers.erase(answers.begin());
            return next;
        });
        Click(dialog, "add");
        Click(dialog, "add");
        EXPECT_EQ(dialog.Chosen()->Key(), "rfc2217://booth.local:2217") << "the device just added";
        Choose(dialog, "Rack 2");
        dialog.SetDeviceEditor([](const NetworkDevice& current) -> std::optional<NetworkDevice> {
            EXPECT_EQ(current, (NetworkDevice{"Rack 2", "tcp://10.0.0.5:4001"}));
            return NetworkDevice{"Rack 2 (desk)", "tcp://10.0.0.5:4002"};
        });
        Click(dialog, "edit");
        Choose(dialog, "Booth");
        Click(dialog, "remove");
        EXPECT_FALSE(dialog.findChild<QPushButton*>("remove")->isEnabled())
            << "nothing left to remove is chosen";
    }
    EXPECT_EQ(SavedNetworkDevices(settings),
              (QList<NetworkDevice>{{"Rack 2 (desk)", "tcp://10.0.0.5:4002"}}));

    ConnectToDialog again({}, settings, "/usr/bin/brevant-sim");
    EXPECT_EQ(Rows(again),
              "# Serial ports\n"
              "- No serial ports found||Plug in a USB serial adapter and open this dialog again.\n"
              "# Network devices\n"
              "Rack 2 (desk)|tcp://10.0.0.5:4002|raw TCP\n"
              "# Virtual device\n"
              "Virtual device (simulator)||A simulated device for work without hardware");
}

// Assigns network addresses the ports 100, 101, ... and records what it was asked.
class FakeAssigner final : public PortAssigner {
public:
    int Assign(const PortAddress& address) override
    {
        asked.push_back(address.Text());
        return next == 0 ? 0 : next++;
    }
    std::vector<std::string> asked;
    int next = 100;
};

TEST_F(ConnectToDialogTest, TheEntryChosenIsRememberedAndReachesTheConnectProcedure)
{
    SaveNetworkDevices(settings, {{"Rack 2", "tcp://10.0.0.5:4001"}});
    std::optional<ConnectTarget> chosen;
    {
        ConnectToDialog dialog(Ports(), settings, "/usr/bin/brevant-sim");
        dialog.show();
        Choose(dialog, "Rack 2");
        QTest::keyClick(dialog.findChild<QTreeWidget*>("targets"), Qt::Key_Return);
        ASSERT_EQ(dialog.result(), QDialog::Accepted) << "Return connects";
        chosen = dialog.Chosen();
    }
    EXPECT_EQ(LastConnectTarget(settings), "tcp://10.0.0.5:4001");
    {
        ConnectToDialog dialog(Ports(), settings, "/usr/bin/brevant-sim");
        EXPECT_EQ(dialog.Chosen(), chosen) << "the last one is chosen again";
        auto* list = dialog.findChild<QTreeWidget*>("targets");
        QTest::keyClick(list, Qt::Key_Up);
        EXPECT_EQ(dialog.Chosen().value_or(ConnectTarget{}).Key(), "COM5")
            << "the arrow keys pass over the headings";
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(dialog.Chosen().value_or(ConnectTarget{}).Key(), "virtual");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(LastConnectTarget(settings), "tcp://10.0.0.5:4001") << "a cancelled choice is not remembered";

    // The choice goes through the one connect function: a network address
    // gets its port from the assigner, a serial port is its own number; the
    // port in use before is closed. Nothing answers, so both connects fail.
    FakePort port;
    DeviceState state;
    CommLog log;
    DeviceLink link(port, state, log);
    RecordingObserver observer;
    Connection connection(link, observer);
    FakeAssigner assigner;
    std::vector<std::string> told;
    const Report report = [&](std::string_view text, std::string_view detail) {
        told.push_back(std::string(text) + (detail.empty() ? "" : ": " + std::string(detail)));
    };
    state.flags.PortNumber = 3;
    port.Open(3);

    EXPECT_FALSE(ConnectToAddress(connection, assigner, chosen->address, report));
    EXPECT_EQ(assigner.asked, (std::vector<std::string>{"tcp://10.0.0.5:4001"}));
    EXPECT_FALSE(port.IsOpen(3));
    EXPECT_EQ(state.flags.PortNumber, 100);
    EXPECT_FALSE(ConnectToAddress(connection, assigner, *ParsePortAddress("COM5").address, report));
    EXPECT_EQ(state.flags.PortNumber, 5) << "a serial port needs no assigning";
    assigner.next = 0;
    EXPECT_FALSE(ConnectToAddress(connection, assigner, chosen->address, report));
    EXPECT_EQ(state.flags.PortNumber, 5) << "an address given no port leaves the port alone";
    EXPECT_EQ(told,
              (std::vector<std::string>{"Connect fail!: COM100 did not answer (the model was asked 3 times)",
                                        "Connect fail!: COM5 did not answer (the model was asked 3 times)",
                                        "Network ports are not available: tcp://10.0.0.5:4001"}));
}

}  // namespace
}  // namespace brevant::test
