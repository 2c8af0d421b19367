#include "core/PortAddress.h"

#include "core/Translate.h"

#include <cctype>
#include <charconv>

namespace brevant {
namespace {

std::optional<int> Number(std::string_view text, int low, int high)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

PortAddressParse Failure(std::string why)
{
    return {std::nullopt, std::move(why)};
}

PortAddressParse ParseNetwork(PortKind kind, std::string_view rest, std::string_view original)
{
    std::string_view host;
    std::string_view portText;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return Failure(Fill(Tr("brevant::Address", "\"%1\": an IPv6 address is written [ADDRESS]:PORT"),
                                {original}));
        host = rest.substr(1, close - 1);
        portText = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos)
            return Failure(Fill(Tr("brevant::Address", "\"%1\" names no TCP port (HOST:PORT)"), {original}));
        host = rest.substr(0, colon);
        portText = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return Failure(Fill(Tr("brevant::Address", "\"%1\": an IPv6 address is written [ADDRESS]:PORT"),
                                {original}));
    }
    if (host.empty())
        return Failure(Fill(Tr("brevant::Address", "\"%1\" names no host"), {original}));
    if (host.find_first_of(" /\t[]") != std::string_view::npos)
        return Failure(Fill(Tr("brevant::Address", "\"%1\": the host name is not valid"), {original}));
    const std::optional<int> tcpPort = Number(portText, 1, 65535);
    if (!tcpPort)
        return Failure(Fill(Tr("brevant::Address", "\"%1\": the TCP port must be a number from 1 to 65535"),
                            {original}));
    PortAddress address;
    address.kind = kind;
    address.host = std::string(host);
    address.tcpPort = *tcpPort;
    return {address, {}};
}

}  // namespace

std::string PortAddress::Text() const
{
    if (kind == PortKind::Serial)
        return "COM" + std::to_string(com);
    const std::string scheme = kind == PortKind::Tcp ? "tcp://" : "rfc2217://";
    const bool v6 = host.find(':') != std::string::npos;
    return scheme + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(tcpPort);
}

PortAddressParse ParsePortAddress(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (StartsWithNoCase(text, "tcp://"))
        return ParseNetwork(PortKind::Tcp, text.substr(6), text);
    if (StartsWithNoCase(text, "rfc2217://"))
        return ParseNetwork(PortKind::Rfc2217, text.substr(10), text);
    if (text.find("://") != std::string_view::npos)
        return Failure(
            Fill(Tr("brevant::Address", "\"%1\": the scheme must be tcp:// or rfc2217://"), {text}));
    std::string_view number = StartsWithNoCase(text, "com") ? text.substr(3) : text;
    if (const std::optional<int> com = Number(number, 1, 255)) {
        PortAddress address;
        address.com = *com;
        return {address, {}};
    }
    return Failure(Fill(
        Tr("brevant::Address", "\"%1\" is not a port: give N, COMn, tcp://HOST:PORT or rfc2217://HOST:PORT"),
        {text}));
}

}  // namespace brevant
