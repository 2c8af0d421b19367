#include "SaveDevice.h"

namespace brevant {

bool SaveDevice(DeviceLink& link, const Report& report)
{
    auto& busy = link.State().flags.LinkBusy;
    busy = true;
    Status status = LinkError::NotConfirmed;
    for (int send = 0; send < kSaveDeviceSends && !status; ++send)
        status = link.Run(Op::SS);
    busy = false;
    if (status)
        report(msg::kSaveDeviceSuccessfully, {});
    else
        report(msg::kSaveDeviceFail, {});
    return static_cast<bool>(status);
}

}  // namespace brevant
