// The main window's additions: warnings beside the result grid, and the Extra menu's export and
// backup through the save-file dialog.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

#include "core/program/program_windows.h"
#include "core/data/database_backup.h"
#include "core/report/print_form.h"
#include "form1_fixture.h"

namespace ijken::survey::test {
namespace {

class Form1Extras : public Form1Fixture {
  protected:
    void SetUp() override {
        Form1Fixture::SetUp();
        form->services.files = &files;
    }
    const forms::Label& warning() const { return form->get<forms::Label>("LabelWaarschuwing"); }
    bool choose(const std::string& item) {
        return forms::dispatch(dialogs, [&] { ASSERT_TRUE(form->get<forms::MenuItem>(item).click()); });
    }
    static std::string read(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    forms::ScriptedFileDialogs files;
};

TEST_F(Form1Extras, WarningsFollowEveryRecomputation) {
    // Grain Coop 3: empty immersion 51.0, the table's first centimetre.
    EXPECT_FALSE(warning().visible());
    EXPECT_TRUE(form->session().warnings().empty());

    type("ijk_sb_l_5", "0");
    EXPECT_TRUE(warning().visible());
    EXPECT_EQ(warning().caption(), "Leeg: punt 5 SB op 0");

    type("ijk_bb_v_3", "35");
    EXPECT_EQ(warning().caption(), "Leeg: punt 5 SB op 0\nVol: punt 3 BB/SB 15.0 cm verschil");
    EXPECT_EQ(warning().hint(), "Leeg: punt 5 SB op 0\nVol: punt 3 BB/SB 15.0 cm verschil");

    // A recomputation that fails empties the cells and the warnings: they would be the previous
    // readings'. The next one that succeeds shows them again.
    EXPECT_FALSE(type("ijk_bb_v_1", "1e20"));
    EXPECT_TRUE(form->session().warnings().empty());
    EXPECT_FALSE(warning().visible());
    type("ijk_bb_v_1", "20");
    EXPECT_EQ(warning().caption(), "Leeg: punt 5 SB op 0\nVol: punt 3 BB/SB 15.0 cm verschil");

    // Browsing shows the stored survey's own warnings: Grain Coop 2 lies below the table.
    click("sltb_prev");
    EXPECT_EQ(warning().caption(), "Leeg: inzinking 50.2 buiten ijktabel 51-251: ge\xEBxtrapoleerd");
    click("sltb_next");
    EXPECT_FALSE(warning().visible());
    EXPECT_EQ(warning().caption(), "");
    EXPECT_EQ(boxes(Kind::information), std::vector<std::string>{});
}

TEST_F(Form1Extras, TranslatedTemplatesShowAtOnceAndTheStripKeepsTheWarnings) {
    type("ijk_sb_l_5", "0");
    // As the language component would: by name, the captions of the hidden template labels.
    form->get<forms::Label>("wt_leeg").set_caption("Vide");
    form->get<forms::Label>("wt_nul_sb").set_caption("point %1 tribord: 0");
    EXPECT_EQ(warning().caption(), "Vide: point 5 tribord: 0");
    // The strip itself keeps showing the warnings, whatever a language file holds for it.
    form->get<forms::Label>("LabelWaarschuwing").set_caption("Leeg: punt 1 BB op 0");
    form->get<forms::Label>("LabelWaarschuwing").set_hint("");
    EXPECT_EQ(warning().caption(), "Vide: point 5 tribord: 0");
    EXPECT_EQ(warning().hint(), "Vide: point 5 tribord: 0");
}

TEST_F(Form1Extras, ExportWritesTheShipsSurveysToTheChosenFile) {
    const auto file = dir.path() / "uit.csv";
    files.answer(std::nullopt);
    ASSERT_TRUE(choose("Exporteren1"));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(dialogs.shown().empty());

    files.answer(file);
    ASSERT_TRUE(choose("Exporteren1"));
    ASSERT_EQ(files.requests().size(), 2u);
    EXPECT_EQ(files.requests()[1].default_name, "Dummy 1.csv");
    EXPECT_EQ(files.requests()[1].default_suffix, "csv");
    EXPECT_EQ(boxes(Kind::information),
              std::vector<std::string>{"3 opnames ge\xEBxporteerd naar " + file.string()});
    const std::string csv = read(file);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    // The newest survey last, with the cells the window shows for it.
    EXPECT_NE(csv.find(",Grain Coop 3,Melun,,CHV,Veghel,,,0,1.000,220,"), std::string::npos);
    EXPECT_NE(csv.find(",3.410,328.172,324.762,324.762\r\n"), std::string::npos);
}

TEST_F(Form1Extras, BackupMakesACopyThatOpensInTheProgram) {
    const auto file = dir.path() / "kopie" / "reserve.db";
    std::filesystem::create_directory(file.parent_path());
    files.answer(file);
    ASSERT_TRUE(choose("Backup1"));
    EXPECT_TRUE(
        std::regex_match(files.requests()[0].default_name, std::regex(R"(ijken-\d{4}-\d\d-\d\d\.db)")))
        << files.requests()[0].default_name;
    EXPECT_EQ(boxes(Kind::information),
              std::vector<std::string>{"Reservekopie opgeslagen in " + file.string()});
    EXPECT_EQ(data::integrity_check(file.string()), std::vector<std::string>{"ok"});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);

    // The copy is a database the program opens as its own.
    std::filesystem::rename(file, file.parent_path() / "ijken.db");
    forms::ScriptedDialogs other_dialogs;
    Form1 copy(file.parent_path().string() + "/", other_dialogs);
    ASSERT_TRUE(forms::dispatch(other_dialogs, [&] { copy.formcreate(); }));
    copy.show();
    EXPECT_EQ(copy.get<forms::Edit>("Verlader_Naam").text(), "Grain Coop 3");
    EXPECT_EQ(copy.get<forms::Label>("e42").caption(), "324.762");
}

// Our own texts follow the interface language: the dialog's title and filter and the closing
// message, French and German from the program's table where the language file has no entry.
TEST_F(Form1Extras, ExportAndBackupSpeakTheInterfaceLanguage) {
    std::ofstream(dir.path() / "tld.tln", std::ios::binary) << "[form1]\r\ntx_opgeslagen.caption=Kopie in %1\r\n";
    form->session().taal().set_TaalFile3("tld.tln");
    form->get<forms::MenuItem>("DE1").set_visible(true);  // as with the file there at the start
    const auto csv = dir.path() / "uit.csv";
    const auto db = dir.path() / "kopie.db";
    const struct {
        const char* language;
        std::string title, filter, exported, backup_title, backup_filter, saved, refused;
    } cases[] = {
        {"FR1", "Exporter les jaugeages", "Fichiers CSV (*.csv)|*.csv", "3 jaugeages export\xE9s vers ",
         "Copie de sauvegarde", "Bases de donn\xE9" "es (*.db)|*.db", "Copie de sauvegarde enregistr\xE9" "e dans ",
         "\" est la base de donn\xE9" "es du programme et ne sera pas \xE9" "cras\xE9" "e ; choisissez un autre nom"},
        {"DE1", "Messungen exportieren", "CSV-Dateien (*.csv)|*.csv", "3 Messungen exportiert nach ",
         "Sicherungskopie erstellen", "Datenbanken (*.db)|*.db", "Kopie in ",
         "\" ist die Datenbank des Programms und wird nicht \xFC" "berschrieben; w\xE4hlen Sie einen anderen Namen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        ASSERT_TRUE(choose(c.language));
        dialogs.clear();
        files.answer(csv);
        files.answer(db);
        ASSERT_TRUE(choose("Exporteren1"));
        ASSERT_TRUE(choose("Backup1"));
        const auto& asked = files.requests();
        ASSERT_GE(asked.size(), 2u);
        EXPECT_EQ(asked[asked.size() - 2].title, c.title);
        EXPECT_EQ(asked[asked.size() - 2].filter, c.filter);
        EXPECT_EQ(asked.back().title, c.backup_title);
        EXPECT_EQ(asked.back().filter, c.backup_filter);
        EXPECT_EQ(boxes(Kind::information),
                  (std::vector<std::string>{c.exported + csv.string(), c.saved + db.string()}));
        std::filesystem::remove(db);
        // And a refusal of one of the program's own files.
        files.answer(dir.path() / "ijken.db");
        EXPECT_FALSE(choose("Backup1"));
        EXPECT_EQ(boxes(Kind::error), std::vector<std::string>{"\"" + dir.db_path() + c.refused});
    }
}

// Every window item that writes a file the user names refuses the program's own files, however the
// name reaches them, and writes nothing.
TEST_F(Form1Extras, FilesTheUserNamesAreNeverTheProgramsOwn) {
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { ijken::program::create_windows(*form); }));
    auto* report = form->window<report::Print_form>();
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { report->update_pdf(); }));
    const auto db = std::filesystem::path(dir.db_path());
    std::filesystem::create_symlink(db, dir.path() / "link.db");
    std::filesystem::create_hard_link(db, dir.path() / "hard.db");
    const std::string database = read(db);
    const std::string language_file = read(dir.path() / "tlf.tln");
    for (const auto& [window, item] : {std::pair<forms::Form*, const char*>{form.get(), "Exporteren1"},
                                       {form.get(), "Backup1"}, {report, "OpslaanalsPDF1"}}) {
        for (const auto& target : {db, dir.path() / "." / "ijken.db", dir.path() / "link.db",
                                   dir.path() / "hard.db", dir.path() / "tlf.tln"}) {
            dialogs.clear();
            files.answer(target);
            forms::dispatch(dialogs, [&] { window->get<forms::MenuItem>(item).click(); });
            const std::string what = target.extension() == ".tln" ? "een taalbestand" : "de database";
            EXPECT_EQ(boxes(Kind::error), std::vector<std::string>{"\"" + target.string() + "\" is " + what +
                                                                   " van het programma en wordt niet "
                                                                   "overschreven; kies een andere naam"})
                << item;
        }
    }
    EXPECT_TRUE(read(db) == database && read(dir.path() / "tlf.tln") == language_file);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);  // nothing beside
}

}  // namespace
}  // namespace ijken::survey::test
