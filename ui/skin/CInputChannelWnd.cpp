#include "ui/skin/CInputChannelWnd.h"

#include "ui/skin/SkinTheme.h"

namespace brevant {

CInputChannelWnd::CInputChannelWnd(PanelContext& context, int channelIndex, int channelFlag,
                                   QWidget* parent)
    : CChannelWnd(context, channelIndex, channelFlag, SkinTheme::kInputs, 1, kPaneBottom, parent)
{
}

CInputChannelWnd::~CInputChannelWnd() = default;

}  // namespace brevant
