#include "SaveDevice.h"

namespace brevant {

bool SaveDevice(DeviceLink& link, const Report& report)
{
    PollingHold hold(link.State().flags);
    Status status = LinkError::NotConfirmed;
    for (int send = 0; send < kSaveDeviceSends && !status && status.Error() != LinkError::PortGone; ++send)
        status = link.Run(Op::SS);
    hold.Release();
    if (status)
        report(msg::kSaveDeviceSuccessfully, {});
    else
        report(msg::kSaveDeviceFail, {});
    return static_cast<bool>(status);
}

}  // namespace brevant
