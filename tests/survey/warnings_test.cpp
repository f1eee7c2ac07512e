// The warnings beside the result grid: which survey raises which warning, and how they read.
#include "core/survey/warnings.h"

#include <gtest/gtest.h>

#include <optional>

using namespace ijken::survey;

namespace {

// Dummy 1: 3 gauge points (1, 3, 5), table from 51 to 251 cm.
const ShipParams kShip{1, 3, 251, 51};

struct Case {
    const char* name;
    // Port and starboard readings of points 1-5, empty then loaded.
    std::array<const char*, 5> bb_l, sb_l, bb_v, sb_v;
    double immersion_empty, immersion_loaded;
    std::vector<Warning> expected;
};

Warning outside(char state, double immersion) {
    return {.kind = WarningKind::outside_table, .state = state, .immersion = immersion};
}
Warning differ(char state, int point, double cm) {
    return {.kind = WarningKind::side_difference, .state = state, .point = point, .difference = cm};
}
Warning zero(char state, int point, char side) {
    return {.kind = WarningKind::zero_reading, .state = state, .point = point, .side = side};
}

constexpr std::array<const char*, 5> kFilled{"220", "0", "200", "0", "180"};
constexpr std::array<const char*, 5> kLoaded{"20", "0", "20", "0", "20"};
constexpr std::array<const char*, 5> kAllZero{"0", "0", "0", "0", "0"};

// clang-format off
const Case kCases[] = {
    {"clean survey", kFilled, kFilled, kLoaded, kLoaded, 51.0, 231.0, {}},
    {"immersion exactly at both ends of the table", kFilled, kFilled, kLoaded, kLoaded, 51.0, 251.0, {}},
    {"empty immersion below the table", kFilled, kFilled, kLoaded, kLoaded, 50.9, 231.0, {outside('l', 50.9)}},
    {"loaded immersion above the table", kFilled, kFilled, kLoaded, kLoaded, 60.0, 251.1, {outside('v', 251.1)}},
    {"10 cm apart is still fine",
     {"210", "0", "200", "0", "180"}, kFilled, kLoaded, kLoaded, 60.0, 231.0, {}},
    {"just over 10 cm apart",
     kFilled, kFilled, kLoaded, {"20", "0", "30,5", "0", "20"}, 60.0, 231.0, {differ('v', 3, 10.5)}},
    {"a point left at 0 among filled ones",
     kFilled, {"220", "0", "200", "0", "0"}, kLoaded, kLoaded, 60.0, 231.0, {zero('l', 5, 's')}},
    {"both sides of a point at 0, unreadable text counts as 0",
     {"abc", "0", "200", "0", "180"}, {"", "0", "200", "0", "180"}, kLoaded, kLoaded, 60.0, 231.0,
     {zero('l', 1, 'b'), zero('l', 1, 's')}},
    {"a state not filled in yet", kFilled, kFilled, kAllZero, kAllZero, 60.0, 251.0, {}},
    {"points not in use are not looked at",
     {"220", "999", "200", "0", "180"}, {"220", "0", "200", "5", "180"}, kLoaded, kLoaded, 60.0, 231.0, {}},
    {"table first, then the points in order; empty state before loaded",
     {"220", "0", "200", "0", "0"}, {"235", "0", "200", "0", "180"}, kLoaded, {"0", "0", "20", "0", "20"}, 40.0,
     260.0,
     {outside('l', 40.0), differ('l', 1, 15.0), zero('l', 5, 'b'), outside('v', 260.0), zero('v', 1, 's')}},
};
// clang-format on

TEST(Warnings, FoundForEachKindOfDoubtfulSurvey) {
    for (const Case& c : kCases) {
        SurveyInput input;
        for (int i = 0; i < 5; ++i) {
            input.readings[i] = c.bb_l[i];
            input.readings[5 + i] = c.sb_l[i];
            input.readings[10 + i] = c.bb_v[i];
            input.readings[15 + i] = c.sb_v[i];
        }
        Recomputation r;
        r.leeg.inzinking = c.immersion_empty;
        r.vol.inzinking = c.immersion_loaded;
        EXPECT_EQ(find_warnings(kShip, input, r), c.expected) << c.name;
    }
}

TEST(Warnings, ReadWithTheirValuesInDutchByDefaultAndFollowATranslatedTemplate) {
    const std::vector<Warning> found = {outside('l', 47.5), differ('l', 3, 12.25), zero('v', 5, 's')};
    EXPECT_EQ(warnings_field(found, kShip),
              "Leeg: inzinking 47.5 buiten ijktabel 51-251: ge\xEBxtrapoleerd; "
              "Leeg: punt 3 BB/SB 12.3 cm verschil; Vol: punt 5 SB op 0");
    EXPECT_EQ(warnings_field({}, kShip), "");

    // One line per state, as the main window shows them.
    WarningTexts fr;
    fr.empty = "Vide";
    fr.outside_table = "table %2-%3 cm, enfoncement %1 cm (100%)";
    EXPECT_EQ(warning_lines(found, kShip, fr),
              (std::vector<std::string>{
                  "Vide: table 51-251 cm, enfoncement 47.5 cm (100%); punt 3 BB/SB 12.3 cm verschil",
                  "Vol: punt 5 SB op 0"}));
    // A placeholder with no value stays as it is.
    EXPECT_EQ(fill_template("%1 %2 %9", {"a"}), "a %2 %9");
}

}  // namespace

namespace {

// A lookup that found no row reads its tonnage as 0 (as designed); the warning then names the
// row instead of calling the figure an extrapolation, in the state it happened in.
TEST(Warnings, ALookupWithoutARowIsToldInsteadOfAnExtrapolation) {
    struct RowCase {
        const char* name;
        double immersion_empty;
        std::optional<std::int32_t> missing_empty;
        std::vector<Warning> expected;
    };
    const Warning no_row{.kind = WarningKind::no_table_row, .state = 'l', .immersion = 276};
    const RowCase cases[] = {
        {"above the table, the row there", 276.0, std::nullopt, {outside('l', 276.0)}},
        {"above the table, no row", 276.0, 276, {no_row}},
        {"inside the table, a hole in it", 120.0, 276, {no_row}},
    };
    for (const RowCase& c : cases) {
        SurveyInput input;
        for (int i = 0; i < 5; ++i) {
            input.readings[i] = input.readings[5 + i] = kFilled[i];
            input.readings[10 + i] = input.readings[15 + i] = kLoaded[i];
        }
        Recomputation r;
        r.leeg.inzinking = c.immersion_empty;
        r.leeg.missing_row = c.missing_empty;
        r.vol.inzinking = 231.0;
        EXPECT_EQ(find_warnings(kShip, input, r), c.expected) << c.name;
    }
    EXPECT_EQ(warnings_field({no_row}, kShip), "Leeg: geen ijktabelrij bij 276 cm: tonnage als 0 t gelezen");
}

}  // namespace
