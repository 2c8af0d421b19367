// Preset files: any bytes are refused with a line-numbered reason or read
// into values within every setting's range.
#include "Preset.h"
#include "SettingRange.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const brevant::PresetCheck check = brevant::ParsePresetText(text);
    if (check.preset.has_value() == !check.error.empty())
        std::abort();
    if (!check.preset) {
        if (check.error.rfind("line ", 0) != 0)
            std::abort();
        return 0;
    }
    if (check.preset->entries.size() > 91)  // 14 channel lines, 3 single values, 2 matrices
        std::abort();
    for (const brevant::PresetEntry& e : check.preset->entries) {
        if (!brevant::RangeOf(e.setting.op)->Contains(e.value))
            std::abort();
    }
    return 0;
}
