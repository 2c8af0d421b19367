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
        // The panels are live only while the model says a device is connected.
        context.Model().StartConnection(ModelFamily::K225);
        context.Model().Flush();
        EchoEverySet();
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

    CommandQueue queue{state.flags};
    QStringList told;
    PanelContext context{link, queue, [this](const QString& text) { told << text; }};
};

}  // namespace brevant::test
