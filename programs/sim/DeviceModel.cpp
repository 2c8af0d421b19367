#include "programs/sim/DeviceModel.h"

#include <charconv>
#include <climits>
#include <iostream>

namespace brevant::sim {
namespace {

constexpr std::string_view kEnd = "\r\n";

std::optional<int> ChannelDigit(char c)
{
    if (c >= '1' && c <= '0' + DeviceSettings::kChannels)
        return c - '0';
    return std::nullopt;
}

// A plain decimal number with an optional leading '-'. Numbers too large for
// an int saturate, so that they clamp like any other out-of-range value.
std::optional<int> ParseValue(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return negative ? INT_MIN : INT_MAX;
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

Reply Line(std::string_view head, long long value)
{
    return Reply::Text(std::string(head) + std::to_string(value) + std::string(kEnd));
}

}  // namespace

DeviceModel::DeviceModel(DeviceOptions options, DeviceSettings initial)
    : options_(std::move(options)), current_(initial), stored_(initial),
      meters_(options_.seed, options_.model), soundTest_(options_.seed)
{
    if (!options_.clock)
        options_.clock = MonotonicNow;
}

std::string_view DeviceModel::ReportedModel() const
{
    return options_.unknownModel ? kUnknownModelName : ProductModelName(options_.model);
}

std::string DeviceModel::HandleLine(std::string_view text)
{
    return Handle(text).reply.Bytes();
}

DeviceModel::LineOutcome DeviceModel::Handle(std::string_view text)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);

    if (text == "SVsr")
        return {Line("SV", current_.FirmwareVersion()), false};
    if (text == "SAsr")
        return {Reply::Text("SA" + std::string(ReportedModel()) + std::string(kEnd)), false};
    if (text == "UGst")
        return {Reply::Text("UGst\r\n"), true};
    if (auto reply = HandleAction(text))
        return {std::move(*reply), false};
    if (auto reply = HandleResultBlock(text))
        return {std::move(*reply), false};
    if (auto reply = HandleMeter(text))
        return {std::move(*reply), false};
    if (auto reply = HandleSetting(text))
        return {std::move(*reply), false};
    return {};
}

std::optional<Reply> DeviceModel::HandleAction(std::string_view text)
{
    const auto echo = [&] { return Reply::Text(std::string(text) + std::string(kEnd)); };
    if (text == "SMs1") {
        soundTest_.Enter();
        return echo();
    }
    if (text == "CEs1") {
        soundTest_.Leave();
        return echo();
    }
    if (text == "SSs1")
        return Reply::Text(Store() ? "SSs1\r\n" : "SSs0\r\n", kStoreTime);
    if (text == "CGs3" || text == "CGs0") {
        soundTest_.SetSignal(text == "CGs3");
        return echo();
    }
    if (text == "CGs1") {
        const bool taken = soundTest_.StartMeasurement(current_.Get({Param::TestPoints}),
                                                       current_.Get({Param::TestChannel}));
        return taken ? echo() : Reply::Text("CGsE\r\n");
    }
    if (text == "CGs2")
        return soundTest_.NextPoint() ? echo() : Reply::Text("CGsE\r\n");
    return std::nullopt;
}

// "DAsr".."DJsr" and "EAsr".."EJsr": ten lines of one block of the response
// (D) or Noise (E) curve, "<code><j><value>" for point (block-1)*10 + j.
std::optional<Reply> DeviceModel::HandleResultBlock(std::string_view text) const
{
    if (text.size() != 4 || (text[0] != 'D' && text[0] != 'E') || text[1] < 'A' || text[1] > 'J' ||
        text.substr(2) != "sr")
        return std::nullopt;
    const int block = text[1] - 'A' + 1;
    std::string bytes;
    for (int j = 0; j < 10; ++j) {
        const int point = (block - 1) * 10 + j;
        const int value = text[0] == 'D' ? soundTest_.Response(point) : soundTest_.Noise(point);
        bytes += text.substr(0, 2);
        bytes += static_cast<char>('0' + j);
        bytes += std::to_string(value);
        bytes += kEnd;
    }
    return Reply::Text(std::move(bytes));
}

// "MLnr", "OLnr", "MEnr", "MSnr": query-only meter readings.
std::optional<Reply> DeviceModel::HandleMeter(std::string_view text)
{
    if (text.size() != 4 || text[3] != 'r')
        return std::nullopt;
    const std::string_view code = text.substr(0, 2);
    if (code != "ML" && code != "OL" && code != "ME" && code != "MS")
        return std::nullopt;
    const auto channel = ChannelDigit(text[2]);
    if (!channel)
        return std::nullopt;
    if (!HasSetting(options_.model, code, *channel))
        return Reply{};
    meters_.AdvanceTo(options_.clock());
    int value = 0;
    if (code == "ML")
        value = meters_.InputLevel(current_, *channel);
    else if (code == "OL")
        value = meters_.OutputLevel(current_, *channel);
    else if (code == "ME")
        value = meters_.Erle(current_, *channel);
    else
        value = meters_.Erl(current_, *channel);
    return Line(text.substr(0, 3), value);
}

// Settings: "<code><address><value>" sets, "<code><address>r" queries; the
// address is a channel digit, two Digits (input, output) for crosspoints, or
// 's' for device-wide settings. Both answer with the value now held.
std::optional<Reply> DeviceModel::HandleSetting(std::string_view text)
{
    if (text.size() < 4)
        return std::nullopt;
    const auto param = DeviceSettings::FindCode(text.substr(0, 2));
    if (!param)
        return std::nullopt;
    SettingKey key{*param};
    std::size_t argumentAt = 3;
    switch (DeviceSettings::Info(*param).scope) {
    case Scope::Input:
    case Scope::Output: {
        const auto n = ChannelDigit(text[2]);
        if (!n)
            return std::nullopt;
        key.first = *n;
        break;
    }
    case Scope::Crosspoint: {
        const auto r = ChannelDigit(text[2]);
        const auto k = ChannelDigit(text[3]);
        if (!r || !k)
            return std::nullopt;
        key.first = *r;
        key.second = *k;
        argumentAt = 4;
        break;
    }
    case Scope::Device:
        if (text[2] != 's')
            return std::nullopt;
        break;
    }

    if (!HasSetting(options_.model, text.substr(0, 2), key.first))
        return Reply{};
    const std::string_view argument = text.substr(argumentAt);
    int held = 0;
    if (argument == "r") {
        held = current_.Get(key);
    } else {
        const auto value = ParseValue(argument);
        if (!value)
            return std::nullopt;
        held = current_.Set(key, *value);
    }
    return Line(text.substr(0, argumentAt), held);
}

bool DeviceModel::Store()
{
    if (!options_.stateFile.empty()) {
        std::string error;
        if (!StateFile(options_.stateFile).Save(current_, &error)) {
            std::cerr << "brevant-sim: storing settings failed: " << error << '\n';
            return false;
        }
    }
    stored_ = current_;
    return true;
}

void DeviceModel::ApplyFirmware(std::uint32_t version)
{
    current_.SetFirmwareVersion(version);
    stored_.SetFirmwareVersion(version);
    if (options_.stateFile.empty())
        return;
    std::string error;
    if (!StateFile(options_.stateFile).Save(stored_, &error))
        std::cerr << "brevant-sim: keeping the firmware version failed: " << error << '\n';
}

}  // namespace brevant::sim
