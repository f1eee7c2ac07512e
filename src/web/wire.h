#pragma once
// What the office's web server reads off the wire before a route sees it, and what it writes to
// its log: the request target and a form taken apart and checked, the bounds of a request's
// head, and text made safe for a log line.
#include <sys/socket.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "web/http.h"

namespace ijken::web {

// The bounds of a request's head: its target, each header line, all header lines, their number.
constexpr std::size_t kTargetMost = 8 * 1024;
constexpr std::size_t kHeaderLineMost = 8 * 1024;
constexpr std::size_t kHeadersMost = 16 * 1024;
constexpr std::size_t kHeaderCountMost = 64;

// The status that refuses a request by its head alone (0: none): 414 for a target over its bound
// (`cut`: it was longer than what was kept), 431 for headers over theirs, 413 for a Content-Length
// over `body_most`, 400 for a Content-Length that is no number.
int refusal_of_head(const std::string& target, bool cut, const Fields& headers, std::size_t body_most);

// Fills the request's path, query and the query's fields from a target ("/path?a=1&b=%C3%AF").
// False for a target that is not a path, or whose path or fields are not UTF-8 or hold a NUL.
bool read_target(std::string_view target, Request& request);
// Adds the fields of an application/x-www-form-urlencoded body; false as read_target.
bool read_form(std::string_view body, Fields& params);

bool valid_utf8(std::string_view text);
bool starts_with_nocase(std::string_view text, std::string_view start);

// A target's path, without its query (which may hold what someone searched for).
std::string path_of(std::string_view target);
// Text for one log line: at most `most` bytes of it, every space, control character, byte outside
// ASCII and backslash written as \xNN, so that a request can neither start a line of its own nor
// send escape sequences to a terminal.
std::string loggable(std::string_view text, std::size_t most);

// An IPv4 or IPv6 address as text ("127.0.0.1", "::1"); "" for another kind.
std::string address_text(const sockaddr* address);

}  // namespace ijken::web
