#include "Catalogue.h"

#include <array>

namespace brevant {

int32_t StoreRule::Apply(int32_t v) const
{
    switch (kind) {
    case Plain: return v;
    case Switch: return v > 0 ? 1 : 0;
    case ZeroBelowCapAbove:
        if (v < zeroBelow)
            return 0;
        return v > capAbove ? capAbove : v;
    }
    return v;
}

namespace {

template <Channels DeviceParams::*F>
Value* ChannelField(DeviceParams& p, int n, int)
{
    return IsChannel(n) ? &(p.*F)[static_cast<std::size_t>(n)] : nullptr;
}

template <Matrix DeviceParams::*F>
Value* MatrixField(DeviceParams& p, int r, int k)
{
    return IsChannel(r) && IsChannel(k)
               ? &(p.*F)[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)]
               : nullptr;
}

template <Value DeviceParams::*F>
Value* DeviceField(DeviceParams& p, int, int)
{
    return &(p.*F);
}

template <ResultBlocks DeviceParams::*F>
Value* BlockField(DeviceParams& p, int b, int j)
{
    return b >= 1 && b <= kBlocks && j >= 0 && j < kBlockLines
               ? &(p.*F)[static_cast<std::size_t>(b)][static_cast<std::size_t>(j)]
               : nullptr;
}

using P = DeviceParams;

constexpr StoreRule kClampOD{StoreRule::ZeroBelowCapAbove, 0, 200};
constexpr StoreRule kClampOF{StoreRule::ZeroBelowCapAbove, 300, 20000};
constexpr StoreRule kClampOH{StoreRule::ZeroBelowCapAbove, 30, 600};
constexpr StoreRule kSwitch{StoreRule::Switch, 0, 0};

constexpr Assignment kSmOk[] = {{&P::SM, 1}, {&P::CE, 0}};
constexpr Assignment kCeOk[] = {{&P::SM, 0}, {&P::CE, 1}, {&P::CNValid, 0}, {&P::CPValid, 0},
                                {&P::CTValid, 0}, {&P::CN, 0}, {&P::CP, 0}, {&P::CT, 0}};
constexpr Assignment kSsOk[] = {{&P::SS, 1}};
constexpr Assignment kCg0Ok[] = {{&P::CG0, 1}, {&P::CG3, 0}};
constexpr Assignment kCg0Bad[] = {{&P::CG0, 0}};
constexpr Assignment kCg1Ok[] = {{&P::CG1, 1}, {&P::CG2, 0}};
constexpr Assignment kCg1Bad[] = {{&P::CG1, 0}};
constexpr Assignment kCg2Ok[] = {{&P::CG2, 1}};
constexpr Assignment kCg2Bad[] = {{&P::CG2, 0}};
constexpr Assignment kCg3Ok[] = {{&P::CG3, 1}, {&P::CG0, 0}};
constexpr Assignment kCg3Bad[] = {{&P::CG3, 0}};

constexpr Command Channel(Op op, std::string_view name, std::string_view code, FieldRef field,
                          const ExchangeProfile* profile = &kStandardProfile, StoreRule rule = {})
{
    return Command{op, name, code, ReplyClass::Channel, profile, field, rule};
}

constexpr Command Meter(Op op, std::string_view name, std::string_view code, FieldRef field)
{
    Command c{op, name, code, ReplyClass::Meter, &kMeterProfile, field};
    c.logBeforeCheck = {};
    c.settable = false;
    return c;
}

constexpr Command DeviceValue(Op op, std::string_view name, std::string_view code, FieldRef field,
                              Value P::*confirmed = nullptr, std::string_view log = {})
{
    Command c{op, name, code, ReplyClass::DeviceValue, &kStandardProfile, field};
    c.confirmedFlag = confirmed;
    c.logBeforeCheck = log;
    return c;
}

constexpr Command Action(Op op, std::string_view name, std::string_view code,
                         const ExchangeProfile* profile, std::span<const Assignment> ok,
                         std::span<const Assignment> bad = {}, std::string_view log = {})
{
    Command c{op, name, code, ReplyClass::Action, profile};
    c.onSuccess = ok;
    c.onMismatch = bad;
    c.logBeforeCheck = log;
    c.settable = false;
    return c;
}

constexpr Command Block(Op op, std::string_view name, std::string_view letter, FieldRef field)
{
    Command c{op, name, letter, ReplyClass::Block, &kBlockProfile, field};
    c.logBeforeCheck = "114";
    c.settable = false;
    return c;
}

// In the order of Op.
const std::array<Command, kOpCount> kCatalogue = {
    Channel(Op::MG, "CmdMG", "MG", ChannelField<&P::MG>),
    Channel(Op::MA, "CmdMA", "MA", ChannelField<&P::MA>),
    Channel(Op::MF, "CmdMF", "MF", ChannelField<&P::MF>),
    Channel(Op::MR, "CmdMR", "MR", ChannelField<&P::MR>),
    Channel(Op::MRSwitch, "CmdMRSwitch", "MR", ChannelField<&P::MRon>, &kStandardProfile, kSwitch),
    Channel(Op::MI, "CmdMI", "MI", ChannelField<&P::MI>),
    Channel(Op::MT, "CmdMT", "MT", ChannelField<&P::MT>),
    Channel(Op::MM, "CmdMM", "MM", ChannelField<&P::MM>),
    Channel(Op::MC, "CmdMC", "MC", ChannelField<&P::MC>, &kSlowChunkProfile),
    Channel(Op::OV, "CmdOV", "OV", ChannelField<&P::OV>),
    Channel(Op::OM, "CmdOM", "OM", ChannelField<&P::OM>),
    Channel(Op::OD, "CmdOD", "OD", ChannelField<&P::OD>, &kStandardProfile, kClampOD),
    Channel(Op::OF, "CmdOF", "OF", ChannelField<&P::OF>, &kStandardProfile, kClampOF),
    Channel(Op::OH, "CmdOH", "OH", ChannelField<&P::OH>, &kStandardProfile, kClampOH),
    Meter(Op::ML, "ReadML", "ML", ChannelField<&P::ML>),
    Meter(Op::OL, "ReadOL", "OL", ChannelField<&P::OL>),
    Meter(Op::ME, "ReadME", "ME", ChannelField<&P::ME>),
    Meter(Op::MS, "ReadMS", "MS", ChannelField<&P::MS>),
    Command{Op::MX, "CmdMX", "MX", ReplyClass::Crosspoint, &kStandardProfile, MatrixField<&P::MX>},
    Command{Op::XG, "CmdXG", "XG", ReplyClass::Crosspoint, &kStandardProfile, MatrixField<&P::XG>},
    DeviceValue(Op::MB, "CmdMB", "MBs", DeviceField<&P::MB>),
    DeviceValue(Op::MP, "CmdMP", "MPs", DeviceField<&P::MP>),
    DeviceValue(Op::SN, "CmdSN", "SNs", DeviceField<&P::SN>, nullptr, "111"),
    DeviceValue(Op::CN, "CmdCN", "CNs", DeviceField<&P::CN>, &P::CNValid),
    DeviceValue(Op::CP, "CmdCP", "CPs", DeviceField<&P::CP>, &P::CPValid),
    DeviceValue(Op::CT, "CmdCT", "CTs", DeviceField<&P::CT>, &P::CTValid),
    Action(Op::SM, "CmdSM", "SMs1", &kActionProfile, kSmOk),
    Action(Op::CE, "CmdCE", "CEs1", &kActionProfile, kCeOk),
    Action(Op::SS, "CmdSS", "SSs1", &kSaveProfile, kSsOk, {}, "114"),
    Action(Op::CG0, "CmdCG0", "CGs0", &kActionProfile, kCg0Ok, kCg0Bad),
    Action(Op::CG1, "CmdCG1", "CGs1", &kActionProfile, kCg1Ok, kCg1Bad),
    Action(Op::CG2, "CmdCG2", "CGs2", &kActionProfile, kCg2Ok, kCg2Bad),
    Action(Op::CG3, "CmdCG3", "CGs3", &kActionProfile, kCg3Ok, kCg3Bad),
    Block(Op::BlockD, "ReadBlockD", "D", BlockField<&P::DSR>),
    Block(Op::BlockE, "ReadBlockE", "E", BlockField<&P::ESR>),
};

}  // namespace

const Command& CommandFor(Op op)
{
    return kCatalogue[static_cast<std::size_t>(op)];
}

std::span<const Command> AllCommands()
{
    return kCatalogue;
}

const Command* FindCommand(std::string_view code)
{
    for (const Command& c : kCatalogue) {
        if (c.code == code)
            return &c;
    }
    // Device-wide codes may be named without their "s": "MB" for "MBs".
    for (const Command& c : kCatalogue) {
        if (c.replyClass == ReplyClass::DeviceValue && c.code.substr(0, 2) == code)
            return &c;
    }
    return nullptr;
}

std::string CommandText(const Command& command, Address at, std::optional<int32_t> value)
{
    std::string text(command.code);
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter:
        text += std::to_string(at.a);
        break;
    case ReplyClass::Crosspoint:
        text += std::to_string(at.a);
        text += std::to_string(at.b);
        break;
    case ReplyClass::DeviceValue:
        break;
    case ReplyClass::Action:
        return text + "\r\n";
    case ReplyClass::Block:
        // Block b is named by a letter: "A" for 1 ... "J" for 10.
        text += static_cast<char>('A' + at.a - 1);
        return text + "sr\r\n";
    }
    if (value && command.settable)
        text += std::to_string(*value);
    else
        text += 'r';
    return text + "\r\n";
}

}  // namespace brevant
