#include "CtlCommands.h"

#include "ProtocolTrace.h"

#include <charconv>
#include <cstdio>

namespace brevant::ctl {

namespace {

// How many numbers name the place a command points at.
std::size_t AddressWords(const Command& command)
{
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter:
    case ReplyClass::Block: return 1;
    case ReplyClass::Crosspoint: return 2;
    case ReplyClass::DeviceValue:
    case ReplyClass::Action: return 0;
    }
    return 0;
}

std::string PortName(DeviceLink& link)
{
    return "COM" + std::to_string(link.State().flags.PortNumber.load());
}

int Fail(std::ostream& err, const std::string& what, std::string_view why, int status)
{
    err << "brevantctl: " << what << ": " << why << '\n';
    return status;
}

int GetOrSet(const CtlArgs& args, DeviceLink& link, std::ostream& out, std::ostream& err)
{
    const bool set = args.command == "set";
    if (args.words.empty())
        return Fail(err, args.command, "a command code is needed", 2);
    const Command* command = FindCommand(args.words[0]);
    if (command == nullptr)
        return Fail(err, args.command, "unknown command code " + args.words[0], 2);
    if (command->replyClass == ReplyClass::Action)
        return Fail(err, args.command, args.words[0] + " is an action: use 'action'", 2);
    if (set && !command->settable)
        return Fail(err, "set", args.words[0] + " can only be read", 2);

    const std::size_t need = AddressWords(*command) + (set ? 1 : 0);
    if (args.words.size() != need + 1)
        return Fail(err, args.command,
                    args.words[0] + " takes " + std::to_string(need) + " number(s)", 2);
    int numbers[3] = {0, 0, 0};
    for (std::size_t i = 0; i < need; ++i) {
        if (!ParseInt(args.words[i + 1], numbers[i]))
            return Fail(err, args.command, "not a number: " + args.words[i + 1], 2);
    }
    Address at{};
    if (AddressWords(*command) >= 1)
        at.a = numbers[0];
    if (AddressWords(*command) == 2)
        at.b = numbers[1];

    const std::string what = args.command + " " + std::string(command->code);
    const Status status = set ? link.SetConfirmed(command->op, at, numbers[need - 1])
                              : link.Query(command->op, at);
    if (!status)
        return Fail(err, what + " on " + PortName(link), status.Message(), 1);

    DeviceParams& params = link.State().params;
    if (command->replyClass == ReplyClass::Block) {
        for (int j = 0; j < kBlockLines; ++j)
            out << (j ? " " : "") << command->field(params, at.a, j)->load();
        out << '\n';
        return 0;
    }
    out << command->field(params, at.a, at.b)->load() << '\n';
    return 0;
}

int RunAction(const CtlArgs& args, DeviceLink& link, std::ostream& out, std::ostream& err)
{
    if (args.words.size() != 1)
        return Fail(err, "action", "one action code is needed", 2);
    const Command* command = FindCommand(args.words[0]);
    if (command == nullptr || command->replyClass != ReplyClass::Action)
        return Fail(err, "action", "not an action: " + args.words[0], 2);
    const Status status = link.Run(command->op);
    if (!status)
        return Fail(err, "action " + args.words[0] + " on " + PortName(link), status.Message(), 1);
    out << "ok\n";
    return 0;
}

}  // namespace

int RunCommand(const CtlArgs& args, DeviceLink& link, std::ostream& out, std::ostream& err)
{
    if (args.command == "version") {
        if (!link.ReadVersion())
            return Fail(err, "version on " + PortName(link), "no version reply", 1);
        out << link.State().params.SV.Get() << '\n';
        return 0;
    }
    if (args.command == "raw") {
        std::string text;
        for (const auto& word : args.words)
            text += (text.empty() ? "" : " ") + word;
        std::string reply;
        const Status status = link.Exchange(text + "\r\n", kStandardProfile, reply);
        if (!status)
            return Fail(err, "raw on " + PortName(link), status.Message(), 1);
        out << EscapeTraceBytes(reply) << '\n';
        return 0;
    }
    if (args.command == "action")
        return RunAction(args, link, out, err);
    return GetOrSet(args, link, out, err);
}

}  // namespace brevant::ctl
