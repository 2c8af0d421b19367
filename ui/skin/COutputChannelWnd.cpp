#include "ui/skin/COutputChannelWnd.h"

#include "ui/skin/SkinTheme.h"

namespace brevant {

COutputChannelWnd::COutputChannelWnd(PanelContext& context, int channelIndex, int channelFlag,
                                     QWidget* parent)
    : CChannelWnd(context, channelIndex, channelFlag, SkinTheme::kOutputs, 3, kPaneBottom, parent)
{
}

COutputChannelWnd::~COutputChannelWnd() = default;

}  // namespace brevant
