// The main window's languages on a real program directory: the default files, the ship's language,
// switching, the window list, and language files that are broken or cannot be written.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>

#include "core/program/program_windows.h"
#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/forms/forms.h"
#include "core/lang/builtin_texts.h"
#include "core/lang/default_files.h"
#include "core/main_window/form1.h"
#include "lang_test_util.h"
#include "support/temp_dir.h"

namespace ijken::lang::test {
namespace {

using namespace std::string_literals;
using Kind = forms::ScriptedDialogs::Kind;

class Form1Language : public ::testing::Test {
  protected:
    // formcreate and the first show, as at program start.
    void start() {
        form = std::make_unique<survey::Form1>(dir.dir(), dialogs);
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->formcreate(); }));
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->show(); }));
    }
    bool run(const std::function<void()>& handler) { return forms::dispatch(dialogs, handler); }

    std::string caption(const std::string& control) const { return form->find(control)->caption(); }
    void sql(const std::string& statement) {
        data::SQLiteDatabase db(dir.db_path());
        db.Execute(statement);
    }
    long long stored_taal(int ship = 1) {
        data::SQLiteDatabase db(dir.db_path());
        return db.Query("select taal from Schiptable where SchipID=" + std::to_string(ship))->AsInteger(0);
    }

    ijken::testing::TempDir dir;
    forms::ScriptedDialogs dialogs;
    std::unique_ptr<survey::Form1> form;
};

TEST_F(Form1Language, FirstStartWritesTheDefaultFilesAndLaterStartsKeepEditedOnes) {
    start();
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), golden("tln.tln"));
    EXPECT_EQ(read_file(dir.path() / "tlf.tln"), golden("tlf.tln"));
    EXPECT_EQ(default_tln(), golden("tln.tln"));
    EXPECT_EQ(default_tlf(), golden("tlf.tln"));

    write_file(dir.path() / "tln.tln", "[form1]\r\nform1.caption=Mijn ijken\r\n");
    std::filesystem::remove(dir.path() / "tlf.tln");
    start();
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), "[form1]\r\nform1.caption=Mijn ijken\r\n");
    EXPECT_EQ(read_file(dir.path() / "tlf.tln"), golden("tlf.tln"));
    EXPECT_EQ(form->caption(), "Mijn ijken");
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Form1Language, AFrenchShipStartsInFrench) {
    data::create_database_if_missing(dir.db_path());
    sql("update Schiptable set taal=2 where SchipID=1");
    start();

    EXPECT_EQ(form->session().taal().ActiveTaalFile(), 2);
    EXPECT_EQ(form->caption(), "Echelles");
    EXPECT_EQ(caption("GroupBox1"), "Chargement");
    EXPECT_EQ(caption("Verlader_telefoon"), "T\xE9l.");
    EXPECT_EQ(form->find("sltb_prev")->hint(), "Pr\351c\351dent");
    EXPECT_EQ(caption("Schepen"), "&Bateaux");
    EXPECT_EQ(caption("e50"), "Correction Eau sal\xE9");
    EXPECT_EQ(form->get<forms::RadioGroup>("TaalKeuze").items(),
              (std::vector<std::string>{"N\351erlandais", "Fran\347ais", "Allemand"}));
    EXPECT_EQ(stored_taal(), 2);
}

// A window of another part of the program, as the window list holds it.
class OtherWindow : public forms::Form {
  public:
    explicit OtherWindow(std::string name) : forms::Form(std::move(name), "Venster", forms::Rect{}) {
        add<forms::LabeledEdit>("aantal_ijken", nullptr, forms::Rect{}, "ijken");
        add<forms::Button>("Opslaan", nullptr, forms::Rect{}, "Bewaren");
    }
};

TEST_F(Form1Language, SwitchingLanguagesTranslatesEveryListedWindowAndStoresTheChoice) {
    start();
    form->add_window(std::make_unique<OtherWindow>("afdruk"), "print");
    form->add_window(std::make_unique<OtherWindow>("schip"), "schipinvoer");
    form->add_window(std::make_unique<OtherWindow>("zonder"), "");
    const auto& w = form->windows();
    auto other = [&](int i, const char* control) {
        return w[static_cast<std::size_t>(i)].form->find(control)->caption();
    };
    ASSERT_TRUE(run([&] { form->Vertaal(); }));
    EXPECT_EQ(other(1, "aantal_ijken"), "Aantal ijken");
    EXPECT_EQ(other(1, "Opslaan"), "Opslaan");
    EXPECT_EQ(w[0].form->caption(), "Afdrukken");

    std::map<std::string, std::string> dutch;
    // The ships menus' items are made at run time and have no name, so no key either.
    for (forms::Control* c : form->controls()) {
        if (!c->name().empty()) dutch[c->name()] = c->caption() + "|" + c->hint();
    }

    ASSERT_TRUE(run([&] { form->get<forms::MenuItem>("FR1").click(); }));
    EXPECT_EQ(form->caption(), "Echelles");
    EXPECT_EQ(caption("Verwijderen1"), "&Enlever");
    EXPECT_EQ(other(1, "Opslaan"), "Sauvegarder");
    EXPECT_EQ(other(1, "aantal_ijken"), "Aantal ijken");  // only the Dutch file has this key
    EXPECT_EQ(other(2, "Opslaan"), "Bewaren");            // no section: never translated
    EXPECT_EQ(w[1].form->caption(), "Importation Bateau");
    EXPECT_EQ(stored_taal(), 2);

    // German has no file: the language stays French and is stored again.
    sql("update Schiptable set taal=7 where SchipID=1");
    ASSERT_TRUE(run([&] { form->DE1Click(); }));
    EXPECT_EQ(form->session().taal().ActiveTaalFile(), 2);
    EXPECT_EQ(form->caption(), "Echelles");
    EXPECT_EQ(stored_taal(), 2);

    ASSERT_TRUE(run([&] { form->get<forms::MenuItem>("NL1").click(); }));
    for (forms::Control* c : form->controls()) {
        if (c->name().empty()) continue;
        EXPECT_EQ(c->caption() + "|" + c->hint(), dutch[c->name()]) << c->name();
    }
    EXPECT_EQ(form->get<forms::RadioGroup>("TaalKeuze").items()[1], "Frans");
    EXPECT_EQ(stored_taal(), 1);
    EXPECT_TRUE(dialogs.shown().empty());
}

struct RecordingLanguage : forms::InterfaceLanguage {
    void set_language(const std::string& code) override { codes.push_back(code); }
    std::vector<std::string> codes;
};

TEST_F(Form1Language, TheAdditionsSpeakTheInterfaceLanguageWhereTheFileHasNoEntry) {
    start();
    ASSERT_TRUE(run([&] { ijken::program::create_windows(*form); }));
    RecordingLanguage toolkit;
    form->services.language = &toolkit;
    auto window = [&](std::string_view section) -> forms::Form* {
        if (section == "form1") return form.get();
        if (section == MessageForm::kSection) return &form->messages();
        for (const auto& w : form->windows())
            if (w.section == section) return w.form.get();
        return nullptr;
    };
    // Each built-in text on its control (or window) after switching to a language; the Dutch
    // ones are also what the windows are built with, so switching back restores them.
    auto expect_language = [&](std::string_view BuiltinText::*text, const char* name) {
        SCOPED_TRACE(name);
        for (const BuiltinText& t : builtin_texts()) {
            forms::Form* w = window(t.section);
            ASSERT_NE(w, nullptr) << t.section;
            const std::string key(t.key), control = key.substr(0, key.find('.'));
            const bool hint = key.ends_with(".hint");
            const forms::Control* c = control == t.section ? nullptr : w->find(control);
            ASSERT_TRUE(control == t.section || (c != nullptr && translatable(*c))) << key;
            EXPECT_EQ(c == nullptr ? w->caption() : hint ? c->hint() : c->caption(), t.*text) << key;
        }
    };
    expect_language(&BuiltinText::nl, "built");
    ASSERT_TRUE(run([&] { form->FR1Click(); }));
    expect_language(&BuiltinText::fr, "French");
    auto& list_window = window("opnamelijst")->get<forms::StringGrid>("lijst");
    EXPECT_EQ(list_window.cell(4, 0), "Charg\xE9 (t)");
    EXPECT_TRUE(list_window.hint().starts_with("Cliquez sur un en-t\xEAte")) << list_window.hint();
    EXPECT_EQ(caption("Label8"), "Correction");  // the designed controls as the file says
    ASSERT_TRUE(run([&] { form->NL1Click(); }));
    expect_language(&BuiltinText::nl, "Dutch again");

    write_file(dir.path() / "tld.tln", "[form1]\r\nLabel8.caption=Korrektur\r\n");
    form->session().taal().set_TaalFile3("tld.tln");
    ASSERT_TRUE(run([&] { form->DE1Click(); }));
    expect_language(&BuiltinText::de, "German");
    EXPECT_EQ(caption("Label8"), "Korrektur");

    // An entry in the file wins; without its file a language changes nothing.
    write_file(dir.path() / "tlf.tln", "[form1]\r\nExtra1.caption=&Divers\r\n");
    ASSERT_TRUE(run([&] { form->FR1Click(); }));
    EXPECT_EQ(caption("Extra1"), "&Divers");
    EXPECT_EQ(caption("Opnamelijst1"), "&Liste des jaugeages...");
    std::filesystem::remove(dir.path() / "tln.tln");
    ASSERT_TRUE(run([&] { form->NL1Click(); }));
    EXPECT_EQ(caption("Opnamelijst1"), "&Liste des jaugeages...");

    EXPECT_EQ(toolkit.codes, (std::vector<std::string>{"fr", "nl", "de", "fr", "nl"}));
    EXPECT_EQ(read_file(dir.path() / "tld.tln"), "[form1]\r\nLabel8.caption=Korrektur\r\n");
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(Form1Language, MakingALanguageFileAddsTheWindowsSectionsInTheirOrder) {
    data::create_database_if_missing(dir.db_path());
    write_file(dir.path() / "tln.tln", "[form1]\r\nLabel8.caption=\r\n");
    start();
    form->add_window(std::make_unique<OtherWindow>("extra"), "extra");
    form->add_window(std::make_unique<OtherWindow>("afdruk"), "print");
    form->add_window(std::make_unique<OtherWindow>("invoer"), "ijkeninvoer");

    ASSERT_TRUE(run([&] { form->Maaktaalfile1Click(); }));
    const std::string made = read_file(dir.path() / "tln.tln");
    EXPECT_TRUE(made.starts_with("[form1]\r\nLabel8.caption=Correctie\r\n")) << made;
    EXPECT_NE(made.find("\r\nGroupBox1.caption=Lading\r\n"), std::string::npos);
    EXPECT_NE(made.find("\r\nsltb_prev.hint=Vorige\r\n"), std::string::npos);
    EXPECT_EQ(made.find("sltb_prev.caption"), std::string::npos);  // "<" is one character
    const auto at = [&](const char* header) { return made.find(header); };
    EXPECT_LT(at("[form1]"), at("[ijkeninvoer]"));
    EXPECT_LT(at("[ijkeninvoer]"), at("[print]"));
    EXPECT_LT(at("[print]"), at("[extra]"));
    EXPECT_NE(made.find("[print]\r\nprint.caption=Venster\r\naantal_ijken.caption=ijken\r\n"),
              std::string::npos);

    ASSERT_TRUE(run([&] { form->Maaktaalfile1Click(); }));
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), made);
}

struct BrokenFile {
    const char* what;
    std::string bytes;
    std::string label8;  // Label8's caption after the start
};

class Form1BrokenLanguageFile : public Form1Language, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(Form1BrokenLanguageFile, TheProgramStartsAndTranslatesWhatItCan) {
    data::create_database_if_missing(dir.db_path());
    write_file(dir.path() / "tln.tln", GetParam().bytes);
    start();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(caption("Label8"), GetParam().label8);
    EXPECT_EQ(caption("LabelNaam"), "Dummy 1");
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), GetParam().bytes);  // the program never rewrites it
}

std::string many_lines() {
    std::string s;
    for (int i = 0; i < 100000; ++i)
        s += "[s" + std::to_string(i % 7) + "]\r\nkey" + std::to_string(i) + "=v\r\n";
    return s + "[form1]\r\nLabel8.caption=Laatste\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Files, Form1BrokenLanguageFile,
    ::testing::Values(
        BrokenFile{"empty", "", "Correctie"},
        BrokenFile{"no sections", "Label8.caption=Los\r\n", "Correctie"},
        BrokenFile{"invalid bytes", "\x81\0\xFF\r\n[form1]\r\n\x8D=\x90\r\nLabel8.caption=C\x81"s, "C\x81"},
        BrokenFile{"long line", "[form1]\r\nLabel8.caption=" + std::string(100000, 'l') + "\r\n",
                   std::string(2047, 'l')},
        BrokenFile{"UTF-8", "\xEF\xBB\xBF[form1]\r\nLabel8.caption=Corr\303\251ction\r\n", "Corr\351ction"},
        BrokenFile{"binary", "\0\1\2[\0]=\n\r=["s, "Correctie"},
        BrokenFile{"100,000 lines", many_lines(), "Laatste"}),
    [](const auto& info) {
        std::string name;
        for (char ch : std::string(info.param.what))
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name;
    });

TEST_F(Form1Language, AnUnwritableDirectoryIsReportedAndTheShipStillLoads) {
    data::create_database_if_missing(dir.db_path());
    write_file(dir.path() / "tln.tln", "[form1]\r\nform1.caption=Eigen\r\n");
    const auto before = listing(dir.path());
    const std::string db_before = read_file(dir.db_path());

    expect_in_unwritable_dir(dir.path(), [&] {
        survey::Form1 main(dir.dir(), dialogs);
        const bool created = forms::dispatch(dialogs, [&] { main.formcreate(); });
        const auto errors = dialogs.texts(Kind::error);
        const std::string expected = "Unable to write to " + dir.dir() + "tlf.tln";
        if (!created || errors != std::vector<std::string>{expected}) {
            std::fprintf(stderr, "errors: %s\n", errors.empty() ? "none" : errors[0].c_str());
            return false;
        }
        if (main.get<forms::Label>("LabelNaam").caption() != "Dummy 1") {
            std::fputs("the ship was not loaded\n", stderr);
            return false;
        }
        // Making a language file fails the same way, and changes nothing.
        try {
            main.Maaktaalfile1Click();
            std::fputs("making a language file did not fail\n", stderr);
            return false;
        } catch (const std::exception& e) {
            return e.what() == "Unable to write to " + dir.dir() + "tln.tln";
        }
    });
    EXPECT_EQ(listing(dir.path()), before);
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), "[form1]\r\nform1.caption=Eigen\r\n");
    EXPECT_EQ(read_file(dir.db_path()), db_before);
}

}  // namespace
}  // namespace ijken::lang::test
