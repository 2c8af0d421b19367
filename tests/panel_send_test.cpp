// A panel's change: refused without a connection or for an unknown model, stored and sent in order
// on the command queue's thread with up to eight tries, the polling held back meanwhile.
#include "procedures/PanelSend.h"
#include "tests/LinkFixture.h"

#include <future>

namespace brevant::test {
namespace {

class PanelSendTest : public LinkFixture {
protected:
    PanelSendTest()
    {
        state.flags.Connected = true;
        // The device confirms every set by echoing it.
        port.SetResponder(kPort, [](std::string_view line) {
            return std::vector<Piece>{{1ms, std::string(line)}};
        });
    }
    bool Send(std::vector<SettingChange> changes, std::function<void(const SendOutcome&)> done = {})
    {
        return PanelSend(
            link, queue, std::move(changes),
            [this](std::string_view text, std::string_view) { shown.emplace_back(text); }, std::move(done));
    }
    bool Idle() { return queue.WaitIdle(Micros{5'000'000}); }

    CommandQueue queue{state.flags};
    std::vector<std::string> shown;
};

// Without a device, or with one of a model the program does not know, a
// change is refused with the reason; forced, the unknown model takes it.
TEST_F(PanelSendTest, WithoutADeviceOrWithAnUnknownModelNothingIsStoredOrSent)
{
    state.flags.Connected = false;
    p.MG[2] = 7;
    EXPECT_FALSE(Send({{Op::MG, {2}, 30}}));
    state.flags.Connected = true;
    state.flags.UnknownModel = true;
    p.SA.Set("SAK999");
    EXPECT_FALSE(Send({{Op::MG, {2}, 30}}));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(shown, (std::vector<std::string>{"Cannot connect",
                                               "unknown model K999: connected read-only, nothing was sent"}));
    EXPECT_EQ(p.MG[2], 7);
    EXPECT_EQ(port.Written(), "");
    EXPECT_FALSE(state.flags.PollingHeld());

    state.flags.WritesForced = true;
    EXPECT_TRUE(Send({{Op::MG, {2}, 30}}));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(port.Written(), "MG230\r\n");
}

TEST_F(PanelSendTest, SeveralChangesGoOutInTheirOrderAndAreConfirmedTogether)
{
    bool confirmed = false;
    EXPECT_TRUE(Send({{Op::MG, {1}, 12}, {Op::MR, {3}, 9, true}, {Op::MG, {2}, 12}, {Op::MM, {4}, 1}},
                     [&](const SendOutcome& o) { confirmed = o.Confirmed(); }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"MG112\r\n", "MG212\r\n", "MM41\r\n"}));
    EXPECT_EQ(p.MR[3], 9) << "kept, not sent";
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(state.flags.PollingHeld());
}

TEST_F(PanelSendTest, AnUnconfirmedChangeIsQueriedBackAndNamed)
{
    // The device takes no set of OD but answers its query with what it
    // holds, and the low-pass limit it keeps beside the delay.
    port.SetResponder(kPort, [](std::string_view line) {
        return line == "OD3r\r\n"   ? std::vector<Piece>{{1ms, "OD340\r\n"}}
               : line == "OF3r\r\n" ? std::vector<Piece>{{1ms, "OF31000\r\n"}}
                                    : std::vector<Piece>{};
    });
    SendOutcome outcome;
    std::promise<void> release;
    queue.Post([gate = release.get_future().share()] { gate.wait(); });  // nothing goes out yet
    Send({{Op::OD, {3}, 150}}, [&](const SendOutcome& o) { outcome = o; });
    EXPECT_EQ(p.OD[3], 0) << "stored on the queue's thread, not the caller's";
    release.set_value();
    ASSERT_TRUE(Idle());
    std::vector<std::string> expected(8, "OD3150\r\n");
    expected.push_back("OD3r\r\n");
    expected.push_back("OF3r\r\n");  // output 3 has a delay: the limit is read along
    EXPECT_EQ(port.Writes(), expected);
    ASSERT_EQ(outcome.unconfirmed.size(), 1u);
    EXPECT_EQ(UnconfirmedText(outcome.unconfirmed[0]), "Output 3 delay: the device did not confirm 150");
    EXPECT_TRUE(outcome.unknown.empty());
    EXPECT_EQ(outcome.reread, (std::vector<SettingRef>{{Op::OF, {3, 0}}}));
    EXPECT_EQ(p.OD[3], 40) << "the mirror holds what the device reported";
    EXPECT_EQ(p.OF[3], 1000);
}

TEST_F(PanelSendTest, ASettingThatAnswersNothingIsLeftUnknown)
{
    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
    SendOutcome outcome;
    Send({{Op::OV, {4}, -7}, {Op::MX, {2, 3}, 1}}, [&](const SendOutcome& o) { outcome = o; });
    ASSERT_TRUE(Idle());
    EXPECT_EQ(outcome.unknown, (std::vector<SettingRef>{{Op::OV, {4, 0}}, {Op::MX, {2, 3}}}));
    EXPECT_EQ(SettingName(outcome.unknown[1]), "Crosspoint 2\u21923");
}

TEST_F(PanelSendTest, CommandsRunInTheOrderPostedWhileThePollingIsHeldBack)
{
    std::vector<bool> busyDuring;
    queue.Post([&] { busyDuring.push_back(state.flags.PollingHeld()); });
    Send({{Op::MX, {1, 2}, 1}});
    Send({{Op::XG, {1, 2}, -6}});
    queue.Post([&] { busyDuring.push_back(state.flags.PollingHeld()); });
    ASSERT_TRUE(Idle());
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"MX121\r\n", "XG12-6\r\n"}));
    EXPECT_EQ(busyDuring, (std::vector<bool>{true, true}));
    EXPECT_FALSE(state.flags.PollingHeld());
    EXPECT_EQ(p.XG[1][2], -6);
}

// Jobs dropped before the queue's thread took them let the polling go on
// (twenty tries: the drop may come before or after the thread wakes).
TEST_F(PanelSendTest, DroppingThePendingJobsReleasesThePollingHold)
{
    for (int i = 0; i < 20; ++i) {
        queue.Post([] {});
        queue.DropPending();
        ASSERT_TRUE(Idle());
        ASSERT_FALSE(state.flags.PollingHeld()) << "try " << i;
    }
}

}  // namespace
}  // namespace brevant::test
