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
#include "core/shipdata/ijkeninvoerform.h"
#include "core/main_window/form1.h"
#include "core/text/ini_file.h"
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
    bool confirm(const std::string&, forms::Answer) override { return true; }
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
                pending = "save " + format_int(form.session().current_survey()) + " S" + token;
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
            const std::string cargo = row->AsString(0);
            // The last save reported, or one after it that was under way when the kill came; never an
            // earlier one.
            bool earlier = false;
            for (std::size_t k = 0; k + 1 < tokens.size(); ++k) earlier = earlier || tokens[k] == cargo;
            if (cargo != tokens.back() && earlier)
                return "survey " + format_int(id) + " lost its last save " + tokens.back();
            if (cargo != tokens.back() && cargo.rfind("S", 0) != 0)
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

// ---- gauge table stores ---------------------------------------------------------------------------

// The gauge table window storing one table after another for ship 1. Table N has its own range
// and tonnages, so the stored rows tell which table they are: after a kill they must be exactly
// the last table reported stored or the one under way, with Min_inzinking and Max_inzinking its
// own.
class GaugeTableStore : public Operation {
  public:
    std::string name() const override { return "gauge_table_store"; }
    bool finishes() const override { return false; }
    int kill_window_ms() const override { return 600; }

    struct Table {
        int first, last;
        std::vector<std::string> tonnages;  // 0 .. last, as typed into the grid
    };
    static Table table(long long n) {
        Table t{20 + static_cast<int>(n % 40), 0, {}};
        t.last = t.first + 100 + static_cast<int>(n % 150);
        for (int c = 0; c <= t.last; ++c) {
            t.tonnages.push_back(
                c < t.first ? "0.000" : format_int((c - t.first + 1) * 2) + "." + format_int(n % 10000, 4));
            for (char& ch : t.tonnages.back()) ch = ch == ' ' ? '0' : ch;
        }
        return t;
    }

    void prepare(const fs::path& dir, int round) override {
        if (round != 0) return;
        for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
        data::create_database_if_missing(db_of(dir));
        // Ship 1 starts with table 0, stored as the window stores it.
        data::SQLiteDatabase db(db_of(dir));
        db.BeginTransaction();
        db.Execute("DELETE FROM IJKtable where SchipID=1");
        const Table t = table(0);
        for (int c = 0; c <= t.last; ++c) {
            db.Execute("INSERT INTO IJKtable(SchipID,Inzinking,Tonnage) VALUES (1,?,?)",
                       {static_cast<std::int64_t>(c), *text::parse_double(t.tonnages[static_cast<std::size_t>(c)])});
        }
        db.Execute("UPDATE Schiptable set Max_inzinking=" + format_int(t.last) +
                   ", Min_inzinking=" + format_int(t.first) + " where SchipID=1");
        db.Commit();
        stored_ = 0;
    }

    void run(const std::string& program_dir, const std::function<void(const std::string&)>& done) override {
        ReportingDialogs dialogs;
        survey::Form1 form1(program_dir, dialogs);
        form1.formcreate();
        forms::ScriptedModalDisplay modal;
        form1.services.modal = &modal;
        shipdata::Ijkeninvoerform window(form1.session(), form1.services,
                                         [&form1](forms::Form& w, std::function<void()> then) {
                                             form1.open_modal(w, std::move(then));
                                         });
        window.OpenForNewTable(1);
        auto& grid = window.get<forms::StringGrid>("ijkengrid");
        for (long long i = 0;; ++i) {
            const long long n = getpid() * 100000LL + i;
            const Table t = table(n);
            window.get<forms::UpDown>("eerstecm").set_position(t.first);
            window.get<forms::UpDown>("laatstecm").set_position(t.last);
            grid.set_row_count(t.last + 2);
            for (int c = 0; c <= t.last; ++c)
                grid.set_row(c + 1, {format_int(c), t.tonnages[static_cast<std::size_t>(c)]});
            done("next " + format_int(n));
            window.opslaanclick();
            done("stored " + format_int(n));
        }
    }

    std::string check(const fs::path& dir, const std::vector<std::string>& done) override {
        const std::string db = db_of(dir);
        if (const std::string ok = integrity(db); ok != "ok") return "integrity_check: " + ok;
        long long old = stored_, next = stored_;
        for (const std::string& record : done) {
            const long long n = *text::parse_int(record.substr(record.find(' ') + 1));
            (record.rfind("next ", 0) == 0 ? next : old) = n;
            if (record.rfind("stored ", 0) == 0) next = n;
        }
        data::SQLiteDatabase conn(db);
        auto rows = conn.Query("select Inzinking, Tonnage from IJKtable where SchipID=1 order by Inzinking");
        std::vector<std::pair<long long, double>> got;
        for (; !rows->AtEnd(); rows->Next()) got.emplace_back(rows->AsInteger(0), rows->AsFloat(1));
        auto ship = conn.Query("select Min_inzinking, Max_inzinking from Schiptable where SchipID=1");
        if (ship->RowCount() != 1) return "ship 1 is gone";
        // Every start extends the selected ship's table by negative rows beyond both ends (where its
        // zeros begin and above its last centimetre); those belong to whichever table is there.
        std::map<long long, double> rows_at;
        for (const auto& [c, tonnage] : got) rows_at[c] = tonnage;
        for (const long long n : {old, next}) {
            const Table t = table(n);
            bool same = ship->AsInteger(0) == t.first && ship->AsInteger(1) == t.last;
            for (int c = 0; same && c <= t.last; ++c) {
                const auto row = rows_at.find(c);
                const double want = *text::parse_double(t.tonnages[static_cast<std::size_t>(c)]);
                same = row != rows_at.end() && (row->second == want || (want == 0 && row->second < 0));
            }
            for (const auto& [c, tonnage] : got) same = same && ((c >= 0 && c <= t.last) || tonnage < 0);
            if (same) {
                stored_ = n;
                return later_start(dir);
            }
        }
        return "ship 1 holds neither table " + format_int(old) + " nor " + format_int(next) + " (" +
               format_int(static_cast<long long>(got.size())) + " rows, range " + format_int(ship->AsInteger(0)) +
               ".." + format_int(ship->AsInteger(1)) + ")";
    }

  private:
    long long stored_ = 0;
};

// ---- ship deletions -------------------------------------------------------------------------------

// The main window deleting ships through its menu "Verwijderen", one after another. Each ship,
// with its gauge rows and surveys, is there whole or gone whole; every deletion reported done is
// gone.
class ShipDelete : public Operation {
  public:
    std::string name() const override { return "ship_delete"; }
    bool finishes() const override { return true; }

    void prepare(const fs::path& dir, int round) override {
        const std::string db = db_of(dir);
        if (round == 0) {
            for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
            data::create_database_if_missing(db);
        }
        data::SQLiteDatabase conn(db);
        conn.BeginTransaction();
        // Ships enough to delete, each with a table and surveys of its own size.
        for (long long ships = count(conn, "select count(*) from Schiptable"), k = 0; ships < 7; ++ships, ++k) {
            conn.Execute("INSERT INTO Schiptable(Name,Meetbrief_NR,Aantal_ijken,Max_inzinking,Min_inzinking,taal,"
                         "Selected) VALUES (?,\"M\",1,80,10,1,0)",
                         {"K" + format_int(round) + "-" + format_int(k)});
            const long long id = count(conn, "select max(SchipID) from Schiptable");
            for (long long c = 0; c <= 60 + k; ++c) {
                conn.Execute("INSERT INTO IJKtable(SchipID,Inzinking,Tonnage) VALUES (?,?,?)",
                             {static_cast<std::int64_t>(id), static_cast<std::int64_t>(c), static_cast<double>(c)});
            }
            for (long long o = 0; o <= k % 4; ++o) {
                conn.Execute("INSERT INTO IJkOpnames(Schipid,Verlader_Naam) VALUES (?,\"V\")",
                             {static_cast<std::int64_t>(id)});
            }
        }
        conn.Commit();
        ships_.clear();
        auto t = conn.Query(
            "select SchipID, (select count(*) from IJKtable i where i.SchipID=s.SchipID), "
            "(select count(*) from IJkOpnames o where o.Schipid=s.SchipID) from Schiptable s");
        for (; !t->AtEnd(); t->Next()) ships_[t->AsInteger(0)] = {t->AsInteger(1), t->AsInteger(2)};
    }

    void run(const std::string& program_dir, const std::function<void(const std::string&)>& done) override {
        ReportingDialogs dialogs;
        survey::Form1 form(program_dir, dialogs);
        form.formcreate();
        // Every ship the menu offers (all but the selected one), the menu rebuilt after each.
        for (;;) {
            const auto items = form.get<forms::MenuItem>("Verwijderen1").items();
            if (items.empty()) break;
            const std::string id = format_int(items.front()->tag());
            form.deleteschipclick(*items.front());
            done(id);
        }
    }

    std::string check(const fs::path& dir, const std::vector<std::string>& done) override {
        const std::string db = db_of(dir);
        if (const std::string ok = integrity(db); ok != "ok") return "integrity_check: " + ok;
        data::SQLiteDatabase conn(db);
        for (const auto& [id, sizes] : ships_) {
            const std::string s = format_int(id);
            const long long ship = count(conn, "select count(*) from Schiptable where SchipID=" + s);
            const long long rows = count(conn, "select count(*) from IJKtable where SchipID=" + s);
            const long long surveys = count(conn, "select count(*) from IJkOpnames where Schipid=" + s);
            const bool whole = ship == 1 && rows == sizes.first && surveys == sizes.second;
            if (!whole && !(ship == 0 && rows == 0 && surveys == 0))
                return "ship " + s + " is half deleted: " + format_int(ship) + " ship row, " + format_int(rows) +
                       " gauge rows, " + format_int(surveys) + " surveys";
        }
        for (const std::string& id : done) {
            if (count(conn, "select count(*) from Schiptable where SchipID=" + id) != 0)
                return "ship " + id + " was reported deleted but is there";
        }
        if (count(conn, "select count(*) from Schiptable") < 1) return "no ship left";
        return later_start(dir);
    }

  private:
    std::map<long long, std::pair<long long, long long>> ships_;  // id -> gauge rows, surveys
};

// ---- language file writes -------------------------------------------------------------------------

// Values written into the language files one after another, as the program adds a window's
// texts. Each file must hold either its content before the write under way or after it.
class LanguageWrite : public Operation {
  public:
    std::string name() const override { return "language_write"; }
    bool finishes() const override { return false; }
    int kill_window_ms() const override { return 400; }

    static std::string file_of(long long n) { return n % 2 == 0 ? "tln.tln" : "tlf.tln"; }
    static void apply(text::IniFile& file, long long n) {
        file.set_value("kill" + format_int(n % 7), "Label" + format_int(n % 13) + ".caption", "Tekst " + format_int(n));
    }

    void prepare(const fs::path& dir, int round) override {
        if (round == 0) {
            for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
            data::create_database_if_missing(db_of(dir));
            lang::write_default_files(dir_text(dir));
        }
        // A write killed half-way leaves its temporary file, which nothing reads; cleared for
        // the next round.
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().filename().string().find(".tln.~") != std::string::npos) fs::remove(entry.path());
        }
        for (const std::string f : {"tln.tln", "tlf.tln"}) content_[f] = read_file(dir / f);
    }

    void run(const std::string& program_dir, const std::function<void(const std::string&)>& done) override {
        for (long long i = 0;; ++i) {
            const long long n = getpid() * 1000000LL + i;
            text::IniFile file = text::IniFile::read_for_update(program_dir + file_of(n));
            apply(file, n);
            done("next " + format_int(n));
            file.save(program_dir + file_of(n));
            done("wrote " + format_int(n));
        }
    }

    std::string check(const fs::path& dir, const std::vector<std::string>& done) override {
        if (const std::string ok = integrity(db_of(dir)); ok != "ok") return "integrity_check: " + ok;
        // Each file: what the writes reported done made of it, or that with the write under way.
        std::map<std::string, std::string> pending;
        for (const std::string& record : done) {
            const long long n = *text::parse_int(record.substr(record.find(' ') + 1));
            const std::string f = file_of(n);
            if (record.rfind("next ", 0) == 0) {
                text::IniFile file = text::IniFile::parse(content_[f]);
                apply(file, n);
                pending[f] = file.bytes();
            } else {
                content_[f] = pending[f];
                pending.erase(f);
            }
        }
        for (const std::string f : {"tln.tln", "tlf.tln"}) {
            const std::string now = read_file(dir / f);
            if (now == content_[f]) continue;
            if (pending.count(f) && now == pending[f]) {
                content_[f] = now;
                continue;
            }
            return f + " holds neither its old nor its new content (" + format_int(static_cast<long long>(now.size())) +
                   " bytes)";
        }
        return {};
    }

  private:
    std::map<std::string, std::string> content_;
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
        v.push_back(std::make_unique<GaugeTableStore>());
        v.push_back(std::make_unique<ShipDelete>());
        v.push_back(std::make_unique<LanguageWrite>());
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
