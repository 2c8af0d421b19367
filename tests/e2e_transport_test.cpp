// The end-to-end suite that runs over every transport: the simulator's
// pseudo-terminal directly (in e2e_tests), and a real ser2net serving it on
// loopback, raw (Nagle off and on) and with RFC 2217 (in network_tests, built
// from this same file with BREVANT_NETWORK_E2E). Connect and the full read-back, sets and
// queries of every setting a K225 has, a preset round trip, a firmware upgrade:
// no exchange may fail, and the mirror must hold exactly what the device does.
#include "procedures/FirmwareTransfer.h"
#include "procedures/PresetFile.h"
#include "procedures/PresetProcedures.h"
#include "tests/TransportedFixture.h"

#include <filesystem>
#include <fstream>

namespace brevant::test {
namespace {

TEST_P(Transported, TheReadBackAndSetsWhilePollingHoldExactlyWhatTheDeviceHolds)
{
    ReadBackAndSetsWhilePolling();
}

// A changed preset goes to the device and is read back whole; the setting
// from before goes back and the device holds exactly what it did.
TEST_P(Transported, APresetRoundTripsThroughTheDevice)
{
    StartConnected({"--no-pacing"});
    const std::string original = FormatPreset(p);
    const std::optional<Preset> before = DeviceSnapshot(*connection);
    ASSERT_TRUE(before);
    Preset changed = *before;
    for (PresetEntry& e : changed.entries) {
        if (e.setting == SettingRef{Op::MG, {2, 0}})
            e.value = 9;
        if (e.setting == SettingRef{Op::MX, {1, 3}})
            e.value = 1 - e.value;
        if (e.setting == SettingRef{Op::OD, {4, 0}})
            e.value = 120;
    }
    ASSERT_EQ(DiffPreset(changed, p).size(), 3u);
    ASSERT_TRUE(OpenPreset(*connection, changed, report)) << Said();
    WaitForReadBack(2);  // the read-back of the Connect that ends the upload
    EXPECT_TRUE(DiffPreset(changed, p).empty());
    EXPECT_EQ(p.OD[4], 120);

    ASSERT_TRUE(OpenPreset(*connection, *before, report)) << Said();
    WaitForReadBack(3);
    EXPECT_EQ(FormatPreset(p), original);
}

// An image whose words hold every byte value, 0xFF among them (doubled on an
// RFC 2217 line both ways), on the paced line: the device takes it whole.
TEST_P(Transported, AFirmwareUpgradeWithEveryByteValueReachesTheDevice)
{
    Start();
    constexpr std::uint32_t kMagic = 0x31565242;  // "BRV1"
    constexpr std::uint32_t kWords = 160;
    std::vector<std::uint32_t> words{kMagic, 207, kWords};
    std::uint32_t sum = 0;
    for (std::uint32_t k = 0; k + 1 < kWords; ++k) {
        const std::uint32_t b = (k * 4) & 0xFF;
        words.push_back(b | (b + 1) << 8 | (b + 2) << 16 | (k % 3 == 0 ? 0xFFu : (b + 3) & 0xFF) << 24);
        sum += words.back();
    }
    words.push_back(sum);
    std::string bytes;
    for (const std::uint32_t word : words)
        for (int shift = 0; shift < 32; shift += 8)
            bytes += static_cast<char>((word >> shift) & 0xFF);
    const std::string image = work + "/image.b";
    std::ofstream(image, std::ios::binary) << bytes;

    int reported = 0;
    const FirmwareResult result = TransferFirmware(*link, image, [&](int) { ++reported; });
    EXPECT_EQ(result.reason, "");
    EXPECT_EQ(reported, static_cast<int>(kWords));
    ASSERT_TRUE(link->ReadVersion());
    EXPECT_EQ(p.SV.Get(), "SV207");
}

#ifdef BREVANT_NETWORK_E2E
// With Nagle on, ser2net gathers replies and tears them across TCP reads.
INSTANTIATE_TEST_SUITE_P(Ser2net, Transported,
                         ::testing::Values(Route{Transport::Ser2netRaw}, Route{Transport::Ser2netRfc2217},
                                           Route{Transport::Ser2netRaw, false}),
                         RouteName);
#else
INSTANTIATE_TEST_SUITE_P(Direct, Transported, ::testing::Values(Route{Transport::Pty}), RouteName);
#endif

}  // namespace
}  // namespace brevant::test
