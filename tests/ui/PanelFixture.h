// Panels on a scripted port: a connected device that confirms every set by
// echoing it (unless a test scripts otherwise), the command queue, and a
// context that records what the user is told instead of showing it.
#pragma once

#include "tests/LinkFixture.h"
#include "tests/ui/UiTestHelpers.h"
#include "ui/panels/PanelContext.h"

#include <QString>
#include <QStringList>

namespace brevant::test {

class PanelFixture : public LinkFixture {
protected:
    PanelFixture()
    {
        state.flags.Connected = true;
        ConnectModel(ModelFamily::K225);
        EchoEverySet();
    }

    // The model as a connection leaves it once its read-back is in: the
    // panels are live, and take input, only then.
    void ConnectModel(ModelFamily family)
    {
        context.Model().StartConnection(family);
        context.Model().TakeReadBack(p, family);
        context.Model().Flush();
    }

    void EchoEverySet()
    {
        port.SetResponder(kPort, [](std::string_view line) {
            return std::vector<Piece>{{std::chrono::milliseconds(1), std::string(line)}};
        });
    }
    void NeverAnswer()
    {
        port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
    }

    // Delivers the controls' queued notices, waits until every command they
    // queued has gone out and its outcome has been brought back to the UI
    // thread; then the lines written, and the record cleared.
    std::vector<std::string> Sent()
    {
        Deliver();
        EXPECT_TRUE(queue.WaitIdle(Micros{10'000'000}));
        Deliver();
        context.Model().Flush();  // what the panels show now, not at the next interval
        Deliver();
        std::vector<std::string> writes = port.Writes();
        port.ClearRecord();
        return writes;
    }
    // As Sent, once the steps that waited for an answer have gone out too:
    // an answer brought to the UI thread may queue the next step.
    std::vector<std::string> AllSent()
    {
        for (int round = 0; round < 100; ++round) {
            Deliver();
            EXPECT_TRUE(queue.WaitIdle(Micros{10'000'000}));
            Deliver();
            if (queue.Pending() == 0)
                break;
        }
        return Sent();
    }

    CommandQueue queue{state.flags};
    QStringList told;
    PanelContext context{link, queue, [this](const QString& text) { told << text; }};
};

}  // namespace brevant::test
