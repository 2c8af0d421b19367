#include "core/Catalogue.h"

#include "core/Translate.h"

#include <algorithm>
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
    return IsChannel(r) && IsChannel(k) ? &(p.*F)[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)]
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

constexpr StoreRule kSwitch{StoreRule::Switch, 0, 0};

constexpr Assignment kSmOk[] = {{&P::SM, 1}, {&P::CE, 0}};
constexpr Assignment kCeOk[] = {{&P::SM, 0},      {&P::CE, 1}, {&P::CNValid, 0}, {&P::CPValid, 0},
                                {&P::CTValid, 0}, {&P::CN, 0}, {&P::CP, 0},      {&P::CT, 0}};
constexpr Assignment kSsOk[] = {{&P::SS, 1}};
constexpr Assignment kCg0Ok[] = {{&P::CG0, 1}, {&P::CG3, 0}};
constexpr Assignment kCg0Bad[] = {{&P::CG0, 0}};
constexpr Assignment kCg1Ok[] = {{&P::CG1, 1}, {&P::CG2, 0}};
constexpr Assignment kCg1Bad[] = {{&P::CG1, 0}};
constexpr Assignment kCg2Ok[] = {{&P::CG2, 1}};
constexpr Assignment kCg2Bad[] = {{&P::CG2, 0}};
constexpr Assignment kCg3Ok[] = {{&P::CG3, 1}, {&P::CG0, 0}};
constexpr Assignment kCg3Bad[] = {{&P::CG3, 0}};

// A setting of a channel, a crosspoint or the device; its reply class and
// store rule follow from its scope and range.
constexpr Command Setting(Op op, std::string_view name, std::string_view code, FieldRef field,
                          SettingInfo info, const ExchangeProfile* profile = &kStandardProfile)
{
    const ReplyClass replyClass = info.scope == Scope::Crosspoint ? ReplyClass::Crosspoint
                                  : info.scope == Scope::Device   ? ReplyClass::DeviceValue
                                                                  : ReplyClass::Channel;
    Command c{op, name, code, replyClass, profile, field};
    if (info.clampsReply)
        c.rule = StoreRule{StoreRule::ZeroBelowCapAbove, info.range->min, info.range->max};
    c.setting = info;
    return c;
}

constexpr Command Meter(Op op, std::string_view name, std::string_view code, FieldRef field, SettingInfo info)
{
    Command c{op, name, code, ReplyClass::Meter, &kMeterProfile, field};
    c.settable = false;
    info.reads = Reads::Number;
    c.setting = info;
    return c;
}

constexpr Command DeviceValue(Op op, std::string_view name, std::string_view code, FieldRef field,
                              Value P::*confirmed, SettingRange range)
{
    Command c{op, name, code, ReplyClass::DeviceValue, &kStandardProfile, field};
    c.confirmedFlag = confirmed;
    c.setting = {.scope = Scope::Device, .reads = Reads::Number, .range = range};
    return c;
}

constexpr Command Action(Op op, std::string_view name, std::string_view code, const ExchangeProfile* profile,
                         std::span<const Assignment> ok, std::span<const Assignment> bad = {})
{
    Command c{op, name, code, ReplyClass::Action, profile};
    c.onSuccess = ok;
    c.onMismatch = bad;
    c.settable = false;
    return c;
}

constexpr Command Block(Op op, std::string_view name, std::string_view letter, FieldRef field)
{
    Command c{op, name, letter, ReplyClass::Block, &kBlockProfile, field};
    c.settable = false;
    return c;
}

constexpr Command WithRule(Command c, StoreRule rule)
{
    c.rule = rule;
    return c;
}

constexpr Scope In = Scope::Input;
constexpr Scope Out = Scope::Output;
constexpr Scope Xp = Scope::Crosspoint;
constexpr Scope Dev = Scope::Device;
constexpr Reads kDb = Reads::Decibels;
constexpr SettingRange kOnOff{0, 1};
constexpr SettingRange kLevelScale{-100, 0};  // ML, OL: dB
constexpr SettingRange kEchoScale{0, 100};    // ME, MS
constexpr ChannelSet kOutputs3And4 = ChannelsFrom(3);
constexpr ChannelSet kOutput4 = ChannelsFrom(4);
constexpr ChannelSet kFrom2 = ChannelsFrom(2);

// In the order of Op. For each setting: scope, name, how its value reads,
// range, preset line, upload step (a meter's: its place in a polling pass)
// and, where a family lacks it on some channel, the channels it has.
// The table is laid out by hand, one row a setting; the formatter keeps off it.
// clang-format off
constexpr std::array<Command, kOpCount> kCatalogue = {
    Meter(Op::ML, "ReadML", "ML", ChannelField<&P::ML>,
          {.scope = In, .what = BRV_TEXT("brevant::Setting", "level meter"), .range = kLevelScale, .step = 1}),
    Meter(Op::ME, "ReadME", "ME", ChannelField<&P::ME>,
          {.scope = In, .what = BRV_TEXT("brevant::Setting", "ERLE meter"), .range = kEchoScale, .step = 3, .k225 = kNoChannel, .k217k218 = kFrom2}),
    Meter(Op::MS, "ReadMS", "MS", ChannelField<&P::MS>,
          {.scope = In, .what = BRV_TEXT("brevant::Setting", "ERL meter"), .range = kEchoScale, .step = 4, .k225 = kNoChannel, .k217k218 = kFrom2}),
    Setting(Op::OD, "CmdOD", "OD", ChannelField<&P::OD>,
            {.scope = Out, .what = BRV_TEXT("brevant::Setting", "delay"), .reads = Reads::Milliseconds, .range = SettingRange{0, 200},
             .clampsReply = true, .presetLine = 15, .step = 13, .k225 = kOutputs3And4, .k217k218 = kOutput4}),
    Setting(Op::OF, "CmdOF", "OF", ChannelField<&P::OF>,
            {.scope = Out, .what = BRV_TEXT("brevant::Setting", "low-pass"), .reads = Reads::Hertz, .range = SettingRange{300, 20000, true},
             .clampsReply = true, .presetLine = 16, .step = 11, .k217k218 = kFrom2}),
    Setting(Op::OH, "CmdOH", "OH", ChannelField<&P::OH>,
            {.scope = Out, .what = BRV_TEXT("brevant::Setting", "high-pass"), .reads = Reads::Hertz, .range = SettingRange{30, 600, true},
             .clampsReply = true, .presetLine = 17, .step = 12, .k217k218 = kFrom2}),
    Setting(Op::MC, "CmdMC", "MC", ChannelField<&P::MC>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "AEC"), .range = kOnOff, .presetLine = 10, .step = 3, .k225 = kNoChannel},
            &kSlowChunkProfile),
    Meter(Op::OL, "ReadOL", "OL", ChannelField<&P::OL>,
          {.scope = Out, .what = BRV_TEXT("brevant::Setting", "level meter"), .range = kLevelScale, .step = 2}),
    Setting(Op::MG, "CmdMG", "MG", ChannelField<&P::MG>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "gain"), .reads = kDb, .range = SettingRange{-10, 47}, .presetLine = 2, .step = 1}),
    Setting(Op::MA, "CmdMA", "MA", ChannelField<&P::MA>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "AGC"), .range = kOnOff, .presetLine = 4, .step = 2}),
    Setting(Op::MF, "CmdMF", "MF", ChannelField<&P::MF>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "AFC"), .range = kOnOff, .presetLine = 5, .step = 4}),
    Setting(Op::MR, "CmdMR", "MR", ChannelField<&P::MR>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "NR depth"), .reads = Reads::Level, .range = SettingRange{0, 15}, .presetLine = 6,
             .step = 5}),
    // The switch form of MR: sets 0 or 1, is answered with the depth, stores on or off.
    WithRule(Setting(Op::MRSwitch, "CmdMRSwitch", "MR", ChannelField<&P::MRon>,
                     {.scope = In, .what = BRV_TEXT("brevant::Setting", "NR"), .range = kOnOff}),
             kSwitch),
    Setting(Op::MI, "CmdMI", "MI", ChannelField<&P::MI>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "highpass"), .range = kOnOff, .presetLine = 7, .step = 6}),
    Setting(Op::MT, "CmdMT", "MT", ChannelField<&P::MT>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "phantom power"), .range = kOnOff, .presetLine = 8, .step = 7}),
    Setting(Op::MM, "CmdMM", "MM", ChannelField<&P::MM>,
            {.scope = In, .what = BRV_TEXT("brevant::Setting", "mute"), .range = kOnOff, .presetLine = 9, .step = 8}),
    Setting(Op::OV, "CmdOV", "OV", ChannelField<&P::OV>,
            {.scope = Out, .what = BRV_TEXT("brevant::Setting", "gain"), .reads = kDb, .range = SettingRange{-20, 20}, .presetLine = 13, .step = 9}),
    Setting(Op::OM, "CmdOM", "OM", ChannelField<&P::OM>,
            {.scope = Out, .what = BRV_TEXT("brevant::Setting", "mute"), .range = kOnOff, .presetLine = 14, .step = 10}),
    Setting(Op::MX, "CmdMX", "MX", MatrixField<&P::MX>,
            {.scope = Xp, .range = kOnOff, .presetLine = 18, .step = 14}),
    Setting(Op::XG, "CmdXG", "XG", MatrixField<&P::XG>,
            {.scope = Xp, .what = BRV_TEXT("brevant::Setting", "gain"), .reads = kDb, .range = SettingRange{-30, 0}, .presetLine = 19, .step = 15}),
    Setting(Op::MB, "CmdMB", "MBs", DeviceField<&P::MB>,
            {.scope = Dev, .what = BRV_TEXT("brevant::Setting", "AutoMix"), .range = kOnOff, .presetLine = 3, .step = 16}),
    Setting(Op::MP, "CmdMP", "MPs", DeviceField<&P::MP>,
            {.scope = Dev, .what = BRV_TEXT("brevant::Setting", "Priority"), .reads = Reads::Priority, .range = SettingRange{0, 4}, .presetLine = 11,
             .step = 17}),
    Setting(Op::SN, "CmdSN", "SNs", DeviceField<&P::SN>,
            {.scope = Dev, .what = BRV_TEXT("brevant::Setting", "Filter"), .reads = Reads::Number, .range = SettingRange{0, 5}, .presetLine = 12,
             .step = 18}),
    DeviceValue(Op::CN, "CmdCN", "CNs", DeviceField<&P::CN>, &P::CNValid, {1, 4}),
    DeviceValue(Op::CP, "CmdCP", "CPs", DeviceField<&P::CP>, &P::CPValid, {1, 5}),
    DeviceValue(Op::CT, "CmdCT", "CTs", DeviceField<&P::CT>, &P::CTValid, {2, 5}),
    Action(Op::SM, "CmdSM", "SMs1", &kActionProfile, kSmOk),
    Action(Op::CE, "CmdCE", "CEs1", &kActionProfile, kCeOk),
    Action(Op::SS, "CmdSS", "SSs1", &kSaveProfile, kSsOk),
    Action(Op::CG0, "CmdCG0", "CGs0", &kActionProfile, kCg0Ok, kCg0Bad),
    Action(Op::CG1, "CmdCG1", "CGs1", &kActionProfile, kCg1Ok, kCg1Bad),
    Action(Op::CG2, "CmdCG2", "CGs2", &kActionProfile, kCg2Ok, kCg2Bad),
    Action(Op::CG3, "CmdCG3", "CGs3", &kActionProfile, kCg3Ok, kCg3Bad),
    Block(Op::BlockD, "ReadBlockD", "D", BlockField<&P::DSR>),
    Block(Op::BlockE, "ReadBlockE", "E", BlockField<&P::ESR>),
};
// clang-format on

constexpr bool InOpOrder()
{
    for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
        if (static_cast<std::size_t>(kCatalogue[i].op) != i)
            return false;
    }
    return true;
}
static_assert(InOpOrder(), "the catalogue's rows follow Op");

bool ChannelScoped(const Command& c)
{
    return c.setting.scope == Scope::Input || c.setting.scope == Scope::Output;
}

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

namespace {

// The code and the place a line names: "MG2", "MX13", "SN".
std::string CodeAndPlace(const Command& command, Address at)
{
    std::string text(command.code);
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter: text += std::to_string(at.a); break;
    case ReplyClass::Crosspoint:
        text += std::to_string(at.a);
        text += std::to_string(at.b);
        break;
    default: break;
    }
    return text;
}

}  // namespace

std::string CommandText(const Command& command, Address at, std::optional<int32_t> value)
{
    std::string text(command.code);
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter:
    case ReplyClass::Crosspoint: text = CodeAndPlace(command, at); break;
    case ReplyClass::DeviceValue: break;
    case ReplyClass::Action: return text + "\r\n";
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

std::string ReplyText(const Command& command, Address at, int32_t value)
{
    return CodeAndPlace(command, at) + std::to_string(value) + "\r\n";
}

}  // namespace brevant

namespace brevant {

ModelFamily FamilyOfModel(std::string_view model)
{
    if (model == wire::kModelK225)
        return ModelFamily::K225;
    if (model == wire::kModelK217 || model == wire::kModelK218)
        return ModelFamily::K217K218;
    return ModelFamily::Unknown;
}

bool Command::HasOn(ModelFamily family, int channel) const
{
    if (setting.scope == Scope::None)
        return true;
    const auto has = [&](ChannelSet set) {
        if (setting.scope == Scope::Device)
            return set != kNoChannel;
        return IsChannel(channel) && ((set >> channel) & 1) != 0;
    };
    switch (family) {
    case ModelFamily::K225: return has(setting.k225);
    case ModelFamily::K217K218: return has(setting.k217k218);
    case ModelFamily::Unknown: break;
    }
    return OnEveryModel();
}

std::vector<SettingRef> ReadBackList(ModelFamily family)
{
    std::vector<SettingRef> list;
    for (int n = 1; n <= kChannels; ++n) {
        for (const Command& c : kCatalogue) {
            if (ChannelScoped(c) && c.ReadBack() && c.HasOn(family, n))
                list.push_back({c.op, {n, 0}});
        }
        for (int k = 1; k <= kChannels; ++k) {
            for (const Command& c : kCatalogue) {
                if (c.setting.scope == Scope::Crosspoint && c.ReadBack() && c.HasOn(family, n))
                    list.push_back({c.op, {n, k}});
            }
        }
    }
    for (const Command& c : kCatalogue) {
        if (c.setting.scope == Scope::Device && c.ReadBack() && c.HasOn(family, 0))
            list.push_back({c.op, {5, 0}});  // device-wide: the channel plays no part
    }
    return list;
}

namespace {

// The rows `pick` takes, ordered by `rank`.
template <typename Pick, typename Rank>
std::vector<const Command*> RowsBy(Pick pick, Rank rank)
{
    std::vector<const Command*> rows;
    for (const Command& c : kCatalogue) {
        if (pick(c))
            rows.push_back(&c);
    }
    std::stable_sort(rows.begin(), rows.end(), [&](auto x, auto y) { return rank(*x) < rank(*y); });
    return rows;
}

}  // namespace

std::vector<SettingRef> UploadList(ModelFamily family)
{
    const std::vector<const Command*> rows = RowsBy([](const Command& c) { return c.setting.presetLine > 0; },
                                                    [](const Command& c) { return c.setting.step; });
    std::vector<SettingRef> list;
    for (int i = 1; i <= kChannels; ++i) {
        for (const Command* c : rows) {
            if (ChannelScoped(*c) && c->HasOn(family, i))
                list.push_back({c->op, {i, 0}});
        }
        for (int j = 1; j <= kChannels; ++j) {
            for (const Command* c : rows) {
                if (c->setting.scope == Scope::Crosspoint && c->HasOn(family, i))
                    list.push_back({c->op, {i, j}});
            }
        }
    }
    for (const Command* c : rows) {
        if (c->setting.scope == Scope::Device && c->HasOn(family, 0))
            list.push_back({c->op, {}});
    }
    return list;
}

std::span<const Command* const> PollingPass()
{
    static const std::vector<const Command*> rows =
        RowsBy([](const Command& c) { return c.IsMeter(); }, [](const Command& c) { return c.setting.step; });
    return rows;
}

std::span<const Command* const> PresetLines()
{
    static const std::vector<const Command*> rows =
        RowsBy([](const Command& c) { return c.setting.presetLine > 0; },
               [](const Command& c) { return c.setting.presetLine; });
    return rows;
}

}  // namespace brevant
