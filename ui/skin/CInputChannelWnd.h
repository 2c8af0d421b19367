// The channel window of an input: red theme, panes of kinds 1 and 2 that
// reach down to y = 520 (below the window's normal bottom edge).
#pragma once

#include "ui/skin/CChannelWnd.h"

namespace brevant {

class CInputChannelWnd : public CChannelWnd {
    Q_OBJECT

public:
    static constexpr int kPaneBottom = 520;

    CInputChannelWnd(PanelContext& context, int channelIndex, int channelFlag = 1,
                     QWidget* parent = nullptr);
    ~CInputChannelWnd() override;
};

}  // namespace brevant
