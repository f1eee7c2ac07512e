// The program is built in floors, bottom up; an include may stay on its floor or go down, never up:
//
//   text < data, pdf, forms < store < lang, about < survey < session < shipdata, report, main_window
//   < program, fleet < gui, web < app
//
// (src/core/<folder> for the core's folders, src/gui, src/app). A folder under src/core that is not
// in the order fails until it is given a floor. The same walk keeps every source file small.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

const std::map<std::string, int> kFloors = {
    {"core/text", 0},  {"core/data", 1},     {"core/pdf", 1},    {"core/forms", 1},
    {"core/store", 2},    {"core/lang", 3},   {"core/about", 3},   {"core/survey", 4},
    {"core/session", 5},  {"core/shipdata", 6}, {"core/report", 6}, {"core/main_window", 6},
    {"core/program", 7},
    {"fleet", 7},         {"gui", 8},         {"web", 8},          {"app", 9},
};

constexpr int kMostLines = 600;

std::filesystem::path source_directory() {
    // This file is tests/forms/floors_test.cpp; the sources are src of the same tree.
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "src";
}

// The room of a path below src ("core/main_window/form1.h" -> "core/main_window", "gui/x.h" -> "gui").
std::string room_of(const std::string& path) {
    const auto first = path.find('/');
    if (first == std::string::npos) return path;
    if (path.compare(0, first, "core") != 0) return path.substr(0, first);
    const auto second = path.find('/', first + 1);
    return path.substr(0, second);
}

// The target of an #include "..." line, empty for any other line (and for <...> includes).
std::string included(const std::string& line) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line.compare(first, 1, "#") != 0) return {};
    const auto include = line.find("include", first);
    if (include == std::string::npos) return {};
    const auto open = line.find('"', include);
    if (open == std::string::npos) return {};
    const auto close = line.find('"', open + 1);
    return close == std::string::npos ? std::string() : line.substr(open + 1, close - open - 1);
}

TEST(Floors, NoIncludeRunsUpAFloorAndNoFileIsLong) {
    const auto src = source_directory();
    ASSERT_TRUE(std::filesystem::is_directory(src)) << src;
    std::vector<std::string> offenders;
    int includes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) continue;
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp") continue;
        const std::string file = std::filesystem::relative(entry.path(), src).generic_string();
        const auto floor = kFloors.find(room_of(file));
        if (floor == kFloors.end()) {
            offenders.push_back(file + ": its folder has no floor");
            continue;
        }
        std::ifstream in(entry.path());
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            const std::string target = included(line);
            if (target.empty()) continue;
            ++includes;
            const auto to = kFloors.find(room_of(target));
            if (to == kFloors.end() || to->second > floor->second)
                offenders.push_back(file + ":" + std::to_string(number) + ": " + line);
        }
        if (number > kMostLines) offenders.push_back(file + ": " + std::to_string(number) + " lines");
    }
    EXPECT_GT(includes, 100);  // the walk really read the includes
    EXPECT_TRUE(offenders.empty()) << testing::PrintToString(offenders);
}

// The windows, each a view of the session: none includes another's header; only the program,
// which creates them and wires the menus, knows them all.
const char* const kWindows[] = {
    "core/main_window/form1.h",        "core/main_window/survey_list_form.h",
    "core/shipdata/ijkeninvoerform.h", "core/shipdata/schipinvoer.h",
    "core/report/print_form.h",        "core/lang/editor.h",
    "core/about/aboutform.h",
};

// The window a file belongs to: its own header, or the header of the main window for its parts
// (form1_*.cpp); empty for a file that is no window's.
std::string window_of(const std::string& file) {
    const std::string stem = file.substr(0, file.rfind('.'));
    if (stem.rfind("core/main_window/form1", 0) == 0) return "core/main_window/form1.h";
    for (const char* window : kWindows) {
        if (stem + ".h" == window) return window;
    }
    return {};
}

TEST(Floors, NoWindowIncludesAnotherWindow) {
    const auto src = source_directory();
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file()) continue;
        const std::string file = std::filesystem::relative(entry.path(), src).generic_string();
        const std::string own = window_of(file);
        if (own.empty()) continue;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            const std::string target = included(line);
            for (const char* window : kWindows) {
                if (target == window && target != own) found.push_back(file + " -> " + target);
            }
        }
    }
    EXPECT_TRUE(found.empty()) << testing::PrintToString(found);
}

TEST(Floors, RoomsAreReadFromThePath) {
    const std::pair<const char*, const char*> cases[] = {
        {"core/main_window/form1.h", "core/main_window"},
        {"core/survey/survey_value.h", "core/survey"},
        {"gui/form_window.h", "gui"},
        {"app/main.cpp", "app"},
        {"core/store", "core/store"},
    };
    for (const auto& [path, room] : cases) EXPECT_EQ(room_of(path), room) << path;
    EXPECT_EQ(window_of("core/main_window/form1_ships.cpp"), "core/main_window/form1.h");
    EXPECT_EQ(window_of("core/report/print_form.cpp"), "core/report/print_form.h");
    EXPECT_EQ(window_of("core/report/survey_page.cpp"), "");
    EXPECT_EQ(included("#include \"core/text/numbers.h\"  // x"), "core/text/numbers.h");
    EXPECT_EQ(included("  #  include \"gui/qt_text.h\""), "gui/qt_text.h");
    EXPECT_EQ(included("#include <vector>"), "");
    EXPECT_EQ(included("// see \"core/x.h\""), "");
}

}  // namespace
