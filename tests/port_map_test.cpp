#include "core/PortMap.h"
#include "core/PosixSerialPort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace brevant::test {
namespace {

class PortMapTest : public ::testing::Test {
protected:
    PortMapTest() : root(fs::temp_directory_path() / ("brevant-portmap-" + std::to_string(::getpid())))
    {
        fs::remove_all(root);
        fs::create_directories(root / "dev");
        fs::create_directories(root / "sys");
    }
    ~PortMapTest() override { fs::remove_all(root); }

    void Touch(const fs::path& path) { std::ofstream(path) << ""; }
    void OnBoardPort(const std::string& name, int type)
    {
        Touch(root / "dev" / name);
        fs::create_directories(root / "sys" / name / "device");
        std::ofstream(root / "sys" / name / "type") << type << '\n';
    }

    // A USB adapter in the device tree: its attributes on the USB device,
    // and the tty's "device" link to the port under its interface (ttyUSB)
    // or to the interface itself (ttyACM).
    void UsbPort(const std::string& tty, const std::map<std::string, std::string>& attributes)
    {
        const fs::path usb = root / "usb" / tty / "1-1";
        const fs::path interface = usb / "1-1:1.0";
        fs::create_directories(interface / tty);
        for (const auto& [name, value] : attributes)
            std::ofstream(usb / name) << value << '\n';
        fs::create_directories(root / "sys" / tty);
        fs::create_directory_symlink(tty.rfind("ttyACM", 0) == 0 ? interface : interface / tty,
                                     root / "sys" / tty / "device");
        Touch(root / "dev" / tty);
    }

    fs::path root;
};

// A folder given as a fallback fills only the numbers the map lacks.
TEST_F(PortMapTest, SystemPortsAreUsbThenAcmThenRealOnBoardPortsByNumberThenAFallbackFolder)
{
    Touch(root / "dev" / "ttyUSB10");
    Touch(root / "dev" / "ttyUSB2");
    Touch(root / "dev" / "ttyACM0");
    Touch(root / "dev" / "ttyUSBx");
    Touch(root / "dev" / "tty5");
    OnBoardPort("ttyS0", 4);
    OnBoardPort("ttyS1", 0);        // listed, but no chip behind it
    Touch(root / "dev" / "ttyS2");  // no device at all
    fs::create_directories(root / "extra");
    Touch(root / "extra" / "COM1");  // shadowed by the adapter
    Touch(root / "extra" / "COM39");

    const PortMap map = PortMap::System((root / "dev").string(), (root / "sys").string());
    const auto dev = [&](const char* name) { return (root / "dev" / name).string(); };
    using List = std::vector<std::pair<int, std::string>>;
    const List system{{1, dev("ttyUSB2")}, {2, dev("ttyUSB10")}, {3, dev("ttyACM0")}, {4, dev("ttyS0")}};
    EXPECT_EQ(map.List(), system);
    EXPECT_EQ(map.PathOf(4), dev("ttyS0"));
    EXPECT_EQ(map.PathOf(5), std::nullopt);
    EXPECT_EQ(map.PathOf(0), std::nullopt);

    const PortMap filled = map.WithFallback((root / "extra").string());
    List expected = system;
    expected.emplace_back(39, (root / "extra" / "COM39").string());
    EXPECT_EQ(filled.List(), expected);
    EXPECT_EQ(filled.PathOf(39), expected.back().second);
    EXPECT_EQ(filled.PathOf(5), std::nullopt);
}

TEST_F(PortMapTest, DirectoryPortsAreNamedComN)
{
    Touch(root / "dev" / "real");
    fs::create_symlink(root / "dev" / "real", root / "COM3");
    fs::create_symlink(root / "dev" / "gone", root / "COM4");
    const PortMap map = PortMap::Directory(root.string());
    EXPECT_EQ(map.PathOf(3), (root / "COM3").string());
    EXPECT_EQ(map.PathOf(4), std::nullopt);  // dangling link
    EXPECT_EQ(map.List().size(), 1u);
}

TEST_F(PortMapTest, PortsNameTheirUsbAdapters)
{
    UsbPort("ttyUSB0", {{"idVendor", "0403"},
                        {"idProduct", "6001"},
                        {"manufacturer", "FTDI"},
                        {"product", "FT232R USB UART"}});
    UsbPort("ttyUSB1", {{"idVendor", "067b"},
                        {"idProduct", "2303"},
                        {"manufacturer", "Prolific"},
                        {"product", "Prolific USB-Serial"}});
    UsbPort("ttyACM0", {{"idVendor", "2341"}, {"idProduct", "0043"}});
    UsbPort("ttyACM1", {{"product", "no ids: not the USB device"}});
    OnBoardPort("ttyS0", 4);

    std::vector<std::string> labels;
    for (const PortInfo& info : PortMap::System((root / "dev").string(), (root / "sys").string()).Ports())
        labels.push_back(info.Label());
    const std::string dev = (root / "dev").string();
    EXPECT_EQ(labels, (std::vector<std::string>{
                          "COM1 \u2014 " + dev + "/ttyUSB0, FTDI FT232R USB UART",
                          "COM2 \u2014 " + dev + "/ttyUSB1, Prolific USB-Serial",
                          "COM3 \u2014 " + dev + "/ttyACM0, USB 2341:0043",
                          "COM4 \u2014 " + dev + "/ttyACM1",
                          "COM5 \u2014 " + dev + "/ttyS0",
                      }));

    // A folder's entry is named after the device node it links to.
    fs::create_directories(root / "ports");
    fs::create_symlink(root / "dev" / "ttyUSB0", root / "ports" / "COM7");
    const auto linked = PortMap::Directory((root / "ports").string(), (root / "sys").string()).Ports();
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_EQ(linked[0].adapter, "FTDI FT232R USB UART");
}

TEST_F(PortMapTest, OpeningAMissingOrOrdinaryFileFailsWithAReason)
{
    Touch(root / "COM2");
    PosixSerialPort port(PortMap::Directory(root.string()));
    EXPECT_NE(port.Open(1), 0);
    EXPECT_NE(port.LastError(1).find("does not exist"), std::string::npos);
    EXPECT_EQ(port.LastOpenFailure(1), OpenFailure::Missing);
    EXPECT_NE(port.Open(2), 0);
    EXPECT_NE(port.LastError(2).find("not a serial device"), std::string::npos);
    EXPECT_EQ(port.LastOpenFailure(2), OpenFailure::Other);
    char buffer[8];
    EXPECT_EQ(port.Read(2, buffer, 8).status,
              IoStatus::Failed);  // reading a port that is not open is harmless
    port.Close(2);
}

// Two openers of one terminal, as two programs (or two links in one program)
// would be: each open is its own open file description, so the lock tells
// them apart even for root, whom the terminal's exclusive mode lets through.
TEST_F(PortMapTest, APortIsHeldByOneOpenerUntilItIsClosed)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    fs::create_symlink(terminal, root / "COM4");
    PosixSerialPort first(PortMap::Directory(root.string()));
    PosixSerialPort second(PortMap::Directory(root.string()));

    ASSERT_EQ(first.Open(4), 0) << first.LastError(4);
    EXPECT_EQ(first.LastOpenFailure(4), OpenFailure::None);
    EXPECT_NE(second.Open(4), 0);
    EXPECT_EQ(second.LastOpenFailure(4), OpenFailure::InUse);
    EXPECT_EQ(second.LastError(4), "COM4 (" + terminal + ") is in use by another program");
    first.Close(4);
    EXPECT_EQ(second.Open(4), 0) << second.LastError(4);
    EXPECT_NE(first.Open(4), 0);
    second.Close(4);
    ::close(master);
}

}  // namespace
}  // namespace brevant::test
