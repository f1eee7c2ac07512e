// The reading parser (waarde_uit_tekst) and the salt factor, against a slow reference that follows
// the written rules step by step with decimal strings; and a round trip: every count of
// ten-thousandths, written out as a decimal text, reads back as that count.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "core/survey/computation.h"
#include "core/text/numbers.h"
#include "fuzz_check.h"

using namespace ijken;

namespace {

// A number text taken apart by the rules: blanks (space, tab) around, a sign, digits with an
// optional fraction (at least one digit in all), an optional exponent with at least one digit.
struct RefNumber {
    bool negative = false;
    std::string digits;    // integer digits then fraction digits
    long long frac = 0;    // how many of them are fraction digits
    std::string exponent;  // digits only
    bool exponent_negative = false;
    std::string body;  // without the blanks
};

std::optional<RefNumber> ref_split(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    RefNumber n;
    n.body = text.substr(b, e - b);
    const std::string& s = n.body;
    std::size_t i = 0;
    auto digit = [&](std::size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '9'; };
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) n.negative = s[i++] == '-';
    int seen = 0;
    while (digit(i)) n.digits += s[i++], ++seen;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (digit(i)) n.digits += s[i++], ++n.frac, ++seen;
    }
    if (seen == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) n.exponent_negative = s[i++] == '-';
        if (!digit(i)) return std::nullopt;
        while (digit(i)) n.exponent += s[i++];
    }
    if (i != s.size()) return std::nullopt;
    return n;
}

enum class RefStatus { ok, nan, overflow };

// count = the value times 10^4, rounded halves to even, by building the integer and fraction
// digit strings in full.
RefStatus ref_count(const RefNumber& n, long long& count) {
    std::string d = n.digits;
    d.erase(0, std::min(d.find_first_not_of('0'), d.size()));
    if (d.empty()) {
        count = 0;
        return RefStatus::ok;
    }
    std::string ex = n.exponent;
    ex.erase(0, std::min(ex.find_first_not_of('0'), ex.size()));
    long long x = 0;
    if (ex.size() > 7) {
        x = 100000000;  // far beyond any count either way
    } else if (!ex.empty()) {
        x = std::stoll(ex);
    }
    if (n.exponent_negative) x = -x;
    // value * 10^4 = d * 10^shift
    const long long shift = x - n.frac + 4;
    std::string whole, rest;
    if (shift >= 0) {
        if (shift + static_cast<long long>(d.size()) > 40) return RefStatus::overflow;
        whole = d + std::string(static_cast<std::size_t>(shift), '0');
    } else if (-shift >= static_cast<long long>(d.size())) {
        if (-shift > 1000000) {
            count = 0;
            return RefStatus::ok;
        }
        whole = "0";
        rest = std::string(static_cast<std::size_t>(-shift) - d.size(), '0') + d;
    } else {
        whole = d.substr(0, d.size() - static_cast<std::size_t>(-shift));
        rest = d.substr(d.size() - static_cast<std::size_t>(-shift));
    }
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
    if (whole.size() > 19) return RefStatus::overflow;
    unsigned __int128 w = 0;
    for (char c : whole) w = w * 10 + static_cast<unsigned>(c - '0');
    if (!rest.empty()) {
        const bool more = rest.find_first_not_of('0', 1) != std::string::npos;
        if (rest[0] > '5' || (rest[0] == '5' && (more || w % 2 == 1))) ++w;
    }
    const unsigned __int128 limit =
        n.negative ? (unsigned __int128)1 << 63 : ((unsigned __int128)1 << 63) - 1;
    if (w > limit) return RefStatus::overflow;
    count = n.negative ? static_cast<long long>(-static_cast<__int128>(w)) : static_cast<long long>(w);
    return RefStatus::ok;
}

void check_reading(const std::string& text) {
    std::string t = text;
    if (t.empty())
        t = "0.0";
    else if (t.size() == 1)
        t += ".0";
    if (auto comma = t.find(','); comma != std::string::npos) t[comma] = '.';
    long long expected = 0;
    RefStatus status = RefStatus::nan;
    if (auto n = ref_split(t)) status = ref_count(*n, expected);
    if (status == RefStatus::nan) expected = 0;

    bool overflowed = false;
    long long got = 0;
    try {
        got = survey::waarde_uit_tekst(text);
    } catch (const survey::ReadingOverflow&) {
        overflowed = true;
    }
    FUZZ_CHECK(overflowed == (status == RefStatus::overflow),
               "overflow disagrees for \"" + fuzz::shown(text) + "\"");
    if (!overflowed) {
        FUZZ_CHECK(got == expected, "\"" + fuzz::shown(text) + "\": got " + std::to_string(got) +
                                        ", reference " + std::to_string(expected));
    }
}

// The salt factor: the text as a double, the nearest one, by the C library's own conversion (the
// fuzz process runs in the "C" locale); not a number, or too large for a double, is "none".
void check_salt_factor(const std::string& text) {
    const auto got = text::parse_double(text);
    const auto n = ref_split(text);
    if (!n) {
        FUZZ_CHECK(!got, "\"" + fuzz::shown(text) + "\" is no number but was read as one");
        return;
    }
    errno = 0;
    const double expected = std::strtod(n->body.c_str(), nullptr);
    if (errno == ERANGE && std::isinf(expected)) {
        FUZZ_CHECK(!got, "\"" + fuzz::shown(text) + "\" is beyond a double but was read");
        return;
    }
    FUZZ_CHECK(got.has_value(), "\"" + fuzz::shown(text) + "\" is a number but was refused");
    FUZZ_CHECK(std::memcmp(&*got, &expected, sizeof expected) == 0,
               "\"" + fuzz::shown(text) + "\": got " + std::to_string(*got) + ", nearest double " +
                   std::to_string(expected));
}

// Any count, written with four decimals (and a comma now and then), reads back as itself.
void check_round_trip(long long count, bool comma) {
    const bool negative = count < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(count) : count;
    std::string frac = std::to_string(magnitude % 10000);
    frac.insert(0, 4 - frac.size(), '0');
    const std::string text =
        (negative ? "-" : "") + std::to_string(magnitude / 10000) + (comma ? "," : ".") + frac;
    const long long got = survey::waarde_uit_tekst(text);
    FUZZ_CHECK(got == count, text + " read back as " + std::to_string(got));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    check_reading(text);
    check_salt_factor(text);
    fuzz::Input in(data, size);
    const auto count = in.value<long long>();
    check_round_trip(count, (in.byte() & 1) != 0);
    return 0;
}
