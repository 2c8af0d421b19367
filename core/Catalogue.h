// The command catalogue: every command of the protocol as one row of data
// (code, reply class, exchange profile, mirror field, rules), and for the
// settings and meters also what a person reads (name, unit, range), their
// line of a preset file, and which channels each model family has them on.
// DeviceLink runs any row; the read-back, the upload, the preset reader,
// writer and diff, the names and ranges, the CLI's checks and the trace's
// meter filter are all derived from these rows. The identity queries and the
// firmware packets, which are no rows, are the constants at the end. Adding a
// setting is one row here (plus its control in the window).
//
// Thread-safety: constant data and pure functions; any thread may use them.
#pragma once

#include "core/DeviceParams.h"
#include "core/ExchangeProfile.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brevant {

enum class ReplyClass {
    Channel,      // "MG1-12": code, channel digit, value
    Crosspoint,   // "MX341": code, input digit, output digit, value
    DeviceValue,  // "MBs1": three-letter code, value
    Meter,        // as Channel, query only; a mismatch is logged
    Action,       // "CGs2": the whole reply equals the code
    Block,        // ten "xxxV" lines of a result block
};

// Settings and meters first, in the order the read-back asks a channel for
// them (the device's own order).
enum class Op {
    ML,
    ME,
    MS,
    OD,
    OF,
    OH,
    MC,
    OL,
    MG,
    MA,
    MF,
    MR,
    MRSwitch,
    MI,
    MT,
    MM,
    OV,
    OM,
    MX,
    XG,
    MB,
    MP,
    SN,
    CN,
    CP,
    CT,
    SM,
    CE,
    SS,
    CG0,
    CG1,
    CG2,
    CG3,
    BlockD,
    BlockE,
};
inline constexpr int kOpCount = static_cast<int>(Op::BlockE) + 1;

// Where a command points: channel (a), input and output (a, b), or block number (a).
struct Address {
    int a = 0;
    int b = 0;
};

// The model families: which settings a device has. The mirror holds the
// number (DeviceParams::DeviceFamily); a preset file's DeviceType line too.
enum class ModelFamily : int32_t {
    Unknown = 0,  // a model this program does not know: only what every model has
    K225 = 1,
    K217K218 = 2,
};
constexpr ModelFamily ToModelFamily(int32_t number)
{
    return number == 1 ? ModelFamily::K225 : number == 2 ? ModelFamily::K217K218 : ModelFamily::Unknown;
}
constexpr int32_t FamilyNumber(ModelFamily family)
{
    return static_cast<int32_t>(family);
}
// The family of a model the device names ("K225"); Unknown for any other.
ModelFamily FamilyOfModel(std::string_view model);

// The values the device accepts for a setting, and how it brings a value
// outside them into range: up to the lowest or down to the highest, except
// the two frequency limits, where a value below the lowest switches the
// filter off (0). For a meter, the scale of its readings.
struct SettingRange {
    int32_t min;
    int32_t max;
    bool belowMinIsOff = false;  // OF, OH: below min means off, stored as 0

    constexpr bool Contains(int32_t v) const { return (v >= min && v <= max) || (belowMinIsOff && v == 0); }
    int32_t Clamp(int32_t v) const;
    // "-10..47", "0 or 300..20000"
    std::string Text() const;
};

// What a setting addresses.
enum class Scope { None, Input, Output, Crosspoint, Device };

// How a value reads for people: "-5 dB", "120 ms", "off" or "8000 Hz", ...
enum class Reads { Switch, Decibels, Milliseconds, Hertz, Level, Priority, Number };

// The channels of a model that have a setting: bit n for channel n (1..4).
// Crosspoints go by their input; device-wide settings are had when any bit is.
using ChannelSet = uint8_t;
inline constexpr ChannelSet kEveryChannel = 0b11110;
inline constexpr ChannelSet kNoChannel = 0;
constexpr ChannelSet ChannelsFrom(int first)
{
    return static_cast<ChannelSet>(kEveryChannel & (0xFF << first));
}

// The part of a row that only settings and meters have.
struct SettingInfo {
    Scope scope = Scope::None;  // None: an action, a block or a sound-test value
    std::string_view what{};    // "gain" ("Input 2 gain"); the whole name when device-wide
    Reads reads = Reads::Switch;
    std::optional<SettingRange> range{};  // accepted values; a meter's scale
    bool clampsReply = false;             // a reply out of range is stored brought into it (OD, OF, OH)
    int presetLine = 0;                   // line of the preset file holding it (2..19); 0: none
    int step = 0;                         // place in an upload (settings) or in a polling pass (meters)
    ChannelSet k225 = kEveryChannel;      // where each family has it
    ChannelSet k217k218 = kEveryChannel;
};

// Resolves the mirror entry a reply names; nullptr when it names none.
using FieldRef = Value* (*)(DeviceParams&, int a, int b);

// After-store rule of a stored value.
struct StoreRule {
    enum Kind { Plain, ZeroBelowCapAbove, Switch };
    Kind kind = Plain;
    int32_t zeroBelow = 0;  // ZeroBelowCapAbove: a value below this is stored as 0
    int32_t capAbove = 0;   //                    a value above this is stored as this
    int32_t Apply(int32_t v) const;
};

struct Assignment {
    Value DeviceParams::*field;
    int32_t value;
};

struct Command {
    Op op;
    std::string_view name;  // operation name, e.g. "CmdMG"
    std::string_view code;  // wire code: "MG", "MBs", "CGs2", "D"
    ReplyClass replyClass;
    const ExchangeProfile* profile;
    FieldRef field = nullptr;  // Channel, Crosspoint, DeviceValue, Meter
    StoreRule rule{};
    Value DeviceParams::*confirmedFlag = nullptr;  // set to 1 on success (CN, CP, CT)
    std::span<const Assignment> onSuccess{};       // Action
    std::span<const Assignment> onMismatch{};      // Action: a reply that is not the code
    bool settable = true;                          // false for meters, actions and blocks
    SettingInfo setting{};

    bool IsMeter() const { return replyClass == ReplyClass::Meter; }
    // Read back (and, unless a meter, uploaded, compared and saved): has a
    // preset line or is a meter.
    bool ReadBack() const { return setting.presetLine > 0 || IsMeter(); }
    // Whether a device of `family` has this on `channel` (a crosspoint's
    // input; ignored for device-wide settings). Commands that are no
    // setting are had by every model.
    bool HasOn(ModelFamily family, int channel) const;
    // Had by every model on every channel.
    bool OnEveryModel() const { return setting.k225 == kEveryChannel && setting.k217k218 == kEveryChannel; }
};

// One setting or meter of the device: a row and where it points.
struct SettingRef {
    Op op;
    Address at;
    friend bool operator==(const SettingRef& x, const SettingRef& y)
    {
        return x.op == y.op && x.at.a == y.at.a && x.at.b == y.at.b;
    }
};

const Command& CommandFor(Op op);
std::span<const Command> AllCommands();
// The row whose wire code is `code` ("MB" finds "MBs"; "MR" finds CmdMR, not the
// switch form); nullptr when there is none.
const Command* FindCommand(std::string_view code);

// The command line for a query (no value) or a set.
std::string CommandText(const Command& command, Address at, std::optional<int32_t> value);

// The device's answer to a query or set of a setting or meter at `at`
// that holds `value`: the code, the address digits and the value, CR LF
// ("MG1-5\r\n", "MX120\r\n", "MBs1\r\n").
std::string ReplyText(const Command& command, Address at, int32_t value);

// The read-back of `family`: every setting and meter it has, channel by
// channel (each channel's settings, then its crosspoints), then the
// device-wide settings (addressed {5}). 89 queries for a K225, 96 for a K217.
std::vector<SettingRef> ReadBackList(ModelFamily family);

// The upload of `family`: every setting it has (no meters) in upload order,
// channel by channel, then the device-wide ones (addressed {0, 0}).
std::vector<SettingRef> UploadList(ModelFamily family);

// The meters in the order a polling pass reads each channel's.
std::span<const Command* const> PollingPass();

// The rows of the preset file's lines 2..19, in file order.
std::span<const Command* const> PresetLines();

// The exchanges that are no command rows.
namespace wire {
inline constexpr std::string_view kVersionQuery = "SVsr\n";  // answered "SV" and the firmware number
inline constexpr std::string_view kVersionTag = "SV";
inline constexpr std::string_view kModelQuery = "SAsr\n";  // answered "SA", the model, CR LF
inline constexpr std::string_view kModelTag = "SA";
// Asked by a client on a network port: a service that shares the device
// answers it with kServiceReply; the device itself knows no such line and
// stays silent.
inline constexpr std::string_view kServiceQuery = "SZsr\r\n";
inline constexpr std::string_view kServiceReply = "SZshared\r\n";
inline constexpr std::string_view kModelK225 = "K225";
inline constexpr std::string_view kModelK217 = "K217";
inline constexpr std::string_view kModelK218 = "K218";
// Firmware transfer: the start request and its answer, then six-byte packets
// 'U', a letter and a 32-bit value, most significant byte first.
inline constexpr std::string_view kUpgradeStart = "UGst\r\n";
inline constexpr std::string_view kUpgradeStartAnswer = "UGst";
inline constexpr char kPacketLead = 'U';
inline constexpr char kHeaderLetters[] = {'I', 'A', 'L'};
inline constexpr char kDataLetter = 'D';
inline constexpr char kClose1Letter = 'C';
inline constexpr char kClose2Letter = 'E';  // also the two finish reports
}  // namespace wire

}  // namespace brevant
