// A panel's change: refused without a connection, stored at once, sent in
// order on the command queue with up to eight tries, LinkBusy held meanwhile.
#include "LinkFixture.h"
#include "PanelSend.h"

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
    bool Send(std::vector<SettingChange> changes, std::function<void(bool)> done = {})
    {
        return PanelSend(link, queue, std::move(changes),
                         [this](std::string_view text, std::string_view) { shown.emplace_back(text); },
                         std::move(done));
    }
    bool Idle() { return queue.WaitIdle(Micros{5'000'000}); }

    CommandQueue queue{state.flags};
    std::vector<std::string> shown;
};

TEST_F(PanelSendTest, WithoutADeviceNothingIsStoredOrSent)
{
    state.flags.Connected = false;
    p.MG[2] = 7;
    EXPECT_FALSE(Send({{Op::MG, {2}, 30}}));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(shown, std::vector<std::string>{"Cannot connect"});
    EXPECT_EQ(p.MG[2], 7);
    EXPECT_EQ(port.Written(), "");
    EXPECT_FALSE(state.flags.LinkBusy);
}

TEST_F(PanelSendTest, SeveralChangesGoOutInTheirOrderAndAreConfirmedTogether)
{
    bool confirmed = false;
    EXPECT_TRUE(Send({{Op::MG, {1}, 12}, {Op::MG, {2}, 12}, {Op::MM, {4}, 1}}, [&](bool ok) { confirmed = ok; }));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"MG112\r\n", "MG212\r\n", "MM41\r\n"}));
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(state.flags.LinkBusy);
}

TEST_F(PanelSendTest, TheMirrorHoldsTheNewValueAtOnceAndKeepsItWhenTheDeviceNeverConfirms)
{
    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
    std::atomic<int> outcome{-1};
    Send({{Op::OV, {4}, -7}}, [&](bool ok) { outcome = ok ? 1 : 0; });
    EXPECT_EQ(p.OV[4], -7);  // before anything went out
    ASSERT_TRUE(Idle());
    EXPECT_EQ(port.Writes(), std::vector<std::string>(8, "OV4-7\r\n"));
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(p.OV[4], -7);
}

TEST_F(PanelSendTest, CommandsRunInTheOrderPostedWhileLinkBusyIsHeld)
{
    std::vector<bool> busyDuring;
    queue.Post([&] { busyDuring.push_back(state.flags.LinkBusy); });
    Send({{Op::MX, {1, 2}, 1}});
    Send({{Op::XG, {1, 2}, -6}});
    queue.Post([&] { busyDuring.push_back(state.flags.LinkBusy); });
    ASSERT_TRUE(Idle());
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"MX121\r\n", "XG12-6\r\n"}));
    EXPECT_EQ(busyDuring, (std::vector<bool>{true, true}));
    EXPECT_FALSE(state.flags.LinkBusy);
    EXPECT_EQ(p.XG[1][2], -6);
}

}  // namespace
}  // namespace brevant::test
