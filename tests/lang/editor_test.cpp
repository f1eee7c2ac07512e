// The language file editor beside the main window: load on activation, write back and translate
// on deactivation.
#include "core/program/program_windows.h"
#include "core/lang/editor.h"

#include <gtest/gtest.h>

#include "core/data/sqlite_database.h"
#include "core/forms/forms.h"
#include "core/main_window/form1.h"
#include "core/text/cp1252.h"
#include "lang_test_util.h"
#include "support/temp_dir.h"

namespace ijken::lang::test {
namespace {

using Kind = forms::ScriptedDialogs::Kind;

class EditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { main.formcreate(); }));
        ijken::program::create_windows(main);
        main.show();
        editor = main.window<Editor>();
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { main.get<forms::MenuItem>("taaleditor1").on_click(); }));
    }

    // The user goes to the editor, and back to the main window.
    bool activate() {
        return forms::dispatch(dialogs, [&] { editor->activate(); });
    }
    bool deactivate() {
        return forms::dispatch(dialogs, [&] { editor->deactivate(); });
    }
    forms::Memo& memo() { return editor->get<forms::Memo>("Memo1"); }
    void edit(const std::string& from, const std::string& to) {
        std::string text = memo().text();
        const auto at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        memo().set_text(text.replace(at, from.size(), to));
    }
    void set_stored_taal(int taal) {
        data::SQLiteDatabase db(dir.db_path());
        db.Execute("update Schiptable set taal=" + std::to_string(taal) + " where SchipID=1");
    }
    long long stored_taal() {
        data::SQLiteDatabase db(dir.db_path());
        return db.Query("select taal from Schiptable where SchipID=1")->AsInteger(0);
    }

    ijken::testing::TempDir dir;
    forms::ScriptedDialogs dialogs;
    survey::Form1 main{dir.dir(), dialogs};
    Editor* editor = nullptr;
};

TEST_F(EditorTest, ShowsTheActiveFileAndAnEditReachesTheMainWindowOnLeaving) {
    EXPECT_TRUE(editor->visible());
    EXPECT_TRUE(main.visible());
    EXPECT_FALSE(editor->modal());
    EXPECT_EQ(editor->caption(), "Drem taal Editor");
    EXPECT_EQ(memo().text(), "Memo1");

    ASSERT_TRUE(activate());
    EXPECT_EQ(memo().text(), golden("tln.tln"));
    ASSERT_TRUE(deactivate());
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), golden("tln.tln"));

    ASSERT_TRUE(activate());
    edit("Label8.caption=Correctie", "Label8.caption=Zoutfactor");
    edit("GroupBox2.caption=Bestemming\r\n", "");
    ASSERT_TRUE(deactivate());
    EXPECT_EQ(main.get<forms::Label>("Label8").caption(), "Zoutfactor");
    EXPECT_EQ(main.get<forms::GroupBox>("GroupBox2").caption(), "Bestemming");  // no entry: stays
    EXPECT_NE(read_file(dir.path() / "tln.tln").find("\r\nLabel8.caption=Zoutfactor\r\n"), std::string::npos);

    // French chosen in the main window: the editor now works on the French file.
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { main.FR1Click(); }));
    ASSERT_TRUE(activate());
    EXPECT_EQ(memo().text(), golden("tlf.tln"));
    edit("form1.caption=Echelles", "form1.caption=Jaugeage");
    ASSERT_TRUE(deactivate());
    EXPECT_EQ(main.caption(), "Jaugeage");
    EXPECT_NE(read_file(dir.path() / "tln.tln").find("Zoutfactor"), std::string::npos);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(EditorTest, LineBreaksBecomeCrLfAndTheRestKeepsItsBytes) {
    write_file(dir.path() / "tln.tln", "[form1]\nform1.caption=Lf\rLabel8.caption=\xA0\x81\r\n\r\nend");
    ASSERT_TRUE(activate());
    EXPECT_EQ(memo().text(), "[form1]\r\nform1.caption=Lf\r\nLabel8.caption=\xA0\x81\r\n\r\nend");
    ASSERT_TRUE(deactivate());
    EXPECT_EQ(read_file(dir.path() / "tln.tln"),
              "[form1]\r\nform1.caption=Lf\r\nLabel8.caption=\xA0\x81\r\n\r\nend");
    EXPECT_EQ(main.caption(), "Lf");
}

TEST_F(EditorTest, AnEditedFileIsWrittenBackInTheEncodingItWasReadIn) {
    // Windows-1252: \xE4 "ä", \xE9 "é".
    const struct {
        const char* name;
        std::string prefix;  // what the file holds before its first line
        bool utf8;
    } cases[] = {
        {"Windows-1252", "", false}, {"UTF-8", "", true}, {"UTF-8 with a mark", "\xEF\xBB\xBF", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto in_file = [&](const std::string& cp1252) {
            return c.utf8 ? text::cp1252_to_utf8(cp1252) : cp1252;
        };
        write_file(dir.path() / "tln.tln", c.prefix + in_file("[form1]\r\nLabel8.caption=Empf\xE4nger\r\n"));
        ASSERT_TRUE(activate());
        EXPECT_EQ(memo().text(), "[form1]\r\nLabel8.caption=Empf\xE4nger\r\n");
        edit("Empf\xE4nger", "Empf\xE4nger \xE9");
        ASSERT_TRUE(deactivate());
        EXPECT_EQ(read_file(dir.path() / "tln.tln"),
                  c.prefix + in_file("[form1]\r\nLabel8.caption=Empf\xE4nger \xE9\r\n"));
        EXPECT_EQ(main.get<forms::Label>("Label8").caption(), "Empf\xE4nger \xE9");
    }
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(EditorTest, AUtf8FileWithACharacterOutsideTheCodePageIsNotOverwritten) {
    const std::string bytes = "[form1]\r\nLabel8.caption=\xC5\x81\xC3\xB3" "d\xC5\xBA\r\n";  // "Łódź"
    write_file(dir.path() / "tln.tln", bytes);
    EXPECT_FALSE(activate());
    const auto errors = dialogs.texts(Kind::error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].starts_with("Cannot open file \"" + dir.dir() + "tln.tln\". ")) << errors[0];
    EXPECT_NE(errors[0].find("U+0141"), std::string::npos) << errors[0];
    EXPECT_TRUE(memo().read_only());
    ASSERT_TRUE(deactivate());
    EXPECT_EQ(read_file(dir.path() / "tln.tln"), bytes);
}

TEST_F(EditorTest, AFileThatCannotBeLoadedIsNeverOverwritten) {
    ASSERT_TRUE(activate());  // the Dutch text is in the memo
    ASSERT_TRUE(deactivate());
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { main.FR1Click(); }));
    std::filesystem::remove(dir.path() / "tlf.tln");

    EXPECT_FALSE(activate());
    const std::string path = dir.dir() + "tlf.tln";
    EXPECT_EQ(dialogs.texts(Kind::error),
              std::vector<std::string>{"Cannot open file \"" + path + "\". No such file or directory"});
    EXPECT_EQ(memo().text(), golden("tln.tln"));
    EXPECT_TRUE(memo().read_only());

    // Leaving writes nothing (the memo holds the Dutch text), but still translates and stores.
    set_stored_taal(9);
    ASSERT_TRUE(deactivate());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(stored_taal(), 2);
    // Coming back right after the error box closed does not show the box again.
    EXPECT_TRUE(activate());
    EXPECT_EQ(dialogs.texts(Kind::error).size(), 1u);

    // Once the file is there again, it loads and can be edited.
    write_file(path, "[form1]\r\n");
    ASSERT_TRUE(activate());
    EXPECT_EQ(memo().text(), "[form1]\r\n");
    EXPECT_FALSE(memo().read_only());
}

TEST_F(EditorTest, AFailedSaveIsReportedAndTheEditIsKept) {
    ASSERT_TRUE(activate());
    edit("Label8.caption=Correctie", "Label8.caption=Factor");
    // A directory in the file's place: the new file cannot be renamed over it.
    std::filesystem::remove(dir.path() / "tln.tln");
    std::filesystem::create_directory(dir.path() / "tln.tln");
    set_stored_taal(9);

    EXPECT_FALSE(deactivate());
    const auto errors = dialogs.texts(Kind::error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].starts_with("Cannot create file \"" + dir.dir() + "tln.tln\". ")) << errors[0];
    EXPECT_EQ(stored_taal(), 9);  // not translated
    EXPECT_EQ(main.get<forms::Label>("Label8").caption(), "Correctie");
    EXPECT_EQ(listing(dir.path()), (std::set<std::string>{"ijken.db", "tlf.tln", "tln.tln"}));

    // Back in the editor the edit is still there, not replaced by what the disk holds.
    activate();
    EXPECT_NE(memo().text().find("Label8.caption=Factor"), std::string::npos);
    std::filesystem::remove(dir.path() / "tln.tln");
    ASSERT_TRUE(deactivate());
    EXPECT_EQ(main.get<forms::Label>("Label8").caption(), "Factor");
}

TEST_F(EditorTest, ALanguageWithoutAnEditorFileIsNeitherLoadedNorSavedButStillTranslates) {
    main.session().taal().set_TaalFile5("tlx.tln");
    main.session().taal().SetActiveTaalFile(5);
    write_file(dir.path() / "tlx.tln", "[form1]\r\nform1.caption=Vijf\r\n");
    ASSERT_TRUE(activate());
    EXPECT_EQ(memo().text(), "Memo1");
    ASSERT_TRUE(deactivate());
    EXPECT_EQ(main.caption(), "Vijf");
    EXPECT_EQ(stored_taal(), 5);
    EXPECT_EQ(read_file(dir.path() / "tlx.tln"), "[form1]\r\nform1.caption=Vijf\r\n");
}

TEST_F(EditorTest, TheMemoFillsTheWindowLessFivePixels) {
    editor->set_client_size(600, 450);
    EXPECT_EQ(memo().geometry(), (forms::Rect{0, 0, 595, 445}));
    editor->set_client_size(3, 2);
    EXPECT_EQ(memo().geometry(), (forms::Rect{0, 0, 0, 0}));
}

TEST(Memo, RefusesMoreThanItHolds) {
    forms::Memo memo("m", nullptr, forms::Rect{}, "a\nb");
    EXPECT_EQ(memo.text(), "a\r\nb");
    try {
        memo.set_text(std::string(forms::Memo::capacity + 1, 'x'));
        ADD_FAILURE() << "no error";
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "Text exceeds memo capacity");
    }
    EXPECT_EQ(memo.text(), "a\r\nb");
}

}  // namespace
}  // namespace ijken::lang::test
