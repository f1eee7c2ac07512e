#include "core/text/file_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <set>

#include "support/temp_dir.h"

namespace ijken::text {
namespace {

namespace fs = std::filesystem;
using Step = FileWriteError::Step;

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
}

TEST(FileWriter, ReplacesWholeKeepingPermissionsAndLinks) {
    ijken::testing::TempDir dir;
    const fs::path file = dir.path() / "a.csv";
    write(file, std::string(5000, 'x'));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(file, dir.path() / "link.csv");

    replace_file(dir.path() / "link.csv", "short");
    EXPECT_EQ(read(file), "short");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.csv"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(names_in(dir.path()), (std::set<std::string>{"a.csv", "link.csv"}));
}

TEST(FileWriter, AFailureLeavesTheOldFileAndNothingBeside) {
    ijken::testing::TempDir dir;
    fs::create_directory(dir.path() / "folder");
    write(dir.path() / "folder" / "old.txt", "old");
    const struct {
        fs::path target;
        Step step;
        std::string reason;
    } cases[] = {
        {dir.path() / "missing" / "a.pdf", Step::create, "No such file or directory"},
        {dir.path() / "folder", Step::rename, "Is a directory"},
    };
    for (const auto& c : cases) {
        try {
            replace_file(c.target, "new");
            ADD_FAILURE() << c.target << " was written";
        } catch (const FileWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + c.target.string());
            EXPECT_EQ(e.step(), c.step) << c.target;
            EXPECT_EQ(e.reason(), c.reason) << c.target;
        }
    }
    EXPECT_EQ(read(dir.path() / "folder" / "old.txt"), "old");
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"folder"});
}

// SQLite writes the temporary file itself, with its journal beside it.
TEST(FileWriter, AFileTheCallerWritesIsPutInPlaceOrRemovedWithItsSideFiles) {
    ijken::testing::TempDir dir;
    const fs::path target = dir.path() / "ijken.db";
    {
        PendingFile dropped(target, PendingFile::Create::by_caller);
        write(dropped.temp_path(), "half");
        write(dropped.temp_path().string() + "-journal", "journal");
    }
    EXPECT_TRUE(names_in(dir.path()).empty());

    {
        PendingFile first(target, dir.path() / "ijken.db.1.new");
        write(first.temp_path(), "first");
        EXPECT_TRUE(first.commit_unless_present());
    }
    {
        PendingFile second(target, dir.path() / "ijken.db.2.new");
        write(second.temp_path(), "second");
        EXPECT_FALSE(second.commit_unless_present());
    }
    EXPECT_EQ(read(target), "first");
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"ijken.db"});
}

}  // namespace
}  // namespace ijken::text
