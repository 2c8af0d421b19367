// Firmware image files: 32-bit little-endian words. Word 0 is the magic
// "BRV1", word 1 the firmware version, word 2 the number N of data words that
// follow. The last data word is a checksum: the wrapping 32-bit sum of the
// N-1 words before it (an image of one data word holds just the checksum 0).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <utility>
#include <vector>

namespace brevant::sim {

class FirmwareImage {
public:
    static constexpr std::uint32_t kMagic = 0x31565242;  // bytes "BRV1"

    FirmwareImage(std::uint32_t version, std::vector<std::uint32_t> data)
        : version_(version), data_(std::move(data))
    {
    }

    // An image of `words` data Words (checksum included) whose contents are
    // pseudo-random but fixed by `seed`.
    static FirmwareImage Generate(std::uint32_t version, std::uint32_t words, std::uint32_t seed = 1);
    static std::uint32_t Checksum(std::span<const std::uint32_t> words);

    std::uint32_t Version() const { return version_; }
    const std::vector<std::uint32_t>& data() const { return data_; }
    // Header and data, as stored in the file.
    std::vector<std::uint32_t> FileWords() const;
    std::vector<std::uint8_t> FileBytes() const;
    // Throws std::runtime_error when the file cannot be written.
    void WriteFile(const std::filesystem::path& path) const;

private:
    std::uint32_t version_;
    std::vector<std::uint32_t> data_;
};

}  // namespace brevant::sim
