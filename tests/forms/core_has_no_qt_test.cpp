// The core must build and test without a display: no file under src/core may include Qt.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::filesystem::path core_directory() {
    // This file is tests/forms/core_has_no_qt_test.cpp; the core is src/core of the same tree.
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "src" / "core";
}

TEST(CoreLayer, IncludesNoQtHeader) {
    const auto core = core_directory();
    ASSERT_TRUE(std::filesystem::is_directory(core)) << core;
    std::vector<std::string> offenders;
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(core)) {
        if (!entry.is_regular_file()) continue;
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp" && ext != ".hpp" && ext != ".cc") continue;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            const auto first = line.find_first_not_of(" \t");
            if (first == std::string::npos || line.compare(first, 1, "#") != 0) continue;
            const auto include = line.find("include", first);
            if (include == std::string::npos) continue;
            const auto open = line.find_first_of("<\"", include);
            if (open != std::string::npos && line.compare(open + 1, 1, "Q") == 0) {
                offenders.push_back(entry.path().string() + ":" + std::to_string(number) + ": " + line);
            }
        }
    }
    EXPECT_GT(files, 10);  // the scan really looked at the core
    EXPECT_TRUE(offenders.empty()) << testing::PrintToString(offenders);
}

}  // namespace
