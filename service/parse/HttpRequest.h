// HTTP/1.1 requests read incrementally, and responses written out, for the
// service's API. Pure: bytes in, a request or the status to refuse it with
// out; nothing here touches a socket. Every size from outside is bounded by
// HttpLimits.
//
// Thread safety: an HttpRequestParser belongs to one thread at a time (one per
// connection); the free functions may be called from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brevant {

struct HttpLimits {
    std::size_t requestLine = 8 * 1024;  // bytes of the request line, without its line end
    std::size_t headerCount = 64;
    std::size_t headerBytes = 16 * 1024;  // all header lines together, line ends included
    std::size_t body = 1024 * 1024;
};

struct HttpHeader {
    std::string name;   // as sent; compare with HeaderNameEquals
    std::string value;  // surrounding blanks removed
};

struct HttpRequest {
    std::string method;                 // GET, HEAD, POST, PUT, DELETE, OPTIONS or PATCH
    std::string target;                 // as sent: path and query
    std::string path;                   // the target before '?', still percent-encoded
    std::vector<std::string> segments;  // the path between slashes, percent-decoded ("/a/b%2Fc" gives a, b/c)
    std::vector<std::pair<std::string, std::string>> query;  // decoded, in order, '+' read as a blank
    std::vector<HttpHeader> headers;
    std::string body;
    int minorVersion = 1;  // HTTP/1.<minorVersion>

    // The first header of this name (any case), or nullptr.
    const std::string* Header(std::string_view name) const;
    // The first query parameter of this name, or nullptr.
    const std::string* Query(std::string_view name) const;
    // Whether the connection stays open after the answer: HTTP/1.1 unless
    // "Connection: close", HTTP/1.0 only with "Connection: keep-alive".
    bool KeepAlive() const;
};

struct HttpError {
    int status = 0;       // 400, 405, 411, 413, 414, 431, 501 or 505
    std::string message;  // what was wrong, in English, for the answer and the log
};

enum class HttpParseState { NeedMore, Complete, Failed };

struct HttpParse {
    HttpParseState state = HttpParseState::NeedMore;
    HttpRequest request;  // when Complete
    HttpError error;      // when Failed
    // The headers asked "Expect: 100-continue" and the body is still to come:
    // answer "100 Continue" now. Set once per request.
    bool sendContinue = false;
};

// Reads requests from a connection's bytes as they arrive. Feed gives the
// bytes; once it answers Complete, the bytes after that request stay buffered
// and Feed({}) starts on them (keep-alive and pipelining). Once Failed, it
// stays failed: the connection is answered and closed.
class HttpRequestParser {
public:
    explicit HttpRequestParser(HttpLimits limits = {});

    HttpParse Feed(std::string_view bytes);
    // Whether part of a request has arrived (and not yet been answered by Feed).
    bool Started() const;

private:
    enum class Stage { RequestLine, Headers, Body, Failed };
    HttpParse Fail(int status, std::string message);
    HttpParse Step();
    HttpParse ReadRequestLine();
    HttpParse ReadHeaders();
    HttpParse EndOfHeaders();

    HttpLimits limits_;
    std::string buffer_;
    std::size_t pos_ = 0;   // where the part being read starts in buffer_
    std::size_t scan_ = 0;  // where to resume looking for a line end
    std::size_t headerBytes_ = 0;
    std::size_t bodyLength_ = 0;
    bool continueSent_ = false;
    Stage stage_ = Stage::RequestLine;
    HttpRequest request_;
    HttpError error_;
};

// Whether two header names are the same, in any case.
bool HeaderNameEquals(std::string_view a, std::string_view b);
// Percent-decoding; false for a broken escape or a decoded zero byte.
bool PercentDecode(std::string_view text, bool plusIsBlank, std::string& out);

struct HttpResponse {
    int status = 200;
    std::string contentType;  // empty with an empty body
    std::string body;
    std::vector<HttpHeader> headers;  // more headers: Allow, WWW-Authenticate, ...

    // A JSON body already serialised.
    static HttpResponse Json(int status, std::string json);
    // {"error": message, "status": status}.
    static HttpResponse Error(int status, std::string_view message);
    static HttpResponse Text(int status, std::string text,
                             std::string contentType = "text/plain; charset=utf-8");
};

// The standard reason phrase of a status ("Not Found"), or "Unknown".
std::string_view ReasonPhrase(int status);

// The bytes of a response: status line, Content-Length, Content-Type,
// Connection: close when the connection ends, the headers, then the body
// unless the request was a HEAD.
std::string FormatResponse(const HttpResponse& response, bool keepAlive, bool headOnly);

}  // namespace brevant
