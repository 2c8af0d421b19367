// Group mode for the EQ and FBK indicators: the same button of the filter
// panel in the first pane of every channel window of one direction takes the
// clicked button's state. Nothing is sent; they work without a device.
#pragma once

#include "PanelContext.h"

namespace brevant {

class CImageCheckButton;

// `panelButton` picks the button from a channel's first pane; null when that
// pane has no such panel.
template <typename PickButton>
void MirrorCheckInGroup(const PanelContext& context, Direction direction, bool checked, PickButton panelButton)
{
    if (!context.Group())
        return;
    for (int k = 0; k < kChannels; ++k) {
        if (CImageCheckButton* button = panelButton(context.Pane(direction, k, 1)))
            button->SetCheck(checked);
    }
}

}  // namespace brevant
