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

// What the parser made of the input, in one line per request or refusal.
struct Outcome {
    std::string text;
    void Add(const brevant::HttpParse& parse)
    {
        if (parse.state == brevant::HttpParseState::Failed) {
            text += "! " + std::to_string(parse.error.status) + "\n";
            if (parse.error.message.empty())
                std::abort();
            return;
        }
        const brevant::HttpRequest& request = parse.request;
        if (request.body.size() > kLimits.body || request.headers.size() > kLimits.headerCount
            || request.target.size() > kLimits.requestLine || request.path.empty() || request.path[0] != '/')
            std::abort();
        text += request.method + ' ' + request.target + ' ' + std::to_string(request.headers.size()) + ' '
            + request.body + "\n";
    }
};

// Feeds one piece, then takes every request it completed.
bool FeedPiece(brevant::HttpRequestParser& parser, std::string_view piece, Outcome& outcome)
{
    brevant::HttpParse parse = parser.Feed(piece);
    while (parse.state == brevant::HttpParseState::Complete) {
        outcome.Add(parse);
        parse = parser.Feed({});
    }
    if (parse.state == brevant::HttpParseState::Failed) {
        outcome.Add(parse);
        return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t step = data[0] % 17 + 1;  // the first byte sets the size of the pieces
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

    brevant::HttpRequestParser whole(kLimits);
    Outcome once;
    FeedPiece(whole, input, once);

    brevant::HttpRequestParser split(kLimits);
    Outcome pieces;
    for (std::size_t at = 0; at < input.size(); at += step)
        if (!FeedPiece(split, input.substr(at, step), pieces))
            break;
    if (once.text != pieces.text)
        std::abort();
    return 0;
}
