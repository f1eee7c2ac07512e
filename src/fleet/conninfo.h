#pragma once
// The connection string as the user typed it: read by libpq's own parser, its values checked
// before anything connects, and never repeated with a password in it.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ijken::fleet {

// The keywords and values a connection string sets (those libpq parsed and found given). Throws
// FleetError with exit status 2, its message without a password, for a string libpq cannot parse
// and for a value libpq would refuse only when connecting (a port that is no port number, an
// sslmode it does not know, a timeout that is no number).
std::vector<std::pair<std::string, std::string>> parse_conninfo(const std::string& conninfo);

// Whether the string holds a password: as libpq itself reads it (a URI's percent-encoded keys
// included), and where libpq cannot read it (or is not installed) any password=..., a URI's
// user:password@ or ?password=... with its key percent-encoded or not.
bool holds_password(const std::string& conninfo);

// The message with every password of the connection string (the one libpq reads, and every text
// that may be one in a string libpq cannot parse, also percent-decoded) replaced by "***", and any
// password=... or user:...@ in it masked.
std::string mask_passwords(std::string_view message, const std::string& conninfo);

// The value's fault when libpq would refuse it for the keyword, or "" when it is sound. Only the
// keywords whose values libpq checks at connection time are looked at: numbers as libpq reads them
// (blanks around them are fine), each port of a list, each hostaddr (an IP address), the choices.
std::string value_fault(const std::string& keyword, const std::string& value);

// The fault of the host, hostaddr and port lists together, as libpq would refuse them when
// connecting (as many ports as hosts, or one for all; as many host names as addresses), or "".
std::string hosts_fault(const std::vector<std::pair<std::string, std::string>>& given);

}  // namespace ijken::fleet
