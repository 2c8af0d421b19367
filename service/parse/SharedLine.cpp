#include "service/parse/SharedLine.h"

#include "core/ReplyDecoder.h"

#include <algorithm>

namespace brevant::service {

namespace {

// The most digits a set's value may have; more is no value the device holds.
constexpr int kMaxValueDigits = 6;

bool ChannelDigit(char c)
{
    return c >= '1' && c <= '0' + kChannels;
}

bool IsSoundTest(Op op)
{
    switch (op) {
    case Op::SM:
    case Op::CE:
    case Op::CG0:
    case Op::CG1:
    case Op::CG2:
    case Op::CG3:
    case Op::CN:
    case Op::CP:
    case Op::CT:
    case Op::BlockD:
    case Op::BlockE: return true;
    default: return false;
    }
}

// "DAsr".."DJsr", "EAsr".."EJsr": one block of a sound test's result.
SharedLine ParseBlock(std::string_view text)
{
    SharedLine line;
    if (text.size() != 4 || (text[0] != 'D' && text[0] != 'E') || text[1] < 'A' || text[1] > 'J' ||
        text.substr(2) != "sr")
        return line;
    line.kind = LineKind::SoundTest;
    line.command = &CommandFor(text[0] == 'D' ? Op::BlockD : Op::BlockE);
    line.setting = {line.command->op, {text[1] - 'A' + 1, 0}};
    line.query = true;
    return line;
}

// A query or set of a setting, meter or sound-test value: its code, its
// address digits, then "r" or the value.
SharedLine ParseValueLine(const Command& command, std::string_view text)
{
    SharedLine line;
    std::string_view rest = text.substr(command.code.size());
    Address at;
    const int digits = command.replyClass == ReplyClass::Crosspoint ? 2
                       : command.replyClass == ReplyClass::Channel || command.replyClass == ReplyClass::Meter
                           ? 1
                           : 0;
    for (int i = 0; i < digits; ++i) {
        if (rest.empty() || !ChannelDigit(rest.front()))
            return line;
        (i == 0 ? at.a : at.b) = rest.front() - '0';
        rest.remove_prefix(1);
    }
    line.command = &command;
    line.setting = {command.op, at};
    if (rest == "r") {
        line.query = true;
        line.kind = IsSoundTest(command.op) ? LineKind::SoundTest
                    : command.IsMeter()     ? LineKind::MeterQuery
                                            : LineKind::SettingQuery;
        return line;
    }
    std::int32_t value = 0;
    if (!ParseValue(rest, kMaxValueDigits, value).empty() || !command.settable)
        return {};
    line.value = value;
    line.kind = IsSoundTest(command.op) ? LineKind::SoundTest : LineKind::Set;
    return line;
}

}  // namespace

SharedLine ParseSharedLine(std::string_view text)
{
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    SharedLine line;
    if (text.size() > kMaxSharedLine)
        return line;
    // The wire's own lines, without their line ends.
    const auto bare = [](std::string_view wireLine) {
        return wireLine.substr(0, wireLine.find_first_of("\r\n"));
    };
    if (text == bare(wire::kModelQuery) || text == bare(wire::kVersionQuery)) {
        line.kind = text == bare(wire::kModelQuery) ? LineKind::ModelQuery : LineKind::VersionQuery;
        return line;
    }
    if (text == bare(wire::kServiceQuery)) {
        line.kind = LineKind::ServiceQuery;
        return line;
    }
    if (text == "UGst") {
        line.kind = LineKind::Upgrade;
        return line;
    }
    for (const Command& command : AllCommands()) {
        switch (command.replyClass) {
        case ReplyClass::Action:
            if (text == command.code) {
                line.kind = command.op == Op::SS ? LineKind::Action : LineKind::SoundTest;
                line.command = &command;
                line.setting = {command.op, {}};
                return line;
            }
            break;
        case ReplyClass::Block: break;
        default:
            // The switch form of MR shares its code; the depth's row reads both.
            if (command.op != Op::MRSwitch && text.starts_with(command.code))
                return ParseValueLine(command, text);
        }
    }
    return ParseBlock(text);
}

std::size_t LineSplitter::Feed(std::string_view bytes)
{
    const std::size_t taken = std::min(bytes.size(), Room());
    pending_.append(bytes.substr(0, taken));
    return taken;
}

std::optional<std::string> LineSplitter::Next()
{
    for (;;) {
        const std::size_t feed = pending_.find('\n');
        if (feed == std::string::npos) {
            if (pending_.size() > kMaxSharedLine + 2) {
                if (!skipping_)
                    ++dropped_;
                skipping_ = true;
                pending_.clear();
            }
            return std::nullopt;
        }
        std::string line = pending_.substr(0, feed + 1);
        pending_.erase(0, feed + 1);
        const bool overlong = skipping_ || line.size() > kMaxSharedLine + 2;  // with its CR LF
        if (overlong && !skipping_)
            ++dropped_;
        skipping_ = false;
        if (!overlong)
            return line;
    }
}

}  // namespace brevant::service
