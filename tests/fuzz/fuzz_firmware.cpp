// Firmware images: any bytes are refused for their size or read into whole
// words that hold exactly the image's bytes, at least one data word among them.
#include "procedures/FirmwareImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const brevant::FirmwareImage image = brevant::ParseFirmwareImage(bytes);
    if (!image.error.empty())
        return image.words.empty() ? 0 : (std::abort(), 0);
    if (image.wholeWords != size / 4 || image.words.size() != (size + 3) / 4 ||
        image.trailingBytes != size % 4 || image.wholeWords < 4)
        std::abort();
    for (std::size_t i = 0; i < size; ++i) {
        if (((image.words[i / 4] >> (8 * (i % 4))) & 0xFF) != data[i])
            std::abort();
    }
    return 0;
}
