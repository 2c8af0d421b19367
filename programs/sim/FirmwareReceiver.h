// The device side of the binary firmware upgrade. The program sends 6-byte
// packets: 'U', a step letter and a 32-bit value, most significant byte first.
//   'I', 'A', 'L'  header words 0..2 (magic, version, data word count): echoed;
//                  a wrong magic is answered with the value 0 instead.
//   'D'            data words, back to back, unanswered except the last one.
//   'C' 1          echoed.
//   'E' 2          echoed; after programming the flash the device reports
//                  'U','E',2,2,2,2 and then 'U','E',3,3,3,3 when the image was
//                  whole, or 'U','E',FF,FF,FF,FF when it was not.
// Bytes that cannot start a packet are skipped until the next 'U'.
#pragma once

#include "programs/sim/Reply.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace brevant::sim {

class FirmwareReceiver {
public:
    static constexpr std::chrono::milliseconds kProgrammingTime{300};
    static constexpr std::size_t kPacketSize = 6;

    struct Outcome {
        Reply reply;
        bool finished = false;                          // the upgrade exchange is over
        std::optional<std::uint32_t> installedVersion;  // set when a good image was taken
    };

    Outcome Receive(std::uint8_t byte);
    // Forgets everything received: ready for a new upgrade.
    void Reset() { *this = FirmwareReceiver{}; }

    static std::string Packet(char step, std::uint32_t value);

private:
    Outcome HandlePacket(char step, std::uint32_t value);
    bool ImageGood() const;

    std::array<std::uint8_t, kPacketSize> packet_{};
    std::size_t filled_ = 0;
    bool magicGood_ = false;
    std::optional<std::uint32_t> version_;
    std::optional<std::uint32_t> wordCount_;
    std::uint64_t wordsReceived_ = 0;
    std::uint32_t sum_ = 0;   // of every data word received
    std::uint32_t last_ = 0;  // the latest data word
};

}  // namespace brevant::sim
