#pragma once
// Hostile input for every window: texts nobody should type (quotes and SQL, a huge text, control
// characters, characters outside Windows-1252, numbers that are no numbers) and databases the
// program cannot use (locked by another program, read-only, missing, corrupted). Whatever comes, a
// window either does something sound or says clearly why not; the program goes on and the database
// stays intact, unchanged by an operation that failed.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/lang/editor.h"
#include "core/report/print_form.h"
#include "shipdata/fleet_fixture.h"

namespace ijken::hostile::test {

namespace fs = std::filesystem;
using Kind = forms::ScriptedDialogs::Kind;

// ---- the texts ------------------------------------------------------------------------------------

struct Hostile {
    const char* name;  // a test name: letters, digits and "_"
    std::string text;  // the bytes a field receives
};

inline const std::vector<Hostile>& hostile_texts() {
    static const std::vector<Hostile> texts = {
        {"quotes", "O'Neill \"De Hoop\" `x` \\' ''"},
        {"brackets", "[name]) {x} <y> (z ]]["},
        {"sql_drop", "x'); DROP TABLE IJkOpnames; --"},
        {"sql_or", "\" OR 1=1; UPDATE Schiptable SET Name='weg' --"},
        {"long", std::string(100000, 'W')},
        {"long_number", std::string(100000, '9')},
        {"control", "a\x01\x07\t\r\n\x1b[31mb\x7f"},
        {"nul", std::string("voor\0na", 7)},
        // The UTF-8 bytes of a CJK ideograph, an emoji and a Hebrew letter, as raw bytes.
        {"not_cp1252", "\xE8\x88\xB9 \xF0\x9F\x9A\xA2 \xD7\xA9"},
        {"huge_number", "1e400"},
        {"nan", "nan"},
        {"minus_zero", "-0"},
        {"hex", "0x10"},
        {"arabic_digits", "\xD9\xA1\xD9\xA2\xD9\xA3"},  // U+0661..U+0663 in UTF-8
        {"two_commas", "12,5,6"},
    };
    return texts;
}

// gtest prints a parameter that fails by this.
inline void PrintTo(const Hostile& h, std::ostream* os) {
    *os << h.name;
}

inline std::string hostile_name(const ::testing::TestParamInfo<Hostile>& info) {
    return info.param.name;
}

// What the database returns for a stored text: up to its first zero byte, as a C string reads it.
inline std::string as_read_back(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// ---- the database states --------------------------------------------------------------------------

enum class DbState { locked, read_only, missing, garbage, truncated };

inline const char* state_name(DbState s) {
    switch (s) {
        case DbState::locked: return "locked";
        case DbState::read_only: return "read_only";
        case DbState::missing: return "missing";
        case DbState::garbage: return "garbage";
        case DbState::truncated: return "truncated";
    }
    return "?";
}

inline const std::vector<DbState>& all_states() {
    static const std::vector<DbState> states = {DbState::locked, DbState::read_only, DbState::missing,
                                                DbState::garbage, DbState::truncated};
    return states;
}

inline void PrintTo(DbState s, std::ostream* os) {
    *os << state_name(s);
}

inline std::string state_param_name(const ::testing::TestParamInfo<DbState>& info) {
    return state_name(info.param);
}

inline std::string file_bytes(const fs::path& path) {
    if (!fs::exists(path)) return "<missing>";
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void put_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A message a user can act on: there is one, it says something, and it is not so long (a whole
// 100,000-character text echoed back) that it cannot be read.
inline std::string message_problem(const std::string& message) {
    if (message.empty()) return "empty message";
    if (message == "Onbekende fout") return "unknown error";
    if (message.size() < 8) return "message too short to say anything: " + message;
    if (message.size() > 2000) return "message of " + std::to_string(message.size()) + " bytes";
    if (message.find('\0') != std::string::npos) return "message with a zero byte";
    return {};
}

class HostileFixture : public shipdata::test::FleetFixture {
  protected:
    void SetUp() override {
        Form1Fixture::SetUp();
        form->services.files = &files;
        form->services.shell = &shell;
        form->services.printing = &printing;
        open_windows();
        report = form->window<report::Print_form>();
        editor = form->window<lang::Editor>();
        ASSERT_TRUE(report && editor);
        report->scratch_dir = dir.path();
        pristine = file_bytes(dir.db_path());
    }

    // ---- the shared check of one case ----

    // The database as a dump of its three tables, in row order, every value quoted by SQLite.
    std::string dump() {
        data::SQLiteDatabase db(dir.db_path());
        std::string out;
        for (const char* table : {"Schiptable", "IJKtable", "IJkOpnames"}) {
            auto t = db.Query(std::string("select * from ") + table + " order by rowid");
            out += std::string("[") + table + "]\n";
            for (; !t->AtEnd(); t->Next()) {
                for (int c = 0; c < t->column_count(); ++c) out += t->AsString(c) + "\x1f";
                out += "\n";
            }
        }
        return out;
    }
    std::string integrity() {
        data::SQLiteDatabase db(dir.db_path());
        return db.Query("PRAGMA integrity_check")->AsString(0);
    }

    // The outcome of one handler run through the event dispatch: a sound result (true) or a clear
    // message (false), never a report of success after a failure.
    bool act(const std::string& what, const std::function<void()>& handler) {
        const std::size_t shown = dialogs.shown().size();
        const bool ok = forms::dispatch(dialogs, handler);
        if (!ok) {
            const auto errors = dialogs.texts(Kind::error);
            const std::string problem = errors.empty() ? "no error shown" : message_problem(errors.back());
            EXPECT_EQ(problem, "") << what;
            for (std::size_t i = shown; i < dialogs.shown().size(); ++i)
                EXPECT_NE(dialogs.shown()[i].kind, Kind::information)
                    << what << ": success reported by a failing handler: " << dialogs.shown()[i].text;
        }
        return ok;
    }

    // Back to the database as created, and the main window on it.
    void restore() {
        put_bytes(dir.db_path(), pristine);
        // A window a case left open closes (the main window shows again on the intact file).
        for (forms::Form* window : std::initializer_list<forms::Form*>{report, ijk, schip}) {
            if (window->visible()) forms::dispatch(dialogs, [&] { window->close(); });
        }
        dialogs.clear();
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->laad_schip(); }));
    }

    // The program starts again on the database as it is now: without an error, and with the
    // selected ship shown.
    void expect_restart(const std::string& what) {
        forms::ScriptedDialogs fresh_dialogs;
        survey::Form1 fresh(dir.dir(), fresh_dialogs);
        EXPECT_TRUE(forms::dispatch(fresh_dialogs, [&] { fresh.formcreate(); }))
            << what << ": " << (fresh_dialogs.texts(Kind::error).empty() ? "" : fresh_dialogs.texts(Kind::error).back());
        EXPECT_EQ(fresh.session().survey().SchipID, form->session().survey().SchipID) << what;
    }

    // ---- a database operation in each state ----

    struct Operation {
        const char* name;
        // Runs on the intact database before the state is applied (opening the window...).
        std::function<void()> prepare;
        std::function<void()> run;
    };

    // Prepares op, applies state, runs op, restores the database. The file must then be as before
    // when the operation failed, and an existing database intact.
    void check_operation(const Operation& op, DbState state) {
        const std::string what = std::string(op.name) + " on a " + state_name(state) + " database";
        SCOPED_TRACE(what);
        restore();
        if (op.prepare) {
            ASSERT_TRUE(forms::dispatch(dialogs, op.prepare)) << dialogs.texts(Kind::error).back();
        }
        const fs::path db = dir.db_path();
        std::unique_ptr<data::SQLiteDatabase> locker;
        switch (state) {
            case DbState::locked:
                locker = std::make_unique<data::SQLiteDatabase>(db.string());
                locker->Execute("BEGIN EXCLUSIVE");
                break;
            case DbState::missing:
                fs::remove(db);
                break;
            case DbState::garbage: {
                std::string junk(12288, '\0');
                for (std::size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919 + 13) % 251);
                put_bytes(db, junk);
                break;
            }
            case DbState::truncated:
                put_bytes(db, pristine.substr(0, pristine.size() / 2 + 100));
                break;
            case DbState::read_only:
                break;
        }
        const std::string before = file_bytes(db);
        bool ok = false;
        if (state == DbState::read_only) {
            const int status = run_read_only(op.run, what);
            if (status < 0) return;  // skipped
            ASSERT_TRUE(status == 0 || status == 10) << what << ": the operation went wrong (see stderr)";
            ok = status == 0;
        } else {
            ok = act(what, op.run);
        }
        locker.reset();
        const std::string after = file_bytes(db);
        if (!ok || state != DbState::missing) {
            EXPECT_TRUE(before == after) << what << ": the file changed (" << before.size() << " bytes before, "
                                         << after.size() << " after)";
        }
        EXPECT_FALSE(fs::exists(db.string() + "-journal")) << what << ": a journal was left behind";
        if (state == DbState::locked || state == DbState::read_only || (ok && state == DbState::missing)) {
            EXPECT_EQ(integrity(), "ok") << what;
        }
        // The program goes on: back on the intact database the main window loads its ship.
        restore();
    }

    // Runs handler in a child process in which the database and its directory cannot be written:
    // as the user "nobody" when the tests run as root (root writes whatever the permissions say).
    // Returns 0 when the handler succeeded, 10 when it failed with a clear message, something else
    // when it went wrong; -1 when the test cannot be made honest here (then it is skipped).
    int run_read_only(const std::function<void()>& handler, const std::string& what) {
        const fs::path home = dir.path();
        if (::geteuid() == 0) {
            const pid_t probe = ::fork();
            if (probe == 0) ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 ? 0 : 1);
            int status = 0;
            ::waitpid(probe, &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                ADD_FAILURE() << "root cannot become another user here: the read-only case is not tested";
                return -1;
            }
        }
        fs::permissions(home, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        fs::permissions(dir.db_path(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::geteuid() == 0 &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                std::fputs("cannot give up root\n", stderr);
                ::_exit(2);
            }
            if (::access(dir.db_path().c_str(), W_OK) == 0 || ::access(home.c_str(), W_OK) == 0) {
                std::fputs("the database can still be written\n", stderr);
                ::_exit(3);
            }
            const std::size_t shown = dialogs.shown().size();
            const bool ok = forms::dispatch(dialogs, handler);
            if (ok) ::_exit(0);
            const auto errors = dialogs.texts(Kind::error);
            const std::string problem = errors.empty() ? "no error shown" : message_problem(errors.back());
            if (!problem.empty()) {
                std::fprintf(stderr, "%s: %s\n", what.c_str(), problem.c_str());
                ::_exit(4);
            }
            for (std::size_t i = shown; i < dialogs.shown().size(); ++i) {
                if (dialogs.shown()[i].kind == Kind::information) {
                    std::fprintf(stderr, "%s: success reported by a failing handler\n", what.c_str());
                    ::_exit(5);
                }
            }
            ::_exit(10);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        fs::permissions(home, fs::perms::owner_all);
        fs::permissions(dir.db_path(), fs::perms::owner_read | fs::perms::owner_write);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }

    forms::ScriptedFileDialogs files;
    forms::RecordingShell shell;
    forms::RecordingPrinting printing;
    report::Print_form* report = nullptr;
    lang::Editor* editor = nullptr;
    std::string pristine;
};

}  // namespace ijken::hostile::test
