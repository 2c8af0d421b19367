#include "programs/sim/DeviceModel.h"

#include <charconv>
#include <climits>
#include <iostream>

namespace brevant::sim {
namespace {

constexpr std::string_view kEnd = "\r\n";

std::optional<int> channelDigit(char c) {
    if (c >= '1' && c <= '0' + DeviceSettings::kChannels)
        return c - '0';
    return std::nullopt;
}

// A plain decimal number with an optional leading '-'. Numbers too large for
// an int saturate, so that they clamp like any other out-of-range value.
std::optional<int> parseValue(std::string_view text) {
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

Reply line(std::string_view head, long long value) {
    return Reply::text(std::string(head) + std::to_string(value) + std::string(kEnd));
}

}  // namespace

DeviceModel::DeviceModel(DeviceOptions options, DeviceSettings initial)
    : options_(std::move(options)),
      current_(initial),
      stored_(initial),
      meters_(options_.seed, options_.model),
      soundTest_(options_.seed) {
    if (!options_.clock)
        options_.clock = monotonicNow;
}

std::string_view DeviceModel::reportedModel() const {
    return options_.unknownModel ? kUnknownModelName : productModelName(options_.model);
}

std::string DeviceModel::handleLine(std::string_view text) { return handle(text).reply.bytes(); }

DeviceModel::LineOutcome DeviceModel::handle(std::string_view text) {
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);

    if (text == "SVsr")
        return {line("SV", current_.firmwareVersion()), false};
    if (text == "SAsr")
        return {Reply::text("SA" + std::string(reportedModel()) + std::string(kEnd)), false};
    if (text == "UGst")
        return {Reply::text("UGst\r\n"), true};
    if (auto reply = handleAction(text))
        return {std::move(*reply), false};
    if (auto reply = handleResultBlock(text))
        return {std::move(*reply), false};
    if (auto reply = handleMeter(text))
        return {std::move(*reply), false};
    if (auto reply = handleSetting(text))
        return {std::move(*reply), false};
    return {};
}

std::optional<Reply> DeviceModel::handleAction(std::string_view text) {
    const auto echo = [&] { return Reply::text(std::string(text) + std::string(kEnd)); };
    if (text == "SMs1") {
        soundTest_.enter();
        return echo();
    }
    if (text == "CEs1") {
        soundTest_.leave();
        return echo();
    }
    if (text == "SSs1")
        return Reply::text(store() ? "SSs1\r\n" : "SSs0\r\n", kStoreTime);
    if (text == "CGs3" || text == "CGs0") {
        soundTest_.setSignal(text == "CGs3");
        return echo();
    }
    if (text == "CGs1") {
        const bool taken = soundTest_.startMeasurement(current_.get({Param::TestPoints}),
                                                       current_.get({Param::TestChannel}));
        return taken ? echo() : Reply::text("CGsE\r\n");
    }
    if (text == "CGs2")
        return soundTest_.nextPoint() ? echo() : Reply::text("CGsE\r\n");
    return std::nullopt;
}

// "DAsr".."DJsr" and "EAsr".."EJsr": ten lines of one block of the response
// (D) or noise (E) curve, "<code><j><value>" for point (block-1)*10 + j.
std::optional<Reply> DeviceModel::handleResultBlock(std::string_view text) const {
    if (text.size() != 4 || (text[0] != 'D' && text[0] != 'E') || text[1] < 'A' || text[1] > 'J'
        || text.substr(2) != "sr")
        return std::nullopt;
    const int block = text[1] - 'A' + 1;
    std::string bytes;
    for (int j = 0; j < 10; ++j) {
        const int point = (block - 1) * 10 + j;
        const int value = text[0] == 'D' ? soundTest_.response(point) : soundTest_.noise(point);
        bytes += text.substr(0, 2);
        bytes += static_cast<char>('0' + j);
        bytes += std::to_string(value);
        bytes += kEnd;
    }
    return Reply::text(std::move(bytes));
}

// "MLnr", "OLnr", "MEnr", "MSnr": query-only meter readings.
std::optional<Reply> DeviceModel::handleMeter(std::string_view text) {
    if (text.size() != 4 || text[3] != 'r')
        return std::nullopt;
    const std::string_view code = text.substr(0, 2);
    if (code != "ML" && code != "OL" && code != "ME" && code != "MS")
        return std::nullopt;
    const auto channel = channelDigit(text[2]);
    if (!channel)
        return std::nullopt;
    if (!hasSetting(options_.model, code, *channel))
        return Reply{};
    meters_.advanceTo(options_.clock());
    int value = 0;
    if (code == "ML")
        value = meters_.inputLevel(current_, *channel);
    else if (code == "OL")
        value = meters_.outputLevel(current_, *channel);
    else if (code == "ME")
        value = meters_.erle(current_, *channel);
    else
        value = meters_.erl(current_, *channel);
    return line(text.substr(0, 3), value);
}

// Settings: "<code><address><value>" sets, "<code><address>r" queries; the
// address is a channel digit, two digits (input, output) for crosspoints, or
// 's' for device-wide settings. Both answer with the value now held.
std::optional<Reply> DeviceModel::handleSetting(std::string_view text) {
    if (text.size() < 4)
        return std::nullopt;
    const auto param = DeviceSettings::findCode(text.substr(0, 2));
    if (!param)
        return std::nullopt;
    SettingKey key{*param};
    std::size_t argumentAt = 3;
    switch (DeviceSettings::info(*param).scope) {
    case Scope::Input:
    case Scope::Output: {
        const auto n = channelDigit(text[2]);
        if (!n)
            return std::nullopt;
        key.first = *n;
        break;
    }
    case Scope::Crosspoint: {
        const auto r = channelDigit(text[2]);
        const auto k = channelDigit(text[3]);
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

    if (!hasSetting(options_.model, text.substr(0, 2), key.first))
        return Reply{};
    const std::string_view argument = text.substr(argumentAt);
    int held = 0;
    if (argument == "r") {
        held = current_.get(key);
    } else {
        const auto value = parseValue(argument);
        if (!value)
            return std::nullopt;
        held = current_.set(key, *value);
    }
    return line(text.substr(0, argumentAt), held);
}

bool DeviceModel::store() {
    if (!options_.stateFile.empty()) {
        std::string error;
        if (!StateFile(options_.stateFile).save(current_, &error)) {
            std::cerr << "brevant-sim: storing settings failed: " << error << '\n';
            return false;
        }
    }
    stored_ = current_;
    return true;
}

void DeviceModel::applyFirmware(std::uint32_t version) {
    current_.setFirmwareVersion(version);
    stored_.setFirmwareVersion(version);
    if (options_.stateFile.empty())
        return;
    std::string error;
    if (!StateFile(options_.stateFile).save(stored_, &error))
        std::cerr << "brevant-sim: keeping the firmware version failed: " << error << '\n';
}

}  // namespace brevant::sim
