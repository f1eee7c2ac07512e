// The string grid: who may write which cell, how a change is told, and pasting a copied column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/forms/forms.h"
#include "core/text/numbers.h"

namespace ijken::forms {
namespace {

// A grid as the decimetre table: two columns, header row and immersion column fixed, five rows of
// tonnages to fill.
struct GridFixture : ::testing::Test {
    StringGrid grid{"dmklad", nullptr, Rect{8, 18, 185, 359}, 2, 6};
    std::vector<std::string> told;  // "cell c r" and "control"
    std::vector<std::string> edited;

    void SetUp() override {
        grid.set_editing(true);
        for (int r = 1; r < 6; ++r) grid.set_cell(0, r, text::format_int(41 + 10 * r));
        grid.add_cell_observer([this](int c, int r) { told.push_back("cell " + std::to_string(c) + " " + std::to_string(r)); });
        grid.add_observer([this](Control&) { told.push_back("control"); });
        grid.on_edit = [this](int c, int r) { edited.push_back(grid.cell(c, r) + "@" + std::to_string(r)); };
    }
    std::vector<std::string> column(int c) const {
        std::vector<std::string> v;
        for (int r = 1; r < grid.row_count(); ++r) v.push_back(grid.cell(c, r));
        return v;
    }
};

TEST_F(GridFixture, UserEditsOnlyTheCellsThatAreNotHeadersAndOnlyWhileEditingIsOn) {
    EXPECT_FALSE(grid.edit(0, 2, "99"));  // the immersion column is fixed
    EXPECT_FALSE(grid.edit(1, 0, "x"));   // so is the header row
    EXPECT_FALSE(grid.edit(1, 6, "x"));   // beyond the last row
    EXPECT_TRUE(grid.edit(1, 2, "17.416"));
    EXPECT_TRUE(grid.edit(1, 2, "17.416"));  // taken, but no change: nobody told
    EXPECT_EQ(grid.cell(0, 2), "61");
    EXPECT_EQ(edited, std::vector<std::string>{"17.416@2"});
    EXPECT_EQ(told, std::vector<std::string>{"cell 1 2"});

    grid.set_editing(false);
    EXPECT_FALSE(grid.edit(1, 3, "1"));
    grid.set_editing(true);
    grid.set_visible(false);
    EXPECT_FALSE(grid.edit(1, 3, "1"));

    // The program writes anywhere inside; outside it is a fault that shows.
    grid.set_cell(0, 0, "cm");
    EXPECT_EQ(grid.cell(0, 0), "cm");
    EXPECT_THROW(grid.set_cell(2, 1, "x"), std::out_of_range);
    EXPECT_EQ(grid.cell(5, 50), "");
}

TEST_F(GridFixture, PastedColumnFillsConsecutiveCellsDownward) {
    struct Case {
        const char* name;
        int row;
        std::string clip;
        std::vector<std::string> tonnages;
        int written;
    };
    const Case cases[] = {
        {"spreadsheet column, CR LF and a final line end", 1, "0\r\n17.416\r\n34.969\r\n", {"0", "17.416", "34.969", "", ""}, 3},
        {"LF only, from the third row", 3, "1\n2\n", {"", "", "1", "2", ""}, 2},
        {"longer than the grid: the rest is dropped", 4, "1\n2\n3\n4", {"", "", "", "1", "2"}, 2},
        {"an empty line empties its cell", 1, "5\n\n7", {"5", "", "7", "", ""}, 3},
        {"tab-separated: the column beyond the grid is dropped", 2, "8\tx\r\n9\ty", {"", "8", "9", "", ""}, 2},
    };
    for (const Case& c : cases) {
        for (int r = 1; r < 6; ++r) grid.set_cell(1, r, "");
        EXPECT_EQ(grid.paste(1, c.row, c.clip), c.written) << c.name;
        EXPECT_EQ(column(1), c.tonnages) << c.name;
        EXPECT_EQ(column(0), (std::vector<std::string>{"51", "61", "71", "81", "91"})) << c.name;
    }
    // Pasting on a header cell or with editing off writes nothing.
    EXPECT_EQ(grid.paste(0, 1, "1\n2"), 0);
    grid.set_editing(false);
    EXPECT_EQ(grid.paste(1, 1, "1\n2"), 0);
}

}  // namespace
}  // namespace ijken::forms
