#include "procedures/SaveDevice.h"

#include "procedures/DeviceFit.h"

namespace brevant {

bool SaveDevice(DeviceLink& link, const Report& report)
{
    if (const std::string refusal = WriteRefusal(link.State()); !refusal.empty()) {
        report(msg::Text(msg::kSaveDeviceFail), refusal);
        return false;
    }
    PollingHold hold(link.State().flags);
    Status status = LinkError::NotConfirmed;
    for (int send = 0; send < kSaveDeviceSends && !status && status.Error() != LinkError::PortGone; ++send)
        status = link.Run(Op::SS);
    hold.Release();
    if (status)
        report(msg::Text(msg::kSaveDeviceSuccessfully), {});
    else
        report(msg::Text(msg::kSaveDeviceFail), {});
    return static_cast<bool>(status);
}

}  // namespace brevant
