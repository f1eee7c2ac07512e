// The decimetre arithmetic: which decimetre rows a range gets, the expansion to centimetres
// digit for digit, and what input it refuses.
#include "core/shipdata/decimetre_table.h"

#include <gtest/gtest.h>

namespace ijken::shipdata {
namespace {

TEST(DecimetreImmersions, RowsForARange) {
    struct Case {
        int f, l;
        std::vector<int> rows;
    };
    auto tens = [](int from, int to) {
        std::vector<int> v;
        for (int c = from; c <= to; c += 10) v.push_back(c);
        return v;
    };
    std::vector<int> with_252 = tens(51, 251);
    with_252.push_back(252);
    const Case cases[] = {
        {52, 252, with_252},                     // 22 rows, the last one L
        {51, 250, tens(50, 250)},                // 21 rows ending on L exactly: no extra row
        {52, 51, {51}},           {52, 41, {}},  // L = F - 11
        {52, 42, {42}},                          // L = F - 10: only L
        {52, 50, {50}},                          // L = F - 2
        {0, 0, {-1, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(decimetre_immersions(c.f, c.l), c.rows) << c.f << ".." << c.l;
    EXPECT_EQ(decimetre_immersions(52, 252).size(), 22u);
}

std::vector<DecimetreRow> worked_example(const std::string& second) {
    const char* tonnages[] = {"0",       second.c_str(), "34.969",  "52.662",  "70.496",  "88.425",
                              "106.403", "124.485",      "142.742", "161.135", "179.613", "198.158",
                              "216.752", "235.380",      "254.030", "272.691", "291.351", "310.012",
                              "328.673", "347.334",      "365.995", "367.862"};
    std::vector<DecimetreRow> rows;
    const std::vector<int> cm = decimetre_immersions(52, 252);
    for (std::size_t i = 0; i < cm.size(); ++i) rows.push_back({std::to_string(cm[i]), tonnages[i]});
    return rows;
}

TEST(Expand, WorkedExampleDigitForDigitAlsoWithADecimalComma) {
    for (const std::string second : {"17.416", "17,416"}) {
        const CentimetreTable t = expand(52, 252, worked_example(second));
        ASSERT_EQ(t.tonnages.size(), 253u);
        for (int c = 0; c <= 51; ++c) EXPECT_EQ(t.tonnages[c], "0.000") << c;
        const std::pair<int, const char*> expected[] = {
            {52, "1.742"},  {53, "3.483"},  {56, "8.708"},    {60, "15.674"},   {61, "17.416"},
            {62, "19.171"}, {70, "33.214"}, {250, "364.129"}, {251, "365.995"}, {252, "367.862"}};
        for (auto [c, text] : expected) EXPECT_EQ(t.tonnages[c], text) << c << " with " << second;
        EXPECT_EQ(t.top_row, 252);
    }
}

TEST(Expand, ShortTablesAndAnEmptyFirstTonnage) {
    // One row: only the zero rows below F.
    CentimetreTable one = expand(52, 52, {{"51", ""}, {"52", "1.5"}});
    EXPECT_EQ(one.tonnages[51], "0.000");
    EXPECT_EQ(one.tonnages[52], "1.500");
    CentimetreTable only_zero = expand(52, 60, {{"51", "0"}});
    EXPECT_EQ(only_zero.tonnages[51], "0.000");
    EXPECT_EQ(only_zero.tonnages[60], "");
    EXPECT_EQ(only_zero.top_row, 0);
    // First centimetre 0: the row one below it has no place in the table.
    CentimetreTable from_zero = expand(0, 10, {{"-1", "0"}, {"9", "10"}, {"10", "11.5"}});
    EXPECT_EQ(from_zero.tonnages[0], "1.000");
    EXPECT_EQ(from_zero.tonnages[9], "10.000");
    EXPECT_EQ(from_zero.tonnages[10], "11.500");
}

TEST(Expand, RefusesWhatMakesNoTableWithAMessageNamingIt) {
    struct Case {
        int f, l;
        std::vector<DecimetreRow> rows;
        const char* message;
    };
    const Case cases[] = {
        {52, 40, {{"51", "0"}}, "De laatste CM (40) ligt onder de 1ste ingevulde CM (52)"},
        {52, 62, {{"51", "0"}, {"61", "veel"}, {"62", "2"}}, "De tonnage \"veel\" bij 61 cm is geen getal"},
        {52, 62, {{"51", "0"}, {"61", "-5"}, {"62", "2"}}, "De tonnage \"-5\" bij 61 cm is negatief"},
        {52, 62, {{"51", "0"}, {"61", "1e400"}, {"62", "2"}}, "De tonnage \"1e400\" bij 61 cm is te groot"},
        {52, 62, {{"51", "0"}, {"61", ""}, {"62", "2"}}, "Bij 61 cm is geen tonnage ingevuld"},
        {52,
         62,
         {{"51", "0"}, {"61", "1"}, {"", "2"}},
         "Regel 3 van de DM tabel heeft geen hele inzinking: \"\""},
        {52,
         62,
         {{"51", "0"}, {"71", "1"}},
         "Regel 2 van de DM tabel ligt met 71 cm buiten de tabel (tot 62 cm); maak de DM tabel opnieuw"},
        {52, 62, {{"51", "0"}, {"51", "1"}}, "De inzinkingen van de DM tabel moeten oplopen: 51 cm na 51 cm"},
    };
    for (const Case& c : cases) {
        try {
            expand(c.f, c.l, c.rows);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const TableError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
}

TEST(Tonnages, LoadedOnesShowThreeDecimalsOrMoreAndStoredOnesKeepWhatWasTyped) {
    const std::pair<double, const char*> shown[] = {
        {100, "100.000"}, {2.5, "2.500"}, {17.416, "17.416"}, {12.3456, "12.3456"}, {0.001, "0.001"}};
    for (auto [value, text] : shown) {
        EXPECT_EQ(tonnage_text(value), text);
        EXPECT_EQ(cm_tonnage(tonnage_text(value), 10), value) << text;
    }
    // A short zero or nothing is no row; a short tonnage that is no zero is one.
    for (const char* none : {"", "0", "0.0"}) EXPECT_EQ(cm_tonnage(none, 5), std::nullopt) << none;
    EXPECT_EQ(cm_tonnage("0.000", 5), 0.0);
    EXPECT_EQ(cm_tonnage("100", 5), 100.0);
    EXPECT_EQ(cm_tonnage("2,5", 5), 2.5);
    EXPECT_EQ(cm_tonnage("12.34567", 5), 12.34567);
    for (const char* bad : {"abc", "-0.5", "1e400"}) EXPECT_THROW(cm_tonnage(bad, 5), TableError) << bad;
}

}  // namespace
}  // namespace ijken::shipdata
