// The channel window of an output: green theme, panes of kinds 3 and 4 that
// end at the window's normal bottom edge, y = 500.
#pragma once

#include "ui/skin/ChannelWindow.h"

namespace brevant {

class OutputChannelWindow : public ChannelWindow {
    Q_OBJECT

public:
    static constexpr int kPaneBottom = 500;

    OutputChannelWindow(PanelContext& context, int channelIndex, int channelFlag = 1,
                        QWidget* parent = nullptr);
    ~OutputChannelWindow() override;
};

}  // namespace brevant
