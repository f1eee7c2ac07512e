#include "fleet/conninfo.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <regex>

#include <netdb.h>
#include <sys/socket.h>

#include "fleet/pg_connection.h"

namespace ijken::fleet {

namespace {

// A whole number as libpq reads one (strtol with blanks around it, within an int), or nothing.
std::optional<long> libpq_int(const std::string& v) {
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (end == v.c_str() || errno != 0 || n != static_cast<int>(n)) return std::nullopt;
    while (*end != '\0' && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end != '\0') return std::nullopt;
    return n;
}

bool one_of(const std::string& v, std::initializer_list<const char*> choices) {
    return std::any_of(choices.begin(), choices.end(), [&](const char* c) { return v == c; });
}

std::vector<std::string> comma_list(const std::string& value) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const auto end = value.find(',', start);
        items.push_back(value.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return items;
        start = end + 1;
    }
}

std::string percent_decoded(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Every text in the connection string that may be a password, read without libpq (the string may
// be one it cannot parse): a URI's user:password@, a password=... parameter of a URI (its key
// percent-encoded or not, as libpq decodes keys too), a password=... value, quoted or not, also
// straight after a quoted value. Keywords are matched ignoring case: a wrong guess only masks more.
std::vector<std::string> password_candidates(const std::string& conninfo) {
    std::vector<std::string> found;
    const auto scheme = conninfo.find("://");
    if (scheme != std::string::npos) {
        const auto query_at = conninfo.find('?', scheme);
        // The user information ends at the last @ before the query, or (with a ? in the password)
        // at the last @ of all.
        for (const auto at : {conninfo.rfind('@', query_at), conninfo.rfind('@')}) {
            if (at == std::string::npos || at <= scheme) continue;
            const std::string userinfo = conninfo.substr(scheme + 3, at - scheme - 3);
            const auto colon = userinfo.find(':');
            if (colon != std::string::npos) found.push_back(userinfo.substr(colon + 1));
        }
        if (query_at != std::string::npos) {
            const std::regex parameter(R"(([^&=]*)=([^&]*))");
            const std::string query = conninfo.substr(query_at + 1);
            for (std::sregex_iterator i(query.begin(), query.end(), parameter), end; i != end; ++i) {
                std::string key = percent_decoded((*i)[1]);
                std::transform(key.begin(), key.end(), key.begin(),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
                if (key.find("password") != std::string::npos) found.push_back((*i)[2]);
            }
        }
    }
    const std::regex keyword(R"((?:^|[\s'])password\s*=\s*('(?:[^'\\]|\\.)*'?|[^\s']+))", std::regex::icase);
    for (std::sregex_iterator i(conninfo.begin(), conninfo.end(), keyword), end; i != end; ++i) {
        std::string v = (*i)[1];
        if (!v.empty() && v.front() == '\'') v = v.substr(1, v.size() > 1 && v.back() == '\'' ? v.size() - 2 : 1);
        found.push_back(v);
    }
    // What libpq itself reads as the password, when it can read the string.
    if (const auto reading = libpq_reading(conninfo)) {
        for (const auto& [key, value] : *reading) {
            if (key == "password") found.push_back(value);
        }
    }
    std::vector<std::string> all;
    for (const std::string& f : found) {
        for (const std::string& form : {f, percent_decoded(f)}) {
            if (!form.empty()) all.push_back(form);
        }
    }
    // The longest first, so that a password holding another is masked whole.
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    return all;
}

// Whether getaddrinfo takes the text as a numeric address, as libpq's hostaddr needs one.
bool numeric_address(const std::string& text) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_family = AF_UNSPEC;
    addrinfo* result = nullptr;
    const int r = getaddrinfo(text.c_str(), nullptr, &hints, &result);
    if (result) freeaddrinfo(result);
    return r == 0;
}

}  // namespace

std::string value_fault(const std::string& keyword, const std::string& value) {
    if (keyword == "port") {
        // A list, one per host; an empty entry takes the default.
        for (const std::string& one : comma_list(value)) {
            const std::optional<long> n = one.empty() ? std::optional<long>(5432) : libpq_int(one);
            if (!n || *n < 1 || *n > 65535) return "port \"" + one + "\" is not a port number (1 to 65535)";
        }
        return "";
    }
    if (keyword == "hostaddr") {
        for (const std::string& one : comma_list(value)) {
            if (!one.empty() && !numeric_address(one)) return "hostaddr \"" + one + "\" is not an IP address";
        }
        return "";
    }
    for (const char* number : {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                               "keepalives_count", "tcp_user_timeout"}) {
        if (keyword == number && !libpq_int(value)) {
            return keyword + " \"" + value + "\" is not a whole number of seconds or a count";
        }
    }
    struct Choice {
        const char* keyword;
        std::initializer_list<const char*> values;
    };
    static const Choice choices[] = {
        {"sslmode", {"disable", "allow", "prefer", "require", "verify-ca", "verify-full"}},
        {"gssencmode", {"disable", "prefer", "require"}},
        {"channel_binding", {"disable", "prefer", "require"}},
        {"target_session_attrs", {"any", "read-write", "read-only", "primary", "standby", "prefer-standby"}},
        {"sslcompression", {"0", "1"}},
    };
    for (const Choice& c : choices) {
        if (keyword == c.keyword && !one_of(value, c.values)) {
            std::string list;
            for (const char* v : c.values) list += (list.empty() ? "" : ", ") + std::string(v);
            return keyword + " \"" + value + "\" is not one of " + list;
        }
    }
    return "";
}

std::string hosts_fault(const std::vector<std::pair<std::string, std::string>>& given) {
    auto count = [&](const char* keyword) -> std::size_t {
        for (const auto& [k, v] : given) {
            if (k == keyword && !v.empty()) return comma_list(v).size();
        }
        return 0;
    };
    const std::size_t hostaddrs = count("hostaddr"), hosts = count("host"), ports = count("port");
    // As libpq counts: the addresses when given, else the host names, else the one default host.
    const std::size_t targets = hostaddrs ? hostaddrs : hosts ? hosts : 1;
    if (hosts && hostaddrs && hosts != hostaddrs) {
        return std::to_string(hosts) + " host names do not match " + std::to_string(hostaddrs) + " hostaddr values";
    }
    if (ports > 1 && ports != targets) {
        return std::to_string(ports) + " port numbers do not match " + std::to_string(targets) + " hosts";
    }
    return "";
}

bool holds_password(const std::string& conninfo) {
    return !password_candidates(conninfo).empty();
}

std::string mask_passwords(std::string_view message, const std::string& conninfo) {
    std::string s(message);
    for (const std::string& secret : password_candidates(conninfo)) {
        for (std::size_t at = 0; (at = s.find(secret, at)) != std::string::npos;) {
            s.replace(at, secret.size(), "***");
            at += 3;
        }
    }
    s = std::regex_replace(s, std::regex(R"((://[^:/@\s"]*):[^@\s"]*@)"), "$1:***@");
    return std::regex_replace(s, std::regex(R"(password\s*=\s*('[^']*'?|[^\s"&]+))"), "password=***");
}

}  // namespace ijken::fleet
