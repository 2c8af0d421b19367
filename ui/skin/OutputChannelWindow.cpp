#include "ui/skin/OutputChannelWindow.h"

#include "ui/skin/SkinTheme.h"

namespace brevant {

OutputChannelWindow::OutputChannelWindow(PanelContext& context, int channelIndex, int channelFlag,
                                         QWidget* parent)
    : ChannelWindow(context, channelIndex, channelFlag, SkinTheme::kOutputs, 3, kPaneBottom, parent)
{
}

OutputChannelWindow::~OutputChannelWindow() = default;

}  // namespace brevant
