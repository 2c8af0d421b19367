// The panes of four input and four output channel windows, both kinds of
// each, fed through the panel model by a real connection to the simulator.
#pragma once

#include "procedures/Connection.h"
#include "tests/SimLinkFixture.h"
#include "tests/ui/UiTestHelpers.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/PanelRefresher.h"

#include <memory>
#include <vector>

namespace brevant::test {

// Channel index k's pane of kind 1 or 2 (the two of an input window) or
// 3 or 4 (an output window), for every channel, on one context.
class PaneSet {
public:
    void Build(PanelContext& context)
    {
        for (int k = 0; k < kChannels; ++k) {
            for (int kind = 1; kind <= 4; ++kind)
                panes_.push_back(std::make_unique<ChannelPane>(context, kind, k));
        }
    }
    ChannelPane& In(int k, int kind = 1) { return *panes_.at(static_cast<std::size_t>(k * 4 + kind - 1)); }
    ChannelPane& Out(int k, int kind = 1) { return *panes_.at(static_cast<std::size_t>(k * 4 + kind + 1)); }
    void Clear() { panes_.clear(); }  // before the context goes

private:
    std::vector<std::unique_ptr<ChannelPane>> panes_;
};

class SimPanelFixture : public SimLinkFixture, public PaneSet {
protected:
    // `paced`: the simulator answers at the real line's pace (a read-back of
    // about a second).
    void StartPanels(const char* model, bool paced = false)
    {
        if (paced)
            Start({"--model", model});
        else
            Start({"--no-pacing", "--model", model});
        queue = std::make_unique<CommandQueue>(state.flags);
        context = std::make_unique<PanelContext>(*link, *queue, [this](const QString& t) { told << t; });
        refresher = std::make_unique<PanelRefresher>(*context, p);
        Build(*context);
        connection = std::make_unique<Connection>(*link, *refresher);
    }
    void TearDown() override
    {
        connection.reset();
        Deliver();
        Clear();
        SimLinkFixture::TearDown();
    }

    std::unique_ptr<CommandQueue> queue;
    std::unique_ptr<PanelContext> context;
    std::unique_ptr<PanelRefresher> refresher;
    std::unique_ptr<Connection> connection;
    QStringList told;
};

}  // namespace brevant::test
