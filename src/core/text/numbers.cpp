#include "core/text/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace ijken::text {

namespace {

// A finite double as its decimal digits: value = 0.d1 d2 ... dn x 10^point, d1 != 0 unless the
// value is zero (then digits is "0" and point 1).
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;
};

Decimal to_decimal(double value, int significant) {
    Decimal d;
    d.negative = std::signbit(value);
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                                   significant - 1);
    (void)ec;  // 64 bytes always hold a double with at most 18 significant digits
    const char* p = buf;
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.') d.digits.push_back(*p);
    }
    int exponent = 0;
    if (p != end) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);
    d.point = exponent + 1;
    return d;
}

std::string pad_left(std::string s, int width) {
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

std::string non_finite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The parts of a decimal number text, after syntax checking.
struct NumberText {
    bool negative = false;
    std::string_view int_digits;
    std::string_view frac_digits;
    bool has_exponent = false;
    bool exponent_negative = false;
    std::string_view exponent_digits;
    std::string_view body;  // sign included, blanks excluded
};

std::optional<NumberText> split_number(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && is_blank(text[b])) ++b;
    while (e > b && is_blank(text[e - 1])) --e;
    NumberText n;
    n.body = text.substr(b, e - b);
    std::size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-')) {
        n.negative = text[i] == '-';
        ++i;
    }
    std::size_t s = i;
    while (i < e && text[i] >= '0' && text[i] <= '9') ++i;
    n.int_digits = text.substr(s, i - s);
    if (i < e && text[i] == '.') {
        ++i;
        s = i;
        while (i < e && text[i] >= '0' && text[i] <= '9') ++i;
        n.frac_digits = text.substr(s, i - s);
    }
    if (n.int_digits.empty() && n.frac_digits.empty()) return std::nullopt;
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        n.has_exponent = true;
        if (i < e && (text[i] == '+' || text[i] == '-')) {
            n.exponent_negative = text[i] == '-';
            ++i;
        }
        s = i;
        while (i < e && text[i] >= '0' && text[i] <= '9') ++i;
        n.exponent_digits = text.substr(s, i - s);
        if (n.exponent_digits.empty()) return std::nullopt;
    }
    if (i != e) return std::nullopt;
    return n;
}

// Roughly the power of ten of the number's leading digit: enough to tell a huge number from a tiny
// one when a conversion is out of range.
// The exponent's value; beyond nine digits it is capped, where only its sign still matters (the
// number is either far too large or zero).
long long exponent_value(const NumberText& n) {
    long long exponent = 0;
    std::string_view ed = n.exponent_digits;
    std::size_t nz = ed.find_first_not_of('0');
    ed = nz == std::string_view::npos ? std::string_view() : ed.substr(nz);
    if (ed.size() > 9) ed = "999999999";
    if (!ed.empty()) std::from_chars(ed.data(), ed.data() + ed.size(), exponent);
    return n.exponent_negative ? -exponent : exponent;
}

long long decimal_magnitude(const NumberText& n) {
    long long exponent = exponent_value(n);
    std::size_t lead = n.int_digits.find_first_not_of('0');
    if (lead != std::string_view::npos) return exponent + static_cast<long long>(n.int_digits.size() - lead);
    std::size_t frac_lead = n.frac_digits.find_first_not_of('0');
    if (frac_lead == std::string_view::npos) return std::numeric_limits<long long>::min() / 2;
    return exponent - static_cast<long long>(frac_lead);
}

}  // namespace

std::string format_int(long long value, int width) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    return pad_left(std::string(buf, end), width);
}

std::string format_fixed(double value, int decimals, int width) {
    if (!std::isfinite(value)) return pad_left(non_finite(value), width);
    if (decimals < 0) decimals = 0;
    Decimal d = to_decimal(value, 18);
    if (d.digits == "0" || d.digits.find_first_not_of('0') == std::string::npos) d.point = 1;

    // Keep the digits up to the last shown decimal, rounding the rest half away from zero.
    int keep = d.point + decimals;
    std::string digits;
    int point = d.point;
    if (keep < 0) {
        digits = "";
    } else if (keep >= static_cast<int>(d.digits.size())) {
        digits = d.digits;
        digits.append(static_cast<std::size_t>(keep) - d.digits.size(), '0');
    } else {
        digits = d.digits.substr(0, static_cast<std::size_t>(keep));
        if (d.digits[static_cast<std::size_t>(keep)] >= '5') {
            int i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[static_cast<std::size_t>(i)] == '9') {
                    digits[static_cast<std::size_t>(i)] = '0';
                } else {
                    ++digits[static_cast<std::size_t>(i)];
                    break;
                }
            }
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++point;
            }
        }
    }
    // digits now holds the value's digits from 10^(point-1) down to 10^-decimals.
    int int_count = point;  // may be <= 0
    std::string int_part, frac_part;
    if (int_count > 0) {
        int_part = digits.substr(0, static_cast<std::size_t>(int_count));
        frac_part = digits.substr(static_cast<std::size_t>(int_count));
    } else {
        int_part = "0";
        frac_part = std::string(static_cast<std::size_t>(-int_count), '0') + digits;
    }
    frac_part.resize(static_cast<std::size_t>(decimals), '0');
    std::size_t nz = int_part.find_first_not_of('0');
    int_part = nz == std::string::npos ? "0" : int_part.substr(nz);

    bool zero = int_part == "0" && frac_part.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (d.negative && !zero) out.push_back('-');
    out += int_part;
    if (decimals > 0) {
        out.push_back('.');
        out += frac_part;
    }
    return pad_left(std::move(out), width);
}

std::string format_general(double value) {
    if (!std::isfinite(value)) return non_finite(value);
    if (value == 0) return "0";
    Decimal d = to_decimal(value, 15);
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    int exponent = d.point - 1;
    std::string out = d.negative ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent >= 0) {
            std::size_t n = static_cast<std::size_t>(exponent) + 1;
            std::string digits = d.digits;
            if (digits.size() < n) digits.append(n - digits.size(), '0');
            out += digits.substr(0, n);
            if (digits.size() > n) {
                out.push_back('.');
                out.append(digits, n);
            }
        } else {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += d.digits;
        }
        return out;
    }
    out.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
        out.push_back('.');
        out.append(d.digits, 1);
    }
    out += "E";
    out += format_int(exponent);
    return out;
}

std::optional<double> parse_double(std::string_view text) {
    auto n = split_number(text);
    if (!n) return std::nullopt;
    std::string_view body = n->body;
    if (!body.empty() && body[0] == '+') body.remove_prefix(1);
    double value = 0;
    auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec != std::errc() || ptr != body.data() + body.size()) {
        // from_chars reports an underflow to zero as out of range too; a tiny number is still a
        // number (zero), a huge one is not.
        if (ec == std::errc::result_out_of_range && decimal_magnitude(*n) < 0) return n->negative ? -0.0 : 0.0;
        return std::nullopt;
    }
    return value;
}

std::optional<long long> parse_int(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && is_blank(text[b])) ++b;
    while (e > b && is_blank(text[e - 1])) --e;
    std::string_view body = text.substr(b, e - b);
    if (!body.empty() && body[0] == '+') body.remove_prefix(1);
    if (body.empty() || body[0] == '+') return std::nullopt;
    long long value = 0;
    auto [ptr, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (ec != std::errc() || ptr != body.data() + body.size()) return std::nullopt;
    return value;
}

namespace {

using Count = unsigned __int128;

// Whether dropping the digits `rest` (at least one) after the last kept one rounds the kept count
// up: halves go to the even count.
bool rounds_up(std::string_view rest, Count kept) {
    if (rest[0] > '5') return true;
    if (rest[0] < '5') return false;
    const bool beyond = rest.find_first_not_of('0', 1) != std::string_view::npos;
    return beyond || (kept % 2 == 1);
}

// mantissa x 10^shift as a whole count (the mantissa has no leading zero), rounded half to even
// on the dropped digits; nothing when the count passes `limit`.
std::optional<Count> whole_count(std::string_view mantissa, long long shift, Count limit) {
    const auto size = static_cast<long long>(mantissa.size());
    if (shift >= 0 && size + shift > 20) return std::nullopt;
    // When more digits are dropped than the mantissa has, the first dropped digit is a leading
    // zero: the value is below half a unit and the count is 0.
    if (shift < 0 && -shift > size) return Count{0};
    // The digits of the mantissa that form the integer count.
    const std::size_t whole_len = shift >= 0 ? mantissa.size() : static_cast<std::size_t>(size + shift);
    Count count = 0;
    for (std::size_t i = 0; i < whole_len; ++i) {
        count = count * 10 + static_cast<unsigned>(mantissa[i] - '0');
        if (count > limit) return std::nullopt;
    }
    for (long long i = 0; i < shift; ++i) {
        count *= 10;
        if (count > limit) return std::nullopt;
    }
    if (shift < 0 && rounds_up(mantissa.substr(whole_len), count)) {
        ++count;
        if (count > limit) return std::nullopt;
    }
    return count;
}

}  // namespace

Fixed4 parse_fixed4(std::string_view text) {
    Fixed4 result;
    auto n = split_number(text);
    if (!n) return result;

    // value = mantissa (all digits) x 10^shift, counted in ten-thousandths.
    std::string mantissa(n->int_digits);
    mantissa += n->frac_digits;
    const long long exponent = exponent_value(*n);
    const std::size_t nz = mantissa.find_first_not_of('0');
    result.status = Fixed4::Status::ok;
    if (nz == std::string::npos) {
        result.count = 0;
        return result;
    }
    mantissa.erase(0, nz);
    const long long shift = exponent - static_cast<long long>(n->frac_digits.size()) + 4;

    constexpr Count limit_pos = static_cast<Count>(std::numeric_limits<std::int64_t>::max());
    const auto count = whole_count(mantissa, shift, n->negative ? limit_pos + 1 : limit_pos);
    if (!count) {
        result.status = Fixed4::Status::overflow;
        result.count = 0;
        return result;
    }
    result.count = n->negative ? static_cast<std::int64_t>(-static_cast<__int128>(*count))
                               : static_cast<std::int64_t>(*count);
    return result;
}

double round_to_step(double x, double step) {
    long double q = static_cast<long double>(x) / static_cast<long double>(step);
    long double n = std::nearbyintl(q);  // the default rounding mode: halves to even
    return static_cast<double>(n * static_cast<long double>(step));
}

long long round_half_even(long double x) { return static_cast<long long>(std::nearbyintl(x)); }

}  // namespace ijken::text
