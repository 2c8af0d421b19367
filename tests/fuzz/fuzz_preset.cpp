// Preset files: any bytes are refused with a line-numbered reason, or read
// into a preset that writes out as a file that reads back as the same preset.
#include "procedures/Preset.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
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
    const std::string written = brevant::FormatPreset(*check.preset);
    const brevant::PresetCheck again = brevant::ParsePresetText(written);
    if (!again.preset || brevant::FormatPreset(*again.preset) != written)
        std::abort();
    return 0;
}
