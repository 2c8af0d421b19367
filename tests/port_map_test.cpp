#include "PortMap.h"
#include "PosixSerialPort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

    fs::path root;
};

TEST_F(PortMapTest, SystemPortsAreUsbThenAcmThenRealOnBoardPortsByNumber)
{
    Touch(root / "dev" / "ttyUSB10");
    Touch(root / "dev" / "ttyUSB2");
    Touch(root / "dev" / "ttyACM0");
    Touch(root / "dev" / "ttyUSBx");
    Touch(root / "dev" / "tty5");
    OnBoardPort("ttyS0", 4);
    OnBoardPort("ttyS1", 0);     // listed, but no chip behind it
    Touch(root / "dev" / "ttyS2");  // no device at all

    const PortMap map = PortMap::System((root / "dev").string(), (root / "sys").string());
    const auto dev = [&](const char* name) { return (root / "dev" / name).string(); };
    EXPECT_EQ(map.PathOf(1), dev("ttyUSB2"));
    EXPECT_EQ(map.PathOf(2), dev("ttyUSB10"));
    EXPECT_EQ(map.PathOf(3), dev("ttyACM0"));
    EXPECT_EQ(map.PathOf(4), dev("ttyS0"));
    EXPECT_EQ(map.PathOf(5), std::nullopt);
    EXPECT_EQ(map.PathOf(0), std::nullopt);
    EXPECT_EQ(map.List().size(), 4u);
}

TEST_F(PortMapTest, DirectoryPortsAreNamedComN)
{
    Touch(root / "dev" / "real");
    fs::create_symlink(root / "dev" / "real", root / "COM3");
    fs::create_symlink(root / "dev" / "gone", root / "COM4");
    const PortMap map = PortMap::Directory(root.string());
    EXPECT_EQ(map.PathOf(3), (root / "COM3").string());
    EXPECT_EQ(map.PathOf(4), std::nullopt);  // dangling link
    EXPECT_EQ(map.PathOf(1), std::nullopt);
    EXPECT_EQ(map.PathOf(40), std::nullopt);
    ASSERT_EQ(map.List().size(), 1u);
    EXPECT_EQ(map.List()[0].first, 3);
}

TEST_F(PortMapTest, OpeningAMissingOrOrdinaryFileFailsWithAReason)
{
    Touch(root / "COM2");
    PosixSerialPort port(PortMap::Directory(root.string()));
    EXPECT_NE(port.Open(1), 0);
    EXPECT_NE(port.LastError(1).find("does not exist"), std::string::npos);
    EXPECT_NE(port.Open(2), 0);
    EXPECT_NE(port.LastError(2).find("not a serial device"), std::string::npos);
    char buffer[8];
    EXPECT_EQ(port.Read(2, buffer, 8).status, IoStatus::Failed);  // reading a port that is not open is harmless
    port.Close(2);
}

}  // namespace
}  // namespace brevant::test
