// What a client of the service sends: a setting's key and a value's body. The
// first byte picks which, the second the model family or the setting.
//   - A key that is found writes back as exactly that key; one that is not
//     has a reason, and the reason can be sent in a JSON reply.
//   - A value that is read lies within its setting's range; a refused one
//     has a reason that can be sent in a JSON reply.
#include "core/SettingRange.h"
#include "service/parse/SettingJson.h"
#include "service/parse/SettingKeys.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

namespace {

void CheckReason(brevant::service::SettingError error, const std::string& message)
{
    if (error == brevant::service::SettingError::None || message.empty())
        std::abort();
    (void)nlohmann::json{{"error", message}}.dump();  // throws, and so stops, on a text that is no UTF-8
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    using namespace brevant::service;
    if (size < 2)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(bytes + 2), size - 2);
    if (bytes[0] % 2 == 0) {
        const brevant::ModelFamily family = brevant::ToModelFamily(bytes[1] % 3);
        const KeyLookup found = FindSetting(input, family);
        if (found.ref && KeyOf(*found.ref) != input)
            std::abort();
        if (!found.ref)
            CheckReason(found.error, found.message);
        return 0;
    }
    static const std::vector<KeyedSetting> keys = KeysOf(brevant::ModelFamily::K217K218);
    const brevant::SettingRef ref = keys[bytes[1] % keys.size()].ref;
    const ValueRead read = ReadSettingValue(input, ref);
    if (read.value && !brevant::RangeOf(ref.op)->Contains(*read.value))
        std::abort();
    if (!read.value)
        CheckReason(read.error, read.message);
    return 0;
}
