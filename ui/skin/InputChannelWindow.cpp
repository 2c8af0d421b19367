#include "ui/skin/InputChannelWindow.h"

#include "ui/skin/SkinTheme.h"

namespace brevant {

InputChannelWindow::InputChannelWindow(PanelContext& context, int channelIndex, int channelFlag,
                                       QWidget* parent)
    : ChannelWindow(context, channelIndex, channelFlag, SkinTheme::kInputs, 1, kPaneBottom, parent)
{
}

InputChannelWindow::~InputChannelWindow() = default;

}  // namespace brevant
