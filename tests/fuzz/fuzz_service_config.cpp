// The service's configuration: any bytes give a configuration whose devices
// have valid, unique ids and addresses that read back as themselves, or a
// refusal that names the line and column.
#include "service/parse/ServiceConfig.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace brevant::service;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ConfigResult result = ParseServiceConfig(text);
    if (result.config.has_value() == !result.error.empty())
        std::abort();
    if (!result.config) {
        if (result.error.rfind("line ", 0) != 0 && size <= kMaxConfigBytes)
            std::abort();
        return 0;
    }
    const ServiceConfig& config = *result.config;
    if (config.devices.size() > kMaxDevices || config.listen.port < 1 || config.listen.port > 65535)
        std::abort();
    std::set<std::string> ids;
    for (const DeviceConfig& device : config.devices) {
        if (!ids.insert(device.id).second || device.id.empty() || device.id.size() > kMaxIdLength)
            std::abort();
        const DeviceAddressParse again = ParseDeviceAddress(device.address.Text());
        if (!again.address || !(*again.address == device.address))
            std::abort();
    }
    return 0;
}
