#pragma once
// A request and its answer as the office's routes see them, whatever carries them over the wire:
// the transport (server.cpp) fills a Request, the routes fill a Response.
#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ijken::web {

using Clock = std::chrono::steady_clock;
using Fields = std::vector<std::pair<std::string, std::string>>;

struct Request {
    std::string method;          // GET, HEAD, POST, ... as sent
    std::string path;            // decoded, without the query
    std::string query;           // as sent after '?', without it; empty without one
    Fields params;               // the query's fields, then a POSTed form's, decoded, in order
    Fields headers;              // names as sent
    std::string client_address;  // the peer's IP address as text
    Clock::time_point start;     // when the request began to arrive
    std::vector<std::string> matches;  // the route's pattern: [0] the whole path, then its groups

    // The first header of that name (compared without case), or "".
    std::string header(std::string_view name) const;
    bool has_param(std::string_view name) const;
    // The first field of that name, or "".
    std::string param(std::string_view name) const;
    // The value of a cookie in the Cookie header, or "".
    std::string cookie(std::string_view name) const;
};

// Writes a streamed body. It may throw: the answer is then cut short, so that the client sees an
// incomplete download. When the client has gone, what it writes is taken and dropped.
using BodyWriter = std::function<void(std::ostream& out)>;

struct Response {
    int status = 200;
    Fields headers;
    std::string body;
    BodyWriter stream;  // when set, the body is what this writes, sent as it writes it
    // An answer that must not leave before this time (a slowed login). The transport holds it
    // without holding a thread.
    std::optional<Clock::time_point> not_before;

    // Replaces every header of that name (compared without case).
    void set_header(std::string_view name, std::string value);
    std::string header(std::string_view name) const;
    void erase_header(std::string_view name);
    void set_content(std::string content, std::string content_type);
};

bool same_name(std::string_view a, std::string_view b);

}  // namespace ijken::web
