#include "core/survey/computation.h"

#include <gtest/gtest.h>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/text/numbers.h"
#include "support/temp_dir.h"

using namespace ijken;
using namespace ijken::survey;

namespace {

class Computation : public ::testing::Test {
protected:
    void SetUp() override { data::create_database(dir.db_path()); }

    // Dummy 1 as seeded: 3 gauge points, maximum immersion 251, first immersion 51.
    ShipParams dummy1{1, 3, 251, 51};
    ijken::testing::TempDir dir;

    // Readings at points 1, 3 and 5 of both sides, as the seeded surveys hold them.
    static SurveyInput survey(const char* bb_l[3], const char* sb_l[3], const char* bb_v[3], const char* sb_v[3],
                              const char* zout = "1.000") {
        SurveyInput in;
        in.readings.fill("0.0");
        const char** sides[4] = {bb_l, sb_l, bb_v, sb_v};
        for (int s = 0; s < 4; ++s) {
            in.readings[s * 5 + 0] = sides[s][0];
            in.readings[s * 5 + 2] = sides[s][1];
            in.readings[s * 5 + 4] = sides[s][2];
        }
        in.salt_correction = zout;
        return in;
    }

    long long count(const std::string& where) {
        data::SQLiteDatabase db(dir.db_path());
        return db.Query("select count(*) from IJKtable where " + where)->AsInteger(0);
    }

    double tonnage_at(int ship, int cm) {
        data::SQLiteDatabase db(dir.db_path());
        auto t = db.Query("select Tonnage from IJKtable where SchipID=" + text::format_int(ship) +
                          " and Inzinking=" + text::format_int(cm));
        return t->AsFloat(0);
    }

    IjkResultaat state(const ShipParams& ship, std::array<const char*, 5> bb, std::array<const char*, 5> sb) {
        std::array<double, 5> p, s;
        for (int i = 0; i < 5; ++i) {
            p[i] = reading_value(bb[i]);
            s[i] = reading_value(sb[i]);
        }
        return bereken_toestand(dir.db_path(), ship, p, s);
    }
};

const char* kEmpty3[3] = {"220", "200", "180"};
const char* kLoaded3[3] = {"20", "20", "20"};

}  // namespace

TEST_F(Computation, SeededSurveyGrainCoop3ShowsTheCargo) {
    auto r = recompute(dir.db_path(), dummy1, survey(kEmpty3, kEmpty3, kLoaded3, kLoaded3));
    const auto& c = r.cells;
    EXPECT_EQ(c.e01, "1200.0");
    EXPECT_EQ(c.e11, "200.0");
    EXPECT_EQ(c.e21, "51.0");
    EXPECT_EQ(c.e31, "3.410");
    EXPECT_EQ(c.e02, "120.0");
    EXPECT_EQ(c.e12, "20.0");
    EXPECT_EQ(c.e22, "231.0");
    EXPECT_EQ(c.e32, "328.172");
    EXPECT_EQ(c.e42, "324.762");
    EXPECT_EQ(c.e52, "324.762");
    EXPECT_EQ(r.leeg.cm_laag, 51);
    EXPECT_EQ(r.leeg.cm_hoog, 52);
    EXPECT_EQ(r.leeg.fractie, 0.0);
    EXPECT_EQ(text::format_fixed(r.leeg.per_cm, 3), "1.705");
    EXPECT_EQ(r.leeg.fractie_tonnage, 0.0);
    EXPECT_EQ(count("Tonnage < 0"), 0) << "an immersion inside the table extends nothing";
}

TEST_F(Computation, SaltFactorMultipliesTheCargo) {
    auto r = recompute(dir.db_path(), dummy1, survey(kEmpty3, kEmpty3, kLoaded3, kLoaded3, "1.025"));
    EXPECT_EQ(r.cells.e52, "332.881");
    // A factor that is not a number counts as 1.
    r = recompute(dir.db_path(), dummy1, survey(kEmpty3, kEmpty3, kLoaded3, kLoaded3, "1._2_"));
    EXPECT_EQ(r.cells.e52, "324.762");
}

TEST_F(Computation, InterpolatesBetweenWholeCentimetres) {
    auto r = state(dummy1, {"200", "0", "200.5", "0", "200"}, {"201", "0", "200", "0", "203.5"});
    EXPECT_EQ(text::format_fixed(r.totaal, 1), "1205.0");
    EXPECT_EQ(text::format_fixed(r.gemiddeld, 1), "200.8");
    EXPECT_EQ(text::format_fixed(r.inzinking, 1), "50.2");
    EXPECT_EQ(r.cm_laag, 50);
    EXPECT_EQ(r.cm_hoog, 51);
    EXPECT_EQ(text::format_fixed(r.fractie, 1), "0.2");
    EXPECT_EQ(text::format_fixed(r.per_cm, 3), "1.705");
    EXPECT_EQ(text::format_fixed(r.fractie_tonnage, 3), "0.341");
    EXPECT_EQ(text::format_fixed(r.tonnage, 3), "2.046");
}

TEST_F(Computation, MeanRoundsTheExactBinaryHalfDown) {
    ShipParams one_point{1, 1, 251, 51};
    auto r = state(one_point, {"0", "0", "200.5", "0", "0"}, {"0", "0", "201.0", "0", "0"});
    EXPECT_EQ(text::format_fixed(r.totaal, 1), "401.5");
    EXPECT_EQ(text::format_fixed(r.gemiddeld, 1), "200.7");
    r = state(dummy1, {"200", "0", "200", "0", "200"}, {"200", "0", "200", "0", "201.5"});
    EXPECT_EQ(text::format_fixed(r.gemiddeld, 1), "200.2");
}

TEST(ReadingText, CommaPointAndBadText) {
    EXPECT_EQ(waarde_uit_tekst("200,5"), waarde_uit_tekst("200.5"));
    EXPECT_EQ(waarde_uit_tekst("200.5"), 2005000);
    EXPECT_EQ(waarde_uit_tekst("1,2,3"), 0);
    EXPECT_EQ(waarde_uit_tekst("abc"), 0);
    EXPECT_EQ(waarde_uit_tekst(""), 0);
    EXPECT_EQ(waarde_uit_tekst("5"), 50000);
    EXPECT_EQ(waarde_uit_tekst("-"), 0);
    EXPECT_EQ(waarde_uit_tekst("2e2"), 2000000);
    EXPECT_EQ(waarde_uit_tekst(" 12.00005 "), 120000);  // half to even
    EXPECT_THROW(waarde_uit_tekst("1e20"), ReadingOverflow);
    EXPECT_THROW(waarde_uit_tekst("922337203685477.6"), ReadingOverflow);
    EXPECT_EQ(waarde_uit_tekst("922337203685477.5"), 9223372036854775000);
}

TEST(GaugePoints, InUseByNumberOfPoints) {
    using A = std::array<bool, 5>;
    EXPECT_EQ(points_in_use(1), (A{false, false, true, false, false}));
    EXPECT_EQ(points_in_use(2), (A{true, false, false, false, true}));
    EXPECT_EQ(points_in_use(3), (A{true, false, true, false, true}));
    EXPECT_EQ(points_in_use(4), (A{true, true, false, true, true}));
    EXPECT_EQ(points_in_use(5), (A{true, true, true, true, true}));
    EXPECT_EQ(points_in_use(0), (A{}));
    EXPECT_EQ(points_in_use(6), (A{}));
}

TEST_F(Computation, ImmersionBelowTheTableExtendsItDownwardOnce) {
    auto r = state(dummy1, {"203.5", "0", "203.5", "0", "203.5"}, {"203.5", "0", "203.5", "0", "203.5"});
    EXPECT_EQ(text::format_fixed(r.inzinking, 1), "47.5");
    EXPECT_EQ(count("SchipID=1 and Tonnage < 0"), 30);
    EXPECT_EQ(tonnage_at(1, 48), -1.705);
    EXPECT_EQ(tonnage_at(1, 47), -3.41);
    EXPECT_EQ(tonnage_at(1, 19), -51.15);
    EXPECT_EQ(tonnage_at(1, 18), 0.0);
    EXPECT_EQ(count("SchipID=1 and Inzinking > 249"), 0) << "no row at 251: nothing above";
    EXPECT_EQ(text::format_fixed(r.tonnage_laag, 3), "-3.410");
    EXPECT_EQ(text::format_fixed(r.tonnage_hoog, 3), "-1.705");
    EXPECT_EQ(text::format_fixed(r.fractie, 1), "0.5");
    EXPECT_EQ(text::format_fixed(r.fractie_tonnage, 3), "0.853");
    EXPECT_EQ(text::format_fixed(r.tonnage, 3, 3), "-2.557");

    // A second immersion outside the table writes nothing more.
    state(dummy1, {"230", "0", "230", "0", "230"}, {"230", "0", "230", "0", "230"});
    EXPECT_EQ(count("SchipID=1 and Tonnage < 0"), 30);
    EXPECT_EQ(count("SchipID=1"), 250);
}

TEST_F(Computation, ImmersionsAtTheTableEdgesDoNotExtend) {
    // 251 - 201 = 50.0: below the first immersion but not below it minus one.
    state(dummy1, {"201", "0", "201", "0", "201"}, {"201", "0", "201", "0", "201"});
    // All readings 0: the immersion is the maximum, whose rows do not exist on this ship.
    auto r = state(dummy1, {"0", "0", "0", "0", "0"}, {"0", "0", "0", "0", "0"});
    EXPECT_EQ(count("Tonnage < 0"), 0);
    EXPECT_EQ(text::format_fixed(r.tonnage, 3), "0.000");
}

TEST_F(Computation, ImmersionAboveTheTableContinuesTheLastCentimetre) {
    {
        data::SQLiteDatabase db(dir.db_path());
        db.Execute("INSERT INTO Schiptable(Name,Aantal_ijken,Max_inzinking,Min_inzinking) VALUES ('Top',1,100,0)");
        db.Execute("INSERT INTO IJKtable VALUES (6, 99, 100.000)");
        db.Execute("INSERT INTO IJKtable VALUES (6, 100, 102.000)");
    }
    ShipParams top{6, 1, 100, 0};
    // Readings of -0.5 on both sides: mean -0.5, immersion 100.5.
    auto r = state(top, {"0", "0", "-0.5", "0", "0"}, {"0", "0", "-0.5", "0", "0"});
    EXPECT_EQ(count("SchipID=6 and Tonnage < 0"), 30);
    EXPECT_EQ(tonnage_at(6, 101), -104.0);
    EXPECT_EQ(tonnage_at(6, 130), -162.0);
    EXPECT_EQ(text::format_fixed(r.tonnage_laag, 3), "102.000");
    EXPECT_EQ(text::format_fixed(r.tonnage_hoog, 3), "104.000");
    EXPECT_EQ(text::format_fixed(r.tonnage, 3), "103.000");

    // Exactly at the maximum: the row above is read as stored, but the weight is 0.
    r = state(top, {"0", "0", "0", "0", "0"}, {"0", "0", "0", "0", "0"});
    EXPECT_EQ(text::format_fixed(r.tonnage, 3), "102.000");
}

TEST_F(Computation, ValueAtAPointNotInUseStillCounts) {
    auto r = state(dummy1, {"220", "6", "200", "0", "180"}, {"220", "0", "200", "0", "180"});
    EXPECT_EQ(text::format_fixed(r.totaal, 1), "1206.0");
    EXPECT_EQ(text::format_fixed(r.gemiddeld, 1), "201.0");  // still divided by 6
}

TEST_F(Computation, ShipWithoutGaugeTableWeighsNothing) {
    ShipParams dummy2{2, 3, 250, 0};
    auto r = recompute(dir.db_path(), dummy2, survey(kEmpty3, kEmpty3, kLoaded3, kLoaded3));
    EXPECT_EQ(r.cells.e31, "0.000");
    EXPECT_EQ(r.cells.e32, "0.000");
    EXPECT_EQ(r.cells.e42, "0.000");
}

TEST_F(Computation, UnholdableReadingChangesNothing) {
    const char* below[3] = {"240", "240", "240"};  // would extend the table
    const char* huge[3] = {"1e20", "20", "20"};
    EXPECT_THROW(recompute(dir.db_path(), dummy1, survey(below, below, huge, kLoaded3)), ReadingOverflow);
    EXPECT_EQ(count("Tonnage < 0"), 0);
    try {
        waarde_uit_tekst("1e20");
    } catch (const ReadingOverflow& e) {
        EXPECT_STREQ(e.what(), "De aflezing \"1e20\" is te groot om mee te rekenen");
    }
}

TEST_F(Computation, ShipWithoutGaugePointsIsRefusedClearly) {
    ShipParams none{1, 0, 251, 51};
    EXPECT_THROW(state(none, {"1", "0", "0", "0", "0"}, {"0", "0", "0", "0", "0"}), std::runtime_error);
    // A mean far beyond any table is refused instead of overflowing the whole centimetres.
    ShipParams one{1, 1, 251, 51};
    EXPECT_THROW(state(one, {"0", "0", "900000000000000", "0", "0"}, {"0", "0", "900000000000000", "0", "0"}),
                 std::runtime_error);
}
