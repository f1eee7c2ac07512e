#include "kill/kill_operations.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/forms/forms.h"
#include "core/lang/default_files.h"
#include "core/survey/form1.h"
#include "core/text/numbers.h"

namespace ijken::killtest {

namespace {

namespace fs = std::filesystem;
using text::format_int;

std::string db_of(const fs::path& dir) {
    return (dir / "ijken.db").string();
}
std::string dir_text(const fs::path& dir) {
    return dir.string() + "/";
}

// Message boxes for a driver: the information that a survey was stored is the moment the user is
// told "done"; an error box means the work failed, which the driver must not hide.
class ReportingDialogs : public forms::Dialogs {
  public:
    std::function<void()> on_stored;
    void information(const std::string& text) override {
        if (text == "IJken opgeslagen" && on_stored) on_stored();
    }
    bool confirm(const std::string&) override { return true; }
    void error(const std::string& text) override { throw std::runtime_error(text); }
};

long long count(data::SQLiteDatabase& db, const std::string& sql) {
    return db.Query(sql)->AsInteger(0);
}

// What a complete new database holds; empty when it does.
std::string incomplete(const std::string& db_path) {
    std::string problems;
    try {
        const std::string ok = integrity(db_path);
        if (ok != "ok") return "integrity_check: " + ok;
        data::SQLiteDatabase db(db_path);
        if (count(db, "select count(*) from sqlite_master") != 6) problems += " schema objects missing;";
        if (count(db, "select count(*) from Schiptable") != 5) problems += " ships missing;";
        if (count(db, "select count(*) from IJKtable") != 250) problems += " gauge rows missing;";
        if (count(db, "select count(*) from IJkOpnames") != 3) problems += " surveys missing;";
    } catch (const std::exception& e) {
        problems += std::string(" ") + e.what();
    }
    return problems;
}

// A later start of the program in the directory, as the main window does it: creates the database
// when it is missing, then loads the selected ship and its surveys. Empty when it went well.
std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string later_start(const fs::path& dir) {
    forms::ScriptedDialogs dialogs;
    survey::Form1 form(dir_text(dir), dialogs);
    if (!forms::dispatch(dialogs, [&] { form.formcreate(); })) {
        return "a later start failed: " + dialogs.texts(forms::ScriptedDialogs::Kind::error).at(0);
    }
    return {};
}

// ---- the first start ------------------------------------------------------------------------------

// The program started for the first time: it creates and seeds ijken.db. Killed at any moment, it
// must leave either no ijken.db or a complete one, and the next start must work.
class FirstStart : public Operation {
  public:
    std::string name() const override { return "first_start"; }
    bool finishes() const override { return true; }

    void prepare(const fs::path& dir, int) override {
        for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
    }

    void run(const std::string& program_dir, const std::function<void(const std::string&)>& done) override {
        ReportingDialogs dialogs;
        survey::Form1 form(program_dir, dialogs);
        form.formcreate();
        done("started");
    }

    std::string check(const fs::path& dir, const std::vector<std::string>& done) override {
        const std::string db = db_of(dir);
        const bool exists = fs::exists(db);
        if (!done.empty() && !exists) return "the start finished but left no ijken.db";
        if (exists) {
            if (auto p = incomplete(db); !p.empty()) return "a half-made ijken.db was left:" + p;
        }
        if (auto p = later_start(dir); !p.empty()) return p;
        if (auto p = incomplete(db); !p.empty()) return "after the later start:" + p;
        // The start also writes the default language files: each is there whole or not at all. A
        // write killed half-way leaves its temporary file ("tln.tln.~PID-N"), which nothing reads.
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string file = entry.path().filename().string();
            if (file == "ijken.db") continue;
            if (file == "tln.tln" || file == "tlf.tln") {
                const std::string& whole = file == "tln.tln" ? lang::default_tln() : lang::default_tlf();
                if (read_file(entry.path()) != whole) return "a half-written " + file + " was left";
                continue;
            }
            if (file.rfind("tln.tln.~", 0) == 0 || file.rfind("tlf.tln.~", 0) == 0) continue;
            return "left behind: " + file;
        }
        return {};
    }
};

// ---- survey saves ---------------------------------------------------------------------------------

// The main window adding and saving surveys one after the other on the same database, as a
// skipper would all season. Every add reported done must be there once; every save reported done
// must be there unless a later save of the same survey replaced it.
class SurveySave : public Operation {
  public:
    std::string name() const override { return "survey_save"; }
    bool finishes() const override { return false; }
    // Long enough for several saves after the start-up.
    int kill_window_ms() const override { return 700; }

    void prepare(const fs::path& dir, int round) override {
        if (round == 0) {
            for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
            data::create_database_if_missing(db_of(dir));
            surveys_ = 3;
        }
    }

    void run(const std::string& program_dir, const std::function<void(const std::string&)>& done) override {
        ReportingDialogs dialogs;
        survey::Form1 form(program_dir, dialogs);
        form.formcreate();
        std::string pending;
        dialogs.on_stored = [&] { done(pending); };
        const std::string run_id = format_int(getpid());
        for (long long i = 0;; ++i) {
            const std::string token = run_id + "-" + format_int(i);
            if (i % 2 == 0) {
                form.get<forms::Edit>("Verlader_Naam").set_text("A" + token);
                pending = "add A" + token;
                form.sltb_addclick();
            } else {
                form.get<forms::Edit>("ijk_bb_l_2").set_text(format_int(i % 97));
                form.get<forms::Edit>("Lading").set_text("S" + token);
                pending = "save " + format_int(form.huidige_opname) + " S" + token;
                form.sltb_saveclick();
            }
        }
    }

    std::string check(const fs::path& dir, const std::vector<std::string>& done) override {
        const std::string db = db_of(dir);
        const std::string ok = integrity(db);
        if (ok != "ok") return "integrity_check: " + ok;
        data::SQLiteDatabase conn(db);
        long long adds = 0;
        std::map<long long, std::vector<std::string>> saves;  // survey -> its saves reported, in order
        for (const std::string& record : done) {
            if (record.rfind("add ", 0) == 0) {
                ++adds;
                const auto n =
                    conn.Query("select count(*) from IJkOpnames where Verlader_Naam=?", {record.substr(4)});
                if (n->AsInteger(0) != 1) return "the add reported done is not there once: " + record;
            } else {
                const std::size_t space = record.find(' ', 5);
                saves[*text::parse_int(record.substr(5, space - 5))].push_back(record.substr(space + 1));
            }
        }
        for (const auto& [id, tokens] : saves) {
            auto row =
                conn.Query("select Lading from IJkOpnames where Opnameid=?", {static_cast<std::int64_t>(id)});
            if (row->RowCount() != 1) return "the saved survey " + format_int(id) + " is gone";
            const std::string lading = row->AsString(0);
            // The last save reported, or one after it that was under way when the kill came; never an
            // earlier one.
            bool earlier = false;
            for (std::size_t k = 0; k + 1 < tokens.size(); ++k) earlier = earlier || tokens[k] == lading;
            if (lading != tokens.back() && earlier)
                return "survey " + format_int(id) + " lost its last save " + tokens.back();
            if (lading != tokens.back() && lading.rfind("S", 0) != 0)
                return "survey " + format_int(id) + " lost its saves";
        }
        const long long now = count(conn, "select count(*) from IJkOpnames");
        // One add may have been committed when the kill came, before it was reported.
        if (now < surveys_ + adds || now > surveys_ + adds + 1) {
            return "expected " + format_int(surveys_ + adds) + " surveys (or one more), found " +
                   format_int(now);
        }
        surveys_ = now;
        return later_start(dir);
    }

  private:
    long long surveys_ = 3;
};

}  // namespace

std::string integrity(const std::string& db_path) {
    data::SQLiteDatabase db(db_path);
    auto t = db.Query("PRAGMA integrity_check");
    std::string result;
    for (; !t->AtEnd(); t->Next()) result += (result.empty() ? "" : "; ") + t->AsString(0);
    return result;
}

const std::vector<std::unique_ptr<Operation>>& operations() {
    static const std::vector<std::unique_ptr<Operation>> all = [] {
        std::vector<std::unique_ptr<Operation>> v;
        v.push_back(std::make_unique<FirstStart>());
        v.push_back(std::make_unique<SurveySave>());
        return v;
    }();
    return all;
}

Operation* find_operation(const std::string& name) {
    for (const auto& op : operations()) {
        if (op->name() == name) return op.get();
    }
    return nullptr;
}

}  // namespace ijken::killtest
