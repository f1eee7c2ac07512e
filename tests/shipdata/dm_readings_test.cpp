// Pins how the expansion reads its rounding rules: the step rounded to four decimals with halves
// to even, and each centimetre rounded to 0.001 by the survey computation's rule (the quotient by
// the double nearest 0.001 in extended precision, halves to even). Each table below shows a
// different centimetre under some other reading of the same words; the tables were found by
// tests/tools/search_dm_readings.cpp.
#include <gtest/gtest.h>

#include "core/shipdata/decimetre_table.h"

namespace ijken::shipdata {
namespace {

TEST(DmReadings, EachReadingOfTheRoundingIsPinned) {
    struct Case {
        const char* t0;  // tonnage at 51 cm
        const char* t1;  // tonnage at 61 cm
        int cm;
        const char* shown;
        const char* other;  // the reading under which the centimetre would show otherwise
    };
    const Case cases[] = {
        {"902.4298", "904.4782", 58, "903.863", "step unrounded: 903.864"},
        {"1.6943", "2.1568", 59, "2.065", "step unrounded: 2.064"},
        {"1.6239", "10.4104", 52, "2.502", "step rounded halves away from zero: 2.503"},
        {"1.6943", "2.1568", 55, "1.879", "t rounded in double arithmetic: 1.880"},
        {"837.3371", "846.8929", 55, "841.159", "t rounded in double arithmetic: 841.160"},
        {"837.3371", "846.8929", 60, "845.937", "t printed unrounded (%.3f): 845.938"},
        {"380.7142", "384.6957", 54, "381.908", "t printed unrounded (%.3f): 381.909"},
    };
    for (const Case& c : cases) {
        const CentimetreTable t = expand(52, 61, {{"51", c.t0}, {"61", c.t1}});
        EXPECT_EQ(t.tonnages.at(static_cast<std::size_t>(c.cm)), c.shown)
            << c.t0 << " .. " << c.t1 << " at " << c.cm << " cm; " << c.other;
    }
}

}  // namespace
}  // namespace ijken::shipdata
