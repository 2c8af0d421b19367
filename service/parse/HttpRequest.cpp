#include "service/parse/HttpRequest.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>

namespace brevant {

namespace {

constexpr std::array<std::string_view, 7> kMethods = {"GET",    "HEAD",    "POST", "PUT",
                                                      "DELETE", "OPTIONS", "PATCH"};

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsTokenChar(char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
        return true;
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), IsTokenChar);
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

// Whether a comma-separated header value lists this token (any case).
bool ListsToken(const std::string* value, std::string_view token)
{
    if (!value)
        return false;
    std::string_view rest(*value);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        if (HeaderNameEquals(Trim(rest.substr(0, comma)), token))
            return true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return false;
}

// Splits the target into path segments and query parameters; false when an
// escape is broken or the target is not a path.
bool SplitTarget(HttpRequest& request)
{
    const std::string_view target(request.target);
    if (target.empty() || target.front() != '/' || target.find('#') != std::string_view::npos)
        return false;
    const std::size_t mark = target.find('?');
    request.path = std::string(target.substr(0, mark));
    std::string_view path = std::string_view(request.path).substr(1);
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        std::string segment;
        if (!PercentDecode(path.substr(0, slash), false, segment))
            return false;
        request.segments.push_back(std::move(segment));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (slash != std::string_view::npos && path.empty())
            request.segments.emplace_back();  // a trailing slash leaves an empty last segment
    }
    std::string_view query = mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const std::size_t eq = pair.find('=');
        std::string name;
        std::string value;
        if (!PercentDecode(pair.substr(0, eq), true, name) ||
            (eq != std::string_view::npos && !PercentDecode(pair.substr(eq + 1), true, value)))
            return false;
        if (!pair.empty())
            request.query.emplace_back(std::move(name), std::move(value));
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    return true;
}

}  // namespace

bool HeaderNameEquals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool PercentDecode(std::string_view text, bool plusIsBlank, std::string& out)
{
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size())
                return false;
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return false;
            c = static_cast<char>(high * 16 + low);
            if (c == '\0')
                return false;
            i += 2;
        } else if (c == '+' && plusIsBlank) {
            c = ' ';
        }
        out += c;
    }
    return true;
}

const std::string* HttpRequest::Header(std::string_view name) const
{
    for (const HttpHeader& header : headers)
        if (HeaderNameEquals(header.name, name))
            return &header.value;
    return nullptr;
}

const std::string* HttpRequest::Query(std::string_view name) const
{
    for (const auto& [key, value] : query)
        if (key == name)
            return &value;
    return nullptr;
}

bool HttpRequest::KeepAlive() const
{
    const std::string* connection = Header("Connection");
    if (ListsToken(connection, "close"))
        return false;
    return minorVersion >= 1 || ListsToken(connection, "keep-alive");
}

HttpRequestParser::HttpRequestParser(HttpLimits limits) : limits_(limits) {}

bool HttpRequestParser::Started() const
{
    return stage_ != Stage::RequestLine || buffer_.size() > pos_;
}

HttpParse HttpRequestParser::Feed(std::string_view bytes)
{
    if (stage_ == Stage::Failed) {
        HttpParse parse;
        parse.state = HttpParseState::Failed;
        parse.error = error_;
        return parse;
    }
    if (pos_ > 0 && stage_ == Stage::RequestLine) {  // drop the requests already answered
        buffer_.erase(0, pos_);
        scan_ -= pos_;
        pos_ = 0;
    }
    buffer_.append(bytes);
    return Step();
}

HttpParse HttpRequestParser::Fail(int status, std::string message)
{
    stage_ = Stage::Failed;
    buffer_.clear();
    error_ = HttpError{status, std::move(message)};
    HttpParse parse;
    parse.state = HttpParseState::Failed;
    parse.error = error_;
    return parse;
}

HttpParse HttpRequestParser::Step()
{
    if (stage_ == Stage::RequestLine) {
        HttpParse parse = ReadRequestLine();
        if (stage_ != Stage::Headers)
            return parse;
    }
    if (stage_ == Stage::Headers) {
        HttpParse parse = ReadHeaders();
        if (stage_ != Stage::Body)
            return parse;
        if (parse.sendContinue && bodyLength_ > buffer_.size() - pos_)
            return parse;
    }
    if (buffer_.size() - pos_ < bodyLength_)
        return {};
    HttpParse parse;
    parse.state = HttpParseState::Complete;
    request_.body = buffer_.substr(pos_, bodyLength_);
    parse.request = std::move(request_);
    pos_ += bodyLength_;
    scan_ = pos_;
    request_ = HttpRequest{};
    bodyLength_ = 0;
    continueSent_ = false;
    stage_ = Stage::RequestLine;
    return parse;
}

HttpParse HttpRequestParser::ReadRequestLine()
{
    for (;;) {
        const std::size_t end = buffer_.find('\n', scan_);
        if (end == std::string::npos) {
            scan_ = buffer_.size();
            if (buffer_.size() - pos_ > limits_.requestLine + 1)
                return Fail(414, "the request line is longer than " + std::to_string(limits_.requestLine) +
                                     " bytes");
            return {};
        }
        std::string_view line(buffer_.data() + pos_, end - pos_);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > limits_.requestLine)
            return Fail(414,
                        "the request line is longer than " + std::to_string(limits_.requestLine) + " bytes");
        pos_ = scan_ = end + 1;
        if (line.empty())
            continue;  // blank lines before a request are allowed
        const std::size_t first = line.find(' ');
        const std::size_t last = line.rfind(' ');
        if (first == std::string_view::npos || first == last)
            return Fail(400, "the request line is not \"METHOD target HTTP/1.1\"");
        const std::string_view method = line.substr(0, first);
        const std::string_view target = line.substr(first + 1, last - first - 1);
        const std::string_view version = line.substr(last + 1);
        if (!IsToken(method) || target.empty() ||
            std::any_of(target.begin(), target.end(), [](char c) { return c <= ' ' || c >= 127; }))
            return Fail(400, "the request line is not \"METHOD target HTTP/1.1\"");
        if (version.size() != 8 || version.substr(0, 5) != "HTTP/" || version[6] != '.' ||
            HexValue(version[5]) < 0 || HexValue(version[5]) > 9 || HexValue(version[7]) < 0 ||
            HexValue(version[7]) > 9)
            return Fail(400, "the request line does not end in an HTTP version");
        if (version[5] != '1')
            return Fail(505, "only HTTP/1.0 and HTTP/1.1 are served");
        if (std::find(kMethods.begin(), kMethods.end(), method) == kMethods.end())
            return Fail(501, "the method " + std::string(method) + " is not served");
        request_.method = std::string(method);
        request_.target = std::string(target);
        request_.minorVersion = version[7] - '0';
        if (!SplitTarget(request_))
            return Fail(400, "the target is not a path with a well-formed query");
        stage_ = Stage::Headers;
        headerBytes_ = 0;
        return {};
    }
}

HttpParse HttpRequestParser::ReadHeaders()
{
    const std::string tooLarge =
        "the headers are larger than " + std::to_string(limits_.headerBytes) + " bytes";
    for (;;) {
        const std::size_t end = buffer_.find('\n', scan_);
        if (end == std::string::npos) {
            scan_ = buffer_.size();
            if (headerBytes_ + (buffer_.size() - pos_) > limits_.headerBytes)
                return Fail(431, tooLarge);
            return {};
        }
        headerBytes_ += end + 1 - pos_;
        if (headerBytes_ > limits_.headerBytes)
            return Fail(431, tooLarge);
        std::string_view line(buffer_.data() + pos_, end - pos_);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos_ = scan_ = end + 1;
        if (line.empty())
            return EndOfHeaders();
        if (request_.headers.size() >= limits_.headerCount)
            return Fail(431, "more than " + std::to_string(limits_.headerCount) + " headers");
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || !IsToken(line.substr(0, colon)))
            return Fail(400, "a header line is not \"Name: value\"");
        const std::string_view value = Trim(line.substr(colon + 1));
        if (std::any_of(value.begin(), value.end(),
                        [](char c) { return (c >= 0 && c < ' ' && c != '\t') || c == 127; }))
            return Fail(400, "a header value holds control characters");
        request_.headers.push_back(HttpHeader{std::string(line.substr(0, colon)), std::string(value)});
    }
}

HttpParse HttpRequestParser::EndOfHeaders()
{
    if (request_.minorVersion >= 1 && !request_.Header("Host"))
        return Fail(400, "an HTTP/1.1 request needs a Host header");
    if (request_.Header("Transfer-Encoding"))
        return Fail(501, "chunked and other transfer codings are not served; send Content-Length");
    const std::string* length = nullptr;
    for (const HttpHeader& header : request_.headers) {
        if (!HeaderNameEquals(header.name, "Content-Length"))
            continue;
        if (length && *length != header.value)
            return Fail(400, "two different Content-Length headers");
        length = &header.value;
    }
    bodyLength_ = 0;
    if (length) {
        const char* first = length->data();
        const char* last = first + length->size();
        unsigned long long value = 0;
        const auto [ptr, ec] = std::from_chars(first, last, value);
        if (length->empty() || ec == std::errc::result_out_of_range) {
            if (ec == std::errc::result_out_of_range &&
                std::all_of(first, last, [](char c) { return c >= '0' && c <= '9'; }))
                return Fail(413, "the body is larger than " + std::to_string(limits_.body) + " bytes");
            return Fail(400, "Content-Length is not a number");
        }
        if (ec != std::errc() || ptr != last)
            return Fail(400, "Content-Length is not a number");
        if (value > limits_.body)
            return Fail(413, "the body is larger than " + std::to_string(limits_.body) + " bytes");
        bodyLength_ = static_cast<std::size_t>(value);
    } else if (request_.method == "POST" || request_.method == "PUT" || request_.method == "PATCH") {
        return Fail(411, "a " + request_.method + " needs a Content-Length");
    }
    stage_ = Stage::Body;
    HttpParse parse;
    if (bodyLength_ > 0 && !continueSent_ && request_.minorVersion >= 1 &&
        ListsToken(request_.Header("Expect"), "100-continue")) {
        continueSent_ = true;
        parse.sendContinue = true;
    }
    return parse;
}

HttpResponse HttpResponse::Json(int status, std::string json)
{
    HttpResponse response;
    response.status = status;
    response.contentType = "application/json";
    response.body = std::move(json);
    return response;
}

HttpResponse HttpResponse::Error(int status, std::string_view message)
{
    const nlohmann::json body = {{"error", std::string(message)}, {"status", status}};
    return Json(status, body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

HttpResponse HttpResponse::Text(int status, std::string text, std::string contentType)
{
    HttpResponse response;
    response.status = status;
    response.contentType = std::move(contentType);
    response.body = std::move(text);
    return response;
}

std::string_view ReasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 204: return "No Content";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 415: return "Unsupported Media Type";
    case 422: return "Unprocessable Content";
    case 426: return "Upgrade Required";
    case 429: return "Too Many Requests";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    case 505: return "HTTP Version Not Supported";
    default: return "Unknown";
    }
}

std::string FormatResponse(const HttpResponse& response, bool keepAlive, bool headOnly)
{
    std::string out = "HTTP/1.1 " + std::to_string(response.status) + ' ' +
                      std::string(ReasonPhrase(response.status)) + "\r\n";
    const bool noBody = response.status == 204 || response.status == 304 || response.status < 200;
    if (!noBody)
        out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    if (!response.contentType.empty() && !noBody)
        out += "Content-Type: " + response.contentType + "\r\n";
    if (!keepAlive)
        out += "Connection: close\r\n";
    for (const HttpHeader& header : response.headers)
        out += header.name + ": " + header.value + "\r\n";
    out += "\r\n";
    if (!headOnly && !noBody)
        out += response.body;
    return out;
}

}  // namespace brevant
