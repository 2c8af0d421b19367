// The channel window of an input: red theme, panes of kinds 1 and 2 that
// reach down to y = 520 (below the window's normal bottom edge).
#pragma once

#include "ui/skin/ChannelWindow.h"

namespace brevant {

class InputChannelWindow : public ChannelWindow {
    Q_OBJECT

public:
    static constexpr int kPaneBottom = 520;

    InputChannelWindow(PanelContext& context, int channelIndex, int channelFlag = 1,
                       QWidget* parent = nullptr);
    ~InputChannelWindow() override;
};

}  // namespace brevant
