#include "programs/brevantctl/CtlCommands.h"

#include "core/ProtocolTrace.h"
#include "programs/brevantctl/CtlOutput.h"

namespace brevant::ctl {

namespace {

std::string PortName(DeviceLink& link)
{
    return link.Port().Label(link.State().flags.PortNumber.load());
}

int Fail(std::ostream& err, const std::string& what, std::string_view why, int status)
{
    err << "brevantctl: " << what << ": " << why << '\n';
    return status;
}

int GetOrSet(const CtlArgs& args, DeviceLink& link, std::ostream& out, std::ostream& err)
{
    const CommandWords& target = *args.target;
    const Command& command = *target.command;
    const std::string what = args.command + " " + std::string(command.code);
    const Status status = target.value ? link.SetConfirmed(command.op, target.at, *target.value)
                                       : link.Query(command.op, target.at);
    if (!status)
        return Fail(err, what + " on " + PortName(link), status.Message(), 1);

    DeviceParams& params = link.State().params;
    if (command.replyClass == ReplyClass::Block) {
        for (int j = 0; j < kBlockLines; ++j)
            out << (j ? " " : "") << command.field(params, target.at.a, j)->load();
        out << '\n';
        return 0;
    }
    out << command.field(params, target.at.a, target.at.b)->load() << '\n';
    return 0;
}

int RunAction(const CtlArgs& args, DeviceLink& link, std::ostream& out, std::ostream& err)
{
    const Status status = link.Run(args.target->command->op);
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
        const std::string version = link.State().params.SV.Get();
        out << (args.json ? JsonObject({{"version", version}}) : version) << '\n';
        return 0;
    }
    if (args.command == "raw") {
        std::string text;
        for (const auto& word : args.words)
            text += (text.empty() ? "" : " ") + word;
        std::string reply;
        const Status status = link.Exchange(text + "\r\n", kRawProfile, reply);
        if (!status)
            return Fail(err, "raw on " + PortName(link), status.Message(), 1);
        out << (args.json ? JsonObject({{"reply", reply}}) : EscapeTraceBytes(reply)) << '\n';
        return 0;
    }
    if (args.command == "action")
        return RunAction(args, link, out, err);
    return GetOrSet(args, link, out, err);
}

}  // namespace brevant::ctl
