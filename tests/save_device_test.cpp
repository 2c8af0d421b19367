// SaveDevice on the scripted port: up to ten sends, the outcome reported.
#include "procedures/SaveDevice.h"
#include "tests/LinkFixture.h"

namespace brevant::test {
namespace {

class SaveDeviceTest : public LinkFixture {
protected:
    bool Save()
    {
        return SaveDevice(link,
                          [this](std::string_view text, std::string_view) { shown.emplace_back(text); });
    }
    std::vector<std::string> shown;
};

// Silence and refusals are sent again; the tenth send still counts.
TEST_F(SaveDeviceTest, ADeviceThatConfirmsTheTenthSendIsConfirmed)
{
    for (int i = 0; i < 3; ++i)
        port.Ignore(kPort);
    for (int i = 0; i < 6; ++i)
        port.Answer(kPort, "SSs0\r\n");
    port.Answer(kPort, "SSs1\r\n");
    EXPECT_TRUE(Save());
    EXPECT_EQ(port.Writes(), std::vector<std::string>(10, "SSs1\r\n"));
    EXPECT_EQ(shown, std::vector<std::string>{"Save device successfully"});
    EXPECT_EQ(p.SS, 1);
    EXPECT_FALSE(state.flags.PollingHeld());
}

TEST_F(SaveDeviceTest, APortGoneEndsTheSendsAtOnce)
{
    port.RemoveFile(kPort);
    EXPECT_FALSE(Save());
    EXPECT_EQ(port.Writes().size(), 1u);
}

TEST_F(SaveDeviceTest, SilentDeviceFailsAfterTenFullWaits)
{
    EXPECT_FALSE(Save());
    EXPECT_EQ(port.Writes().size(), 10u);
    EXPECT_EQ(port.Now(), 10 * (2ms + 100 * 10ms));
    EXPECT_EQ(shown, std::vector<std::string>{"Save device fail"});
}

// No port, or a model the program does not know (unless forced): nothing is sent.
TEST_F(SaveDeviceTest, NoPortOrAnUnknownModelFailsAtOnce)
{
    std::vector<std::string> details;
    const auto save = [&] {
        return SaveDevice(link, [&](std::string_view text, std::string_view detail) {
            shown.emplace_back(text);
            details.emplace_back(detail);
        });
    };
    state.flags.PortNumber = -1;
    EXPECT_FALSE(save());
    state.flags.PortNumber = kPort;
    state.flags.UnknownModel = true;
    p.SA.Set("SAK999");
    EXPECT_FALSE(save());
    EXPECT_EQ(port.Written(), "");
    EXPECT_EQ(shown, std::vector<std::string>(2, "Save device fail"));
    EXPECT_EQ(details.back(), "unknown model K999: connected read-only, nothing was sent");

    state.flags.WritesForced = true;
    port.Answer(kPort, "SSs1\r\n");
    EXPECT_TRUE(save());
    EXPECT_EQ(port.Written(), "SSs1\r\n");
}

}  // namespace
}  // namespace brevant::test
