#pragma once
// The one place where numbers become text and text becomes numbers. Nothing here looks at the C
// locale: the decimal separator is always ".", there is never a thousands separator.
//
// The program's arithmetic is done step by step in extended precision (long double, 64-bit
// significand on this platform) with each step's result stored back as a double; the ext_* helpers
// make that explicit at the call site.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ijken::text {

// ---- formatting -------------------------------------------------------------------------------

// "%d" and "%Nd": decimal digits, a leading "-" when negative, padded with blanks on the left to
// at least `width` characters.
std::string format_int(long long value, int width = 0);

// "%N.Mf": the value taken to 18 significant decimal digits, then rounded at the last shown decimal
// with halves away from zero; a value that rounds to zero has no minus sign; padded with blanks on
// the left to at least `width` characters. format_fixed(2.0465, 3) is "2.047" only when the 18-digit
// form says so (it does not: the double is 2.04649999...).
std::string format_fixed(double value, int decimals, int width = 0);

// The general floating-point text form: at most 15 significant digits, no trailing zeros, no
// separator for a whole number; fixed-point when 0.00001 <= |v| and at most 15 digits stand before
// the separator, else scientific ("1.5E-7", "1E20"). 0 gives "0".
std::string format_general(double value);

// ---- parsing ----------------------------------------------------------------------------------

// A decimal number with "." as separator: optional leading and trailing blanks, an optional sign,
// digits with an optional fraction (".5" and "5." are accepted), an optional exponent ("e"/"E",
// optional sign, digits). nullopt when the text is not such a number or does not fit a double.
std::optional<double> parse_double(std::string_view text);

// A whole number: optional blanks around, optional sign, decimal digits only. nullopt when the text
// is not such a number or the value does not fit 64 bits.
std::optional<long long> parse_int(std::string_view text);

// A number held with four decimals as a count of ten-thousandths, computed exactly from the decimal
// text and rounded halves to even ("0.00005" -> 0, "0.00015" -> 2).
struct Fixed4 {
    enum class Status { ok, not_a_number, overflow };
    Status status = Status::not_a_number;
    std::int64_t count = 0;  // value * 10000, valid when status is ok
};
// Same text syntax as parse_double. overflow when the count does not fit a signed 64-bit integer.
Fixed4 parse_fixed4(std::string_view text);

// ---- arithmetic -------------------------------------------------------------------------------

// One arithmetic step in extended precision, the result rounded to a double.
inline double ext_add(double a, double b) { return static_cast<double>(static_cast<long double>(a) + b); }
inline double ext_sub(double a, double b) { return static_cast<double>(static_cast<long double>(a) - b); }
inline double ext_mul(double a, double b) { return static_cast<double>(static_cast<long double>(a) * b); }
inline double ext_div(double a, double b) { return static_cast<double>(static_cast<long double>(a) / b); }

// Rounds x to a multiple of `step` (0.1 or 0.001): divide by the double nearest the step in
// extended precision, round the quotient to an integer with halves to even, multiply back in
// extended precision and round to a double. 200.75 gives 200.7, because the double nearest 0.1 is
// a little above 0.1.
double round_to_step(double x, double step);

// Rounds to the nearest integer, halves to the even neighbour (4.5 -> 4, 5.5 -> 6).
long long round_half_even(long double x);

}  // namespace ijken::text
