#include "procedures/FirmwareImage.h"

#include "core/Translate.h"

namespace brevant {

namespace {
constexpr std::size_t kWordBytes = 4;
// The header words and at least one data word: an image of headers only has
// nothing to program.
constexpr std::size_t kMinimumImageBytes = (kFirmwareHeaderWords + 1) * kWordBytes;
}  // namespace

std::string CheckFirmwareImage(std::size_t bytes)
{
    if (bytes < kMinimumImageBytes)
        return Fill(Tr("brevant::Upgrade",
                       "image too short: %1 bytes, at least %2 needed (three header words "
                       "and one data word)"),
                    {std::to_string(bytes), std::to_string(kMinimumImageBytes)});
    if (bytes > kMaxFirmwareBytes)
        return Fill(Tr("brevant::Upgrade",
                       "image too large: more than %1 bytes, the most the device's program memory holds"),
                    {std::to_string(kMaxFirmwareBytes)});
    return {};
}

FirmwareImage ParseFirmwareImage(std::string_view bytes)
{
    FirmwareImage image;
    image.error = CheckFirmwareImage(bytes.size());
    if (!image.error.empty())
        return image;
    image.words.assign((bytes.size() + kWordBytes - 1) / kWordBytes, 0);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        image.words[i / kWordBytes] |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                                       << (8 * (i % kWordBytes));
    image.wholeWords = bytes.size() / kWordBytes;
    image.trailingBytes = bytes.size() % kWordBytes;
    return image;
}

std::string TrailingBytesText(const FirmwareImage& image)
{
    switch (image.trailingBytes) {
    case 0: return {};
    case 1: return Tr("brevant::Upgrade", "1 trailing byte is not a whole word and is not sent");
    default:
        return Fill(Tr("brevant::Upgrade", "%1 trailing bytes are not a whole word and are not sent"),
                    {std::to_string(image.trailingBytes)});
    }
}

}  // namespace brevant
