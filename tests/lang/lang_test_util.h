#pragma once
// Helpers of the language tests: whole files as bytes, and a child process in which a directory
// really cannot be written.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#ifndef IJKEN_TEST_DATA_DIR
#error "IJKEN_TEST_DATA_DIR must be defined"
#endif

namespace ijken::lang::test {

inline std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string golden(const std::string& name) {
    return read_file(std::filesystem::path(IJKEN_TEST_DATA_DIR) / "lang" / name);
}

// The names in a directory.
inline std::set<std::string> listing(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// Runs check in a forked child in which dir cannot be written, and expects it to return true.
// Root writes anywhere, whatever the permissions say, so a child running as root becomes the user
// "nobody" first; the child then makes sure the directory really refuses it, so the test cannot
// pass just because nothing was ever refused. check reports what it found wrong on stderr.
inline void expect_in_unwritable_dir(const std::filesystem::path& dir, const std::function<bool()>& check) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child must work on this process's directory
    namespace fs = std::filesystem;
    fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    for (fs::path p = dir.parent_path(); p != p.root_path(); p = p.parent_path()) {
        // Every directory above must let "nobody" through (the test's own temporary one does not).
        if ((fs::status(p).permissions() & fs::perms::others_exec) == fs::perms::none) {
            GTEST_SKIP() << p << " is not searchable by other users";
        }
    }
    if (::geteuid() == 0) {
        // Some containers refuse even root a change of user; there the test cannot be made honest.
        const pid_t probe = ::fork();
        if (probe == 0) ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 ? 0 : 1);
        int status = 0;
        ::waitpid(probe, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            GTEST_SKIP() << "root cannot become another user here";
    }
    fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0) {
                const gid_t nobody = 65534;
                if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
                    std::fputs("cannot give up root\n", stderr);
                    ::_exit(2);
                }
            }
            if (::access(dir.c_str(), W_OK) == 0) {
                std::fputs("the directory is still writable\n", stderr);
                ::_exit(3);
            }
            ::_exit(check() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace ijken::lang::test
