// The look over a centimetre table before it is stored: typing errors are found, a smooth table
// (including its zero rows and rounding to thousandths) is not.
#include "core/shipdata/table_check.h"

#include <gtest/gtest.h>

#include "core/shipdata/decimetre_table.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {
namespace {

using Kind = TableFinding::Kind;

// The certificate's worked example expanded to centimetres, as the window stores it.
std::vector<TableRow> worked_example() {
    const char* tonnages[] = {"0",       "17.416",  "34.969",  "52.662",  "70.496",  "88.425",
                              "106.403", "124.485", "142.742", "161.135", "179.613", "198.158",
                              "216.752", "235.380", "254.030", "272.691", "291.351", "310.012",
                              "328.673", "347.334", "365.995", "367.862"};
    std::vector<DecimetreRow> dm;
    const std::vector<int> cms = decimetre_immersions(52, 252);
    for (std::size_t i = 0; i < cms.size(); ++i) dm.push_back({text::format_int(cms[i]), tonnages[i]});
    const CentimetreTable cm = expand(52, 252, dm);
    std::vector<TableRow> rows;
    for (std::size_t c = 0; c < cm.tonnages.size(); ++c)
        rows.push_back({static_cast<int>(c), *text::parse_double(cm.tonnages[c])});
    return rows;
}

// "kind@cm" per finding, for compact expectations.
std::vector<std::string> found(const std::vector<TableRow>& rows) {
    std::vector<std::string> v;
    for (const TableFinding& b : check_table(rows))
        v.push_back((b.kind == Kind::falls ? "daalt@" : "sprong@") + text::format_int(b.immersion));
    return v;
}

TEST(TableCheck, FindsTypingErrorsAndNothingInASmoothTable) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, double>> changes;  // cm -> typed tonnage
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"the worked example as expanded", {}, {}},
        // 122.68 typed as 1226.8: a jump into the row, a fall after it.
        {"a decimal point moved", {{100, 1226.8}}, {"sprong@100", "daalt@101"}},
        // 81.5 where about 122.7 belongs: it falls, and the step out of it is a jump.
        {"a digit dropped", {{100, 81.5}}, {"daalt@100", "sprong@101"}},
        {"an equal row", {{150, 0}}, {"daalt@150", "sprong@151"}},
        {"the last centimetre too large", {{252, 380.0}}, {"sprong@252"}},
        {"a zero row in the middle is a fall", {{60, 0}}, {"daalt@60", "sprong@61"}},
    };
    for (const Case& c : cases) {
        std::vector<TableRow> rows = worked_example();
        for (const auto& [cm, t] : c.changes) rows[static_cast<std::size_t>(cm)].tonnage = t;
        EXPECT_EQ(found(rows), c.expected) << c.what;
    }

    // No rows, only zero rows, rows with gaps that rise evenly: nothing.
    EXPECT_TRUE(check_table({}).empty());
    EXPECT_TRUE(check_table({{0, 0}, {1, 0}, {2, 0}}).empty());
    EXPECT_TRUE(check_table({{10, 0}, {11, 2}, {13, 6}, {14, 8}, {20, 20}}).empty());
    // Steps differing only by rounding to thousandths, on a ship that gains little per cm.
    EXPECT_TRUE(check_table({{0, 0}, {1, 0.001}, {2, 0.004}, {3, 0.005}, {4, 0.006}}).empty());
}

TEST(TableCheck, QuestionListsTheRowsAndCountsTheRest) {
    TableCheckTexts t;
    std::vector<TableFinding> b(kMaxListed + 2);
    b[0] = {Kind::falls, 100, 81.5, 99, 120.87, 0, 0};
    b[1] = {Kind::jump, 101, 124.485, 100, 81.5, 42.985, 1.808};
    const std::string q = check_question(b, t);
    EXPECT_EQ(q.substr(0, q.find('\n', q.find('\n', q.find('\n') + 1) + 1)),
              "De IJK tabel lijkt tikfouten te bevatten:\n"
              "100 cm: 81.500 t is niet meer dan 120.870 t bij 99 cm\n"
              "101 cm: stap 42.985 t/cm, meer dan 3 keer de stap ernaast (1.808 t/cm)");
    EXPECT_NE(q.find("\n... en nog 2\n\nToch opslaan zoals hij is?"), std::string::npos) << q;
    // A language file's template reorders the values.
    t.falls = "%3 cm (%4) > %1 cm (%2)";
    const std::string fr = check_question({b[0]}, t);
    EXPECT_NE(fr.find("\n99 cm (120.870) > 100 cm (81.500)\n"), std::string::npos) << fr;
}

}  // namespace
}  // namespace ijken::shipdata
