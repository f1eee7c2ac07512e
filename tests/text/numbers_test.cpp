#include "core/text/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace ijken::text;

struct FixedCase {
    double value;
    int decimals;
    int width;
    const char* expected;
};

class FormatFixed : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FormatFixed, MatchesTheShownText) {
    const auto& c = GetParam();
    EXPECT_EQ(format_fixed(c.value, c.decimals, c.width), c.expected) << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatFixed,
    ::testing::Values(
        // widths pad on the left with blanks, never cut
        FixedCase{1.705, 3, 5, "1.705"}, FixedCase{0, 3, 5, "0.000"}, FixedCase{3.41, 3, 5, "3.410"},
        FixedCase{363.8, 3, 5, "363.800"}, FixedCase{1.5, 1, 6, "   1.5"}, FixedCase{1200, 1, 3, "1200.0"},
        // 18 significant digits first, then halves away from zero
        FixedCase{0.5, 0, 0, "1"}, FixedCase{-0.5, 0, 0, "-1"}, FixedCase{2.5, 0, 0, "3"},
        FixedCase{1.0005, 3, 0, "1.000"},   // the double is 1.00049999999999994..., below the half
        FixedCase{2.0465, 3, 0, "2.046"},   // double is 2.04649999999999998578 -> 18 digits keep the 9s
        FixedCase{0.0005, 3, 0, "0.001"}, FixedCase{999.9996, 3, 0, "1000.000"},
        FixedCase{324.762, 3, 3, "324.762"}, FixedCase{328.172 - 3.41, 3, 3, "324.762"},
        // no negative zero
        FixedCase{-0.0004, 3, 0, "0.000"}, FixedCase{-0.0, 1, 0, "0.0"}, FixedCase{-2.557, 3, 3, "-2.557"},
        FixedCase{1e-300, 2, 0, "0.00"}, FixedCase{123456789012.0, 1, 0, "123456789012.0"}));

TEST(FormatInt, DigitsSignAndWidth) {
    EXPECT_EQ(format_int(0), "0");
    EXPECT_EQ(format_int(-42), "-42");
    EXPECT_EQ(format_int(7, 3), "  7");
    EXPECT_EQ(format_int(std::numeric_limits<long long>::min()), "-9223372036854775808");
}

struct GeneralCase {
    double value;
    const char* expected;
};
class FormatGeneral : public ::testing::TestWithParam<GeneralCase> {};
TEST_P(FormatGeneral, FifteenDigitsNoTrailingZeros) { EXPECT_EQ(format_general(GetParam().value), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(Cases, FormatGeneral,
                         ::testing::Values(GeneralCase{1.705, "1.705"}, GeneralCase{17.05, "17.05"},
                                           GeneralCase{0, "0"}, GeneralCase{12, "12"}, GeneralCase{0.5, "0.5"},
                                           GeneralCase{-1.25, "-1.25"}, GeneralCase{0.1 + 0.2, "0.3"},
                                           GeneralCase{0.00001, "0.00001"}, GeneralCase{0.000001, "1E-6"},
                                           GeneralCase{1.5e-7, "1.5E-7"}, GeneralCase{123456789012345.0, "123456789012345"},
                                           GeneralCase{1e15, "1E15"}, GeneralCase{-2.5e20, "-2.5E20"},
                                           GeneralCase{363.8, "363.8"}));

TEST(ParseDouble, AcceptsOnlyDotDecimalNumbers) {
    EXPECT_EQ(parse_double("200.5"), 200.5);
    EXPECT_EQ(parse_double("  -3.25  "), -3.25);
    EXPECT_EQ(parse_double("+7"), 7.0);
    EXPECT_EQ(parse_double("2e2"), 200.0);
    EXPECT_EQ(parse_double("1.5E-1"), 0.15);
    EXPECT_EQ(parse_double(".5"), 0.5);
    EXPECT_EQ(parse_double("5."), 5.0);
    EXPECT_EQ(parse_double("1e-400"), 0.0);  // too small: zero, still a number
    for (const char* bad : {"", " ", "abc", "200,5", "1.2.3", "1e", "1e+", "--1", "+-1", "1 000", ".", "e5",
                            "0x10", "1e400", "inf", "nan", "1_000"}) {
        EXPECT_FALSE(parse_double(bad).has_value()) << bad;
    }
}

TEST(ParseInt, WholeNumbersOnly) {
    EXPECT_EQ(parse_int("42"), 42);
    EXPECT_EQ(parse_int(" -7 "), -7);
    EXPECT_EQ(parse_int("+3"), 3);
    for (const char* bad : {"", "1.0", "abc", "9223372036854775808", "++1", "1e2"}) {
        EXPECT_FALSE(parse_int(bad).has_value()) << bad;
    }
}

struct Fixed4Case {
    const char* text;
    Fixed4::Status status;
    std::int64_t count;
};
class ParseFixed4 : public ::testing::TestWithParam<Fixed4Case> {};
TEST_P(ParseFixed4, CountsTenThousandthsExactly) {
    auto r = parse_fixed4(GetParam().text);
    EXPECT_EQ(r.status, GetParam().status) << GetParam().text;
    if (r.status == Fixed4::Status::ok) {
        EXPECT_EQ(r.count, GetParam().count) << GetParam().text;
    }
}
using S = Fixed4::Status;
INSTANTIATE_TEST_SUITE_P(
    Cases, ParseFixed4,
    ::testing::Values(Fixed4Case{"200.5", S::ok, 2005000}, Fixed4Case{"2e2", S::ok, 2000000},
                      Fixed4Case{"0.00005", S::ok, 0},      // half to even: 0
                      Fixed4Case{"0.00015", S::ok, 2},      // half to even: 2
                      Fixed4Case{"0.000150001", S::ok, 2}, Fixed4Case{"0.00025", S::ok, 2},
                      Fixed4Case{"0.000251", S::ok, 3}, Fixed4Case{"-0.00015", S::ok, -2},
                      Fixed4Case{"1e-20", S::ok, 0}, Fixed4Case{"5e-5", S::ok, 0}, Fixed4Case{"5.1e-5", S::ok, 1},
                      Fixed4Case{"000123.40000", S::ok, 1234000}, Fixed4Case{"922337203685477.5807", S::ok, INT64_MAX},
                      Fixed4Case{"-922337203685477.5808", S::ok, INT64_MIN},
                      Fixed4Case{"922337203685477.5808", S::overflow, 0}, Fixed4Case{"1e20", S::overflow, 0},
                      Fixed4Case{"1e999999999999", S::overflow, 0}, Fixed4Case{"1e-999999999999", S::ok, 0},
                      Fixed4Case{"abc", S::not_a_number, 0}, Fixed4Case{"1,5", S::not_a_number, 0}));

TEST(RoundToStep, ExtendedPrecisionQuotientHalvesToEven) {
    // The quotient by the double nearest 0.1 lies just below the half: down, not up.
    EXPECT_EQ(format_fixed(round_to_step(200.75, 0.1), 1), "200.7");
    EXPECT_EQ(format_fixed(round_to_step(200.25, 0.1), 1), "200.2");
    // The product 2007 x 0.1 is formed in extended precision and only then rounded to a double.
    EXPECT_EQ(round_to_step(200.75, 0.1), static_cast<double>(2007.0L * 0.1));
    EXPECT_EQ(round_to_step(1205.0 / 6, 0.1), 200.8);
    EXPECT_EQ(round_to_step(0.3410, 0.001), 0.341);
    EXPECT_EQ(round_to_step(0.8525, 0.001), 0.853);  // 1.705 * 0.5 as a double lies above the half
    EXPECT_EQ(format_fixed(round_to_step(-3.41 + 0.853, 0.001), 3), "-2.557");
    EXPECT_EQ(round_to_step(0.0, 0.1), 0.0);
}

TEST(RoundHalfEven, Integers) {
    EXPECT_EQ(round_half_even(4.5L), 4);
    EXPECT_EQ(round_half_even(5.5L), 6);
    EXPECT_EQ(round_half_even(-4.5L), -4);
    EXPECT_EQ(round_half_even(4.6L), 5);
}

TEST(ExtendedSteps, EachStepRoundsToDouble) {
    // 0.1 + 0.2 in extended precision, rounded once, is the same double as in double arithmetic here
    EXPECT_EQ(ext_add(0.1, 0.2), 0.30000000000000004);
    EXPECT_EQ(ext_sub(251.0, 200.8), 251.0 - 200.8);
    EXPECT_EQ(ext_div(1201.5, 6.0), 200.25);
}
