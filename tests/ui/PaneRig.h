// The panes of four input and four output channel windows, both kinds of
// each, built on a PanelFixture's context, as the main form holds them.
#pragma once

#include "tests/ui/PanelFixture.h"
#include "ui/panels/ChannelPane.h"

#include <memory>
#include <vector>

namespace brevant::test {

class PaneRig : public PanelFixture {
protected:
    PaneRig()
    {
        for (int k = 0; k < kChannels; ++k) {
            for (int kind = 1; kind <= 4; ++kind)
                panes.push_back(std::make_unique<ChannelPane>(context, kind, k));
        }
    }
    // Channel index k of `direction` in pane 1 or 2.
    ChannelPane& PaneOf(Direction direction, int k, int paneKind)
    {
        const int kind = (direction == Direction::Input ? 0 : 2) + paneKind;
        return *panes.at(static_cast<std::size_t>(k * 4 + kind - 1));
    }
    ChannelPane& In(int k, int paneKind = 1) { return PaneOf(Direction::Input, k, paneKind); }
    ChannelPane& Out(int k, int paneKind = 1) { return PaneOf(Direction::Output, k, paneKind); }

    std::vector<std::unique_ptr<ChannelPane>> panes;
};

}  // namespace brevant::test
