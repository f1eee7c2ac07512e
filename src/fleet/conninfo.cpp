#include "fleet/conninfo.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <regex>

namespace ijken::fleet {

namespace {

bool is_count(const std::string& v, long long low, long long high) {
    long long n = 0;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
    return !v.empty() && r.ec == std::errc() && r.ptr == v.data() + v.size() && n >= low && n <= high;
}

bool one_of(const std::string& v, std::initializer_list<const char*> choices) {
    return std::any_of(choices.begin(), choices.end(), [&](const char* c) { return v == c; });
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
// be one it cannot parse): a URI's user:password@, a password=... value, quoted or not.
std::vector<std::string> password_candidates(const std::string& conninfo) {
    std::vector<std::string> found;
    const auto scheme = conninfo.find("://");
    if (scheme != std::string::npos) {
        const auto at = conninfo.rfind('@');
        if (at != std::string::npos && at > scheme) {
            const std::string userinfo = conninfo.substr(scheme + 3, at - scheme - 3);
            const auto colon = userinfo.find(':');
            if (colon != std::string::npos) found.push_back(userinfo.substr(colon + 1));
        }
        const std::regex query(R"([?&]password=([^&]*))");
        for (std::sregex_iterator i(conninfo.begin(), conninfo.end(), query), end; i != end; ++i) {
            found.push_back((*i)[1]);
        }
    }
    const std::regex keyword(R"((?:^|\s)password\s*=\s*('(?:[^'\\]|\\.)*'?|\S+))");
    for (std::sregex_iterator i(conninfo.begin(), conninfo.end(), keyword), end; i != end; ++i) {
        std::string v = (*i)[1];
        if (!v.empty() && v.front() == '\'') v = v.substr(1, v.size() > 1 && v.back() == '\'' ? v.size() - 2 : 1);
        found.push_back(v);
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

}  // namespace

std::string value_fault(const std::string& keyword, const std::string& value) {
    if (keyword == "port") {
        // A list, one per host; an empty entry takes the default.
        std::size_t start = 0;
        while (true) {
            const auto end = value.find(',', start);
            const std::string one = value.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!one.empty() && !is_count(one, 1, 65535)) return "port \"" + one + "\" is not a port number (1 to 65535)";
            if (end == std::string::npos) return "";
            start = end + 1;
        }
    }
    for (const char* number : {"connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval",
                               "keepalives_count", "tcp_user_timeout"}) {
        if (keyword == number && !is_count(value, 0, 2147483647)) {
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
