// The command catalogue: every command of the protocol as one row of data
// (code, reply class, exchange profile, mirror field, rules). DeviceLink runs
// any row; nothing else knows a command's wire form.
#pragma once

#include "DeviceParams.h"
#include "ExchangeProfile.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brevant {

enum class ReplyClass {
    Channel,     // "MG1-12": code, channel digit, value
    Crosspoint,  // "MX341": code, input digit, output digit, value
    DeviceValue, // "MBs1": three-letter code, value
    Meter,       // as Channel, query only; a mismatch is logged
    Action,      // "CGs2": the whole reply equals the code
    Block,       // ten "xxxV" lines of a result block
};

enum class Op {
    MG, MA, MF, MR, MRSwitch, MI, MT, MM, MC,
    OV, OM, OD, OF, OH,
    ML, OL, ME, MS,
    MX, XG,
    MB, MP, SN, CN, CP, CT,
    SM, CE, SS, CG0, CG1, CG2, CG3,
    BlockD, BlockE,
};
inline constexpr int kOpCount = static_cast<int>(Op::BlockE) + 1;

// Where a command points: channel (a), input and output (a, b), or block number (a).
struct Address {
    int a = 0;
    int b = 0;
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
    std::string_view name;   // operation name, e.g. "CmdMG"
    std::string_view code;   // wire code: "MG", "MBs", "CGs2", "D"
    ReplyClass replyClass;
    const ExchangeProfile* profile;
    FieldRef field = nullptr;             // Channel, Crosspoint, DeviceValue, Meter
    StoreRule rule{};
    Value DeviceParams::*confirmedFlag = nullptr;  // set to 1 on success (CN, CP, CT)
    std::string_view logBeforeCheck{};    // log every reply with this sequence text
    std::span<const Assignment> onSuccess{};   // Action
    std::span<const Assignment> onMismatch{};  // Action: a reply that is not the code
    bool settable = true;                 // false for meters, actions and blocks
};

const Command& CommandFor(Op op);
std::span<const Command> AllCommands();
// The row whose wire code is `code` ("MB" finds "MBs"; "MR" finds CmdMR, not the
// switch form); nullptr when there is none.
const Command* FindCommand(std::string_view code);

// The command line for a query (no value) or a set.
std::string CommandText(const Command& command, Address at, std::optional<int32_t> value);

}  // namespace brevant
