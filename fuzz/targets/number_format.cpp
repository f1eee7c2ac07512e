// The fixed-decimals form and the general form of a double, against references built on the C
// library's correctly rounded conversions, and the general form read back.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/text/numbers.h"
#include "fuzz_check.h"

using namespace ijken;

namespace {

std::string pad(std::string s, int width) {
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

// The value's 18 significant digits, then rounded at the last shown decimal, halves away from zero.
std::string ref_fixed(double v, int decimals, int width) {
    if (std::isnan(v)) return pad("NAN", width);
    if (std::isinf(v)) return pad(v < 0 ? "-INF" : "INF", width);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(v));  // d.ddddddddddddddddde+XX
    std::string digits;
    const char* p = buf;
    for (; *p != 'e'; ++p) {
        if (*p != '.') digits += *p;
    }
    const int exp10 = std::atoi(p + 1);
    // digits[k] stands for 10^(exp10 - k). Lay them out on a wide fixed grid: positions for
    // 10^400 down to 10^-(decimals + 400).
    const int top = 400, bottom = -(decimals + 400);
    std::string grid(static_cast<std::size_t>(top - bottom + 1), '0');
    for (std::size_t k = 0; k < digits.size(); ++k)
        grid[static_cast<std::size_t>(top - (exp10 - static_cast<int>(k)))] = digits[k];
    const std::size_t last = static_cast<std::size_t>(top + decimals);  // 10^-decimals
    std::string kept = grid.substr(0, last + 1);
    if (grid[last + 1] >= '5') {
        std::size_t i = last + 1;
        while (i-- > 0) {
            if (kept[i] == '9') {
                kept[i] = '0';
            } else {
                ++kept[i];
                break;
            }
        }
    }
    std::string int_part = kept.substr(0, static_cast<std::size_t>(top) + 1);
    const std::string frac_part = kept.substr(static_cast<std::size_t>(top) + 1);
    int_part.erase(0, std::min(int_part.find_first_not_of('0'), int_part.size() - 1));
    const bool zero = int_part == "0" && frac_part.find_first_not_of('0') == std::string::npos;
    std::string out = (std::signbit(v) && !zero) ? "-" : "";
    out += int_part;
    if (decimals > 0) out += "." + frac_part;
    return pad(out, width);
}

// 15 significant digits (correctly rounded), trailing zeros dropped; plain notation for
// 1e-5 <= |v| < 1e15, else d.dddE±x.
std::string ref_general(double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
    std::string digits;
    const char* p = buf;
    for (; *p != 'e'; ++p) {
        if (*p != '.') digits += *p;
    }
    const int exp10 = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = v < 0 ? "-" : "";
    if (exp10 >= -5 && exp10 < 15) {
        if (exp10 >= 0) {
            std::string d = digits;
            if (d.size() < static_cast<std::size_t>(exp10) + 1)
                d.resize(static_cast<std::size_t>(exp10) + 1, '0');
            out += d.substr(0, static_cast<std::size_t>(exp10) + 1);
            if (d.size() > static_cast<std::size_t>(exp10) + 1)
                out += "." + d.substr(static_cast<std::size_t>(exp10) + 1);
        } else {
            out += "0." + std::string(static_cast<std::size_t>(-exp10 - 1), '0') + digits;
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exp10);
    return out;
}

std::string describe(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g (%a)", v, v);
    return buf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    double v = in.value<double>();
    const int decimals = in.byte() % 24;
    const int width = in.byte() % 40;
    // Now and then a value of the kind the program shows: a count of thousandths.
    if (in.byte() & 1) v = static_cast<double>(in.value<std::int32_t>()) / 1000.0;

    const std::string fixed = text::format_fixed(v, decimals, width);
    FUZZ_CHECK(fixed == ref_fixed(v, decimals, width), describe(v) + " with " + std::to_string(decimals) +
                                                           " decimals: \"" + fixed + "\", reference \"" +
                                                           ref_fixed(v, decimals, width) + "\"");

    const std::string general = text::format_general(v);
    FUZZ_CHECK(general == ref_general(v),
               describe(v) + ": \"" + general + "\", reference \"" + ref_general(v) + "\"");
    if (std::isfinite(v)) {
        // Read back, the general form gives a double within its 15 digits, and that double shows the
        // same general form again.
        const auto back = text::parse_double(general);
        // Only the largest doubles round, at 15 digits, past the largest double (1.79769313486232E308).
        if (!back && std::fabs(v) > 1.797693134862315e308) return 0;
        FUZZ_CHECK(back.has_value(), describe(v) + ": \"" + general + "\" does not read back");
        // 15 digits are within half a unit of the 15th digit (5e-15 of the value), and reading them back
        // rounds once more, by half an ulp.
        FUZZ_CHECK(std::fabs(*back - v) <= std::fabs(v) * 5.2e-15,
                   describe(v) + " read back as " + describe(*back));
        FUZZ_CHECK(text::format_general(*back) == general, describe(v) + ": general form not stable");
    }
    return 0;
}
