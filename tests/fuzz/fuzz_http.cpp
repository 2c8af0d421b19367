// HTTP requests: any bytes, fed whole or in pieces of any size, give the same
// requests and the same refusal, and every request read keeps within the limits.
#include "service/parse/HttpRequest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

const brevant::HttpLimits kLimits{200, 8, 400, 300};

// Feeds one piece, then notes every request it completed and the refusal if
// any, a line each; false once refused.
bool FeedPiece(brevant::HttpRequestParser& parser, std::string_view piece, std::string& outcome)
{
    brevant::HttpParse parse = parser.Feed(piece);
    for (; parse.state == brevant::HttpParseState::Complete; parse = parser.Feed({})) {
        const brevant::HttpRequest& request = parse.request;
        if (request.body.size() > kLimits.body || request.headers.size() > kLimits.headerCount ||
            request.target.size() > kLimits.requestLine || request.path.empty() || request.path[0] != '/')
            std::abort();
        outcome += request.method + ' ' + request.target + ' ' + std::to_string(request.headers.size()) +
                   ' ' + request.body + '\n';
    }
    if (parse.state == brevant::HttpParseState::Failed) {
        if (parse.error.message.empty())
            std::abort();
        outcome += "! " + std::to_string(parse.error.status) + '\n';
    }
    return parse.state != brevant::HttpParseState::Failed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t step = data[0] % 17 + 1;  // the first byte sets the size of the pieces
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

    brevant::HttpRequestParser whole(kLimits);
    std::string once;
    FeedPiece(whole, input, once);

    brevant::HttpRequestParser split(kLimits);
    std::string pieces;
    for (std::size_t at = 0; at < input.size(); at += step)
        if (!FeedPiece(split, input.substr(at, step), pieces))
            break;
    if (once != pieces)
        std::abort();
    return 0;
}
