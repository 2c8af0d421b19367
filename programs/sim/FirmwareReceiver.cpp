#include "programs/sim/FirmwareReceiver.h"

#include "programs/sim/SimFirmwareImage.h"

namespace brevant::sim {
namespace {
constexpr std::uint32_t kCheckValue = 1;
constexpr std::uint32_t kFinishValue = 2;
constexpr std::uint32_t kProgrammedReport = 0x02020202;
constexpr std::uint32_t kSuccessReport = 0x03030303;
constexpr std::uint32_t kFailureReport = 0xFFFFFFFF;
}  // namespace

std::string FirmwareReceiver::Packet(char step, std::uint32_t value)
{
    std::string bytes{'U', step};
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}

FirmwareReceiver::Outcome FirmwareReceiver::Receive(std::uint8_t byte)
{
    if (filled_ == 0 && byte != 'U')
        return {};
    packet_[filled_++] = byte;
    if (filled_ < kPacketSize)
        return {};
    filled_ = 0;
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < kPacketSize; ++i)
        value = (value << 8) | packet_[i];
    return HandlePacket(static_cast<char>(packet_[1]), value);
}

FirmwareReceiver::Outcome FirmwareReceiver::HandlePacket(char step, std::uint32_t value)
{
    Outcome outcome;
    switch (step) {
    case 'I':
        magicGood_ = value == FirmwareImage::kMagic;
        outcome.reply = Reply::Text(Packet(step, magicGood_ ? value : 0));
        break;
    case 'A':
        version_ = value;
        outcome.reply = Reply::Text(Packet(step, value));
        break;
    case 'L':
        wordCount_ = value;
        outcome.reply = Reply::Text(Packet(step, value));
        break;
    case 'D':
        ++wordsReceived_;
        sum_ += value;
        last_ = value;
        if (wordCount_ && wordsReceived_ == *wordCount_)
            outcome.reply = Reply::Text(Packet(step, value));
        break;
    case 'C':
        if (value == kCheckValue)
            outcome.reply = Reply::Text(Packet(step, value));
        break;
    case 'E':
        if (value != kFinishValue)
            break;
        outcome.reply = Reply::Text(Packet(step, value));
        outcome.reply.Append(Packet('E', kProgrammedReport), kProgrammingTime);
        outcome.reply.Append(Packet('E', ImageGood() ? kSuccessReport : kFailureReport), kProgrammingTime);
        outcome.finished = true;
        if (ImageGood())
            outcome.installedVersion = version_;
        break;
    default: break;
    }
    return outcome;
}

bool FirmwareReceiver::ImageGood() const
{
    if (!magicGood_ || !version_ || !wordCount_ || *wordCount_ == 0 || wordsReceived_ != *wordCount_)
        return false;
    // The last word must be the sum of all the words before it.
    return static_cast<std::uint32_t>(sum_ - last_) == last_;
}

}  // namespace brevant::sim
