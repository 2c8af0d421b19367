// The fixture of the end-to-end suite that runs over every route to the
// device (e2e_transport_test.cpp): the simulator's pseudo-terminal, a real
// ser2net on loopback (raw, RFC 2217, Nagle on).
#pragma once

#include "procedures/Connection.h"
#include "programs/sim/StateFile.h"
#include "tests/Eventually.h"
#include "tests/MirrorCompare.h"
#include "tests/RecordingObserver.h"
#include "tests/SimLinkFixture.h"

#include <filesystem>
#include <map>

namespace brevant::test {

struct Route {
    Transport via = Transport::Pty;
    bool nodelay = true;  // ser2net's TCP_NODELAY
};

inline void PrintTo(const Route& r, std::ostream* out)
{
    *out << TransportName(r.via) << (r.nodelay ? "" : "Nagle");
}
inline std::string RouteName(const ::testing::TestParamInfo<Route>& info)
{
    return ::testing::PrintToString(info.param);
}

class Transported : public SimLinkFixture, public ::testing::WithParamInterface<Route> {
protected:
    void SetUp() override
    {
        via = GetParam().via;
        nodelay = GetParam().nodelay;
        SimLinkFixture::SetUp();
    }
    void TearDown() override
    {
        connection.reset();
        SimLinkFixture::TearDown();
        std::error_code ignored;
        std::filesystem::remove_all(work, ignored);
    }
    void StartConnected(std::vector<std::string> simArgs)
    {
        Start(std::move(simArgs));
        connection = std::make_unique<Connection>(*link, observer);
        ASSERT_TRUE(connection->Connect(report)) << Said();
        WaitForReadBack(1);
    }
    void WaitForReadBack(int n)
    {
        ASSERT_TRUE(Eventually([&] { return observer.refreshes >= n; }, 10.0)) << "read-back " << n;
        EXPECT_EQ(observer.refreshes, n);
    }
    // Every setting starts away from its factory value; the read-back must
    // find each, and sets made while the meters are polled (the device paced
    // like the real line) must each be answered at the first try and be what
    // it then holds.
    void ReadBackAndSetsWhilePolling()
    {
        const std::string stateFile = work + "/device.state";
        const auto covered = UploadList(ModelFamily::K225);  // what a K225 has
        const sim::DeviceSettings initial = SettingsAwayFromFactory(covered);
        ASSERT_TRUE(sim::StateFile(stateFile).Save(initial));
        StartConnected({"--state", stateFile, "--keep-on-exit"});
        EXPECT_TRUE(connection->UnreadSettings().empty());
        EXPECT_EQ(MirrorDivergences(p, initial, covered), std::vector<std::string>{});

        std::map<std::size_t, int32_t> sent;
        for (int step = 0; step < 40; ++step) {
            const std::size_t i = static_cast<std::size_t>(step * 7) % covered.size();
            const int32_t value = SampleValue(covered[i], step, MirrorValue(p, covered[i]));
            const Status set = link->Set(covered[i].op, covered[i].at, value);
            EXPECT_TRUE(set) << set.Message() << " at step " << step << ": " << SettingName(covered[i]);
            sent[i] = value;
            if (step % 4 == 3) {
                const auto& [j, expected] = *sent.begin();
                const Status query = link->Query(covered[j].op, covered[j].at);
                EXPECT_TRUE(query) << query.Message() << " at step " << step;
                EXPECT_EQ(MirrorValue(p, covered[j]), expected) << "step " << step;
            }
        }
        // The sets take the port lock back to back and may leave the worker
        // no whole pass meanwhile; it must complete one once they pause.
        EXPECT_TRUE(Eventually([&] { return connection->PollPasses() > 0; }, 5.0)) << "no polling pass";
        EXPECT_FALSE(connection->Lost());
        connection->Disconnect();

        ASSERT_EQ(sim->Stop(), 0);
        const auto held = sim::StateFile(stateFile).Load();
        ASSERT_EQ(held.status, sim::StateFile::Status::Loaded) << held.error;
        EXPECT_EQ(MirrorDivergences(p, held.settings, covered), std::vector<std::string>{});
        for (const auto& [i, value] : sent)
            EXPECT_EQ(held.settings.Get(SimKey(covered[i])), value) << SettingName(covered[i]);
    }

    std::string Said() const
    {
        std::string text;
        for (const std::string& s : said)
            text += s + "; ";
        return text + serial->LastError(com);
    }

    const std::string work = MakeTempDir("brevant-transport");
    RecordingObserver observer;
    std::unique_ptr<Connection> connection;
    std::vector<std::string> said;
    const Report report = [this](std::string_view text, std::string_view detail) {
        said.push_back(std::string(text) + (detail.empty() ? "" : " (" + std::string(detail) + ")"));
    };
};

}  // namespace brevant::test
