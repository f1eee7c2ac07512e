#include "web/wire.h"

#include <arpa/inet.h>
#include <netinet/in.h>


namespace ijken::web {

int refusal_of_head(const std::string& target, bool cut, const Fields& headers, std::size_t body_most) {
    if (cut || target.size() > kTargetMost) return 414;
    std::size_t bytes = 0;
    for (const auto& [name, value] : headers) {
        const std::size_t line = name.size() + value.size() + 4;  // "name: value\r\n"
        if (line > kHeaderLineMost) return 431;
        bytes += line;
    }
    if (headers.size() > kHeaderCountMost || bytes > kHeadersMost) return 431;
    for (const auto& [name, value] : headers) {
        if (!same_name(name, "Content-Length")) continue;
        if (value.empty() || value.size() > 18 || value.find_first_not_of("0123456789") != std::string::npos) return 400;
        if (std::stoull(value) > body_most) return 413;
    }
    return 0;
}

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX decoded (a % without two hex digits stays as it is), '+' as a space where `plus`.
std::string decode(std::string_view text, bool plus) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int hi = hex_digit(text[i + 1]), lo = hex_digit(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += plus && c == '+' ? ' ' : c;
    }
    return out;
}

bool clean(std::string_view text) {
    return text.find('\0') == std::string_view::npos && valid_utf8(text);
}

bool read_fields(std::string_view text, Fields& params) {
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t end = std::min(text.find('&', at), text.size());
        const std::string_view item = text.substr(at, end - at);
        if (!item.empty()) {
            const std::size_t eq = item.find('=');
            std::string name = decode(item.substr(0, eq), true);
            std::string value = eq == std::string_view::npos ? "" : decode(item.substr(eq + 1), true);
            if (!clean(name) || !clean(value)) return false;
            params.emplace_back(std::move(name), std::move(value));
        }
        at = end + 1;
    }
    return true;
}

}  // namespace

bool read_target(std::string_view target, Request& request) {
    if (target.empty() || target[0] != '/') return false;
    const std::size_t q = target.find('?');
    request.path = decode(target.substr(0, q), false);
    request.query = q == std::string_view::npos ? "" : std::string(target.substr(q + 1));
    if (!clean(request.path)) return false;
    return read_fields(request.query, request.params);
}

bool read_form(std::string_view body, Fields& params) {
    return read_fields(body, params);
}

bool valid_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned code = 0, least = 0;
        if ((b & 0xE0) == 0xC0) {
            more = 1, code = b & 0x1F, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2, code = b & 0x0F, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3, code = b & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= text.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) return false;
            code = code << 6 | (c & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and code points past U+10FFFF are no UTF-8.
        if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

bool starts_with_nocase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() && same_name(text.substr(0, start.size()), start);
}

std::string path_of(std::string_view target) {
    return std::string(target.substr(0, target.find('?')));
}

std::string loggable(std::string_view text, std::size_t most) {
    static const char* const hex = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < most; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c >= 0x7F || c == '\\') {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > most) out += "...";
    return out;
}

std::string address_text(const sockaddr* address) {
    if (!address) return "";
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    } else if (address->sa_family == AF_INET6) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    }
    return text;
}

}  // namespace ijken::web
