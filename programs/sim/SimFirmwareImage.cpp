#include "programs/sim/SimFirmwareImage.h"

#include "programs/sim/SimClock.h"

#include <fstream>
#include <numeric>
#include <stdexcept>

namespace brevant::sim {
namespace {
constexpr std::uint32_t kImageStream = 3;
}

FirmwareImage FirmwareImage::Generate(std::uint32_t version, std::uint32_t words, std::uint32_t seed)
{
    std::vector<std::uint32_t> data;
    if (words > 0) {
        auto rng = SeededGenerator(seed, kImageStream);
        data.reserve(words);
        for (std::uint32_t i = 0; i + 1 < words; ++i)
            data.push_back(static_cast<std::uint32_t>(rng()));
        data.push_back(Checksum(data));
    }
    return FirmwareImage(version, std::move(data));
}

std::uint32_t FirmwareImage::Checksum(std::span<const std::uint32_t> words)
{
    return std::accumulate(words.begin(), words.end(), std::uint32_t{0});
}

std::vector<std::uint32_t> FirmwareImage::FileWords() const
{
    std::vector<std::uint32_t> words{kMagic, version_, static_cast<std::uint32_t>(data_.size())};
    words.insert(words.end(), data_.begin(), data_.end());
    return words;
}

std::vector<std::uint8_t> FirmwareImage::FileBytes() const
{
    std::vector<std::uint8_t> bytes;
    for (const std::uint32_t word : FileWords())
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    return bytes;
}

void FirmwareImage::WriteFile(const std::filesystem::path& path) const
{
    const auto bytes = FileBytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

}  // namespace brevant::sim
