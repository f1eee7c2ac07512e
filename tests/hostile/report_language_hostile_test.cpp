// The survey report and the language editor against hostile texts and against databases they
// cannot use.
#include "core/text/ini_file.h"
#include "hostile/hostile_fixture.h"
#include "pdf/pdf_test_util.h"

namespace ijken::hostile::test {
namespace {

class ReportLanguageHostile : public HostileFixture, public ::testing::WithParamInterface<Hostile> {};

// The report of a survey whose every text is hostile, with a ship whose particulars are (stored
// by another program: the ship window would refuse the long ones): built, then saved as PDF. The
// file is a valid PDF, or nothing is written and a message says why.
TEST_P(ReportLanguageHostile, ReportOfHostileTexts) {
    const std::string& text = GetParam().text;
    {
        data::SQLiteDatabase db(dir.db_path());
        std::vector<data::SqlValue> values(10, text);
        db.Execute("update Schiptable set Name=?, Meetbrief_NR=?, veld1=?, veld2=?, veld3=?, veld4=?, veld5=?, "
                   "veld6=?, veld7=?, veld8=? where SchipID=1",
                   values);
    }
    ASSERT_TRUE(act("load the ship", [&] { form->laad_schip(); }));
    for (const char* field : {"Verlader_Naam", "Verlader_Plaats", "Verlader_telefoon", "Ontvanger_naam",
                              "Ontvanger_plaats", "Ontvanger_telefoon", "Lading"})
        act(field, [&] { form->get<forms::Edit>(field).set_text(text); });
    act("a reading", [&] { form->reading('s', 'v', 2).set_text(text); });

    const bool built = act("build", [&] { report->update_pdf(); });
    const fs::path pdf = dir.path() / "rapport.pdf";
    files.answer(pdf);
    const bool saved = act("save", [&] { report->OpslaanalsPDF1Click(); });
    if (!built || !saved) {
        EXPECT_FALSE(saved && !fs::exists(pdf));
        return;
    }
    const std::string bytes = file_bytes(pdf);
    ASSERT_EQ(bytes.rfind("%PDF-", 0), 0u);
    EXPECT_EQ(pdf::testing::qpdf_problems(bytes), "");
    // The PDF reader and the printer get the same page.
    EXPECT_TRUE(act("open in reader", [&] { report->OpeneninPDFreader1Click(); }));
    EXPECT_TRUE(act("print", [&] { report->Printen1Click(); }));
}

// A hostile value in the active language file, typed in the editor and written back on leaving
// it: the file holds what was typed and every window is translated with it, or a message says why.
TEST_P(ReportLanguageHostile, LanguageEditorValue) {
    const std::string& text = GetParam().text;
    ASSERT_TRUE(act("open the editor", [&] { form->taaleditor1Click(); }));
    forms::Memo& memo = editor->get<forms::Memo>("Memo1");
    const std::string key = "form1.caption=";
    for (const std::string& at : {key, std::string("sltb_save.hint=")}) {
        SCOPED_TRACE(at);
        ASSERT_TRUE(act("activate", [&] { editor->activate(); }));
        std::string edited = memo.text();
        const auto pos = edited.find(at);
        ASSERT_NE(pos, std::string::npos);
        edited.insert(pos + at.size(), text);
        act("typed", [&] { memo.set_text(edited); });
        const std::string typed = memo.text();
        const std::string file = file_bytes(dir.path() / "tln.tln");
        if (!act("leave the editor", [&] { editor->deactivate(); })) {
            EXPECT_EQ(file_bytes(dir.path() / "tln.tln"), file) << "a refused edit changed the file";
            continue;
        }
        // As the program reads the file: Windows-1252 bytes that would read as UTF-8 are written
        // as UTF-8, so that they come back as typed.
        const std::string written = file_bytes(dir.path() / "tln.tln");
        EXPECT_EQ(text::decode_text(written, text::detect_encoding(written)), typed);
        ASSERT_TRUE(act("come back", [&] { editor->activate(); }));
        EXPECT_EQ(memo.text(), typed);
        EXPECT_TRUE(act("translate again", [&] { form->Vertaal(); }));
        expect_restart("language file");
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ReportLanguageHostile, ::testing::ValuesIn(hostile_texts()), hostile_name);

class ReportLanguageDatabase : public HostileFixture, public ::testing::WithParamInterface<DbState> {};

TEST_P(ReportLanguageDatabase, ReportOperations) {
    const std::vector<Operation> operations = {
        {"build the report", nullptr, [&] { report->update_pdf(); }},
        {"open the report window", nullptr, [&] { ASSERT_TRUE(form->get<forms::MenuItem>("Afdrukken1").click()); }},
    };
    for (const Operation& op : operations) check_operation(op, GetParam());
}

TEST_P(ReportLanguageDatabase, LanguageEditorOperations) {
    const std::vector<Operation> operations = {
        {"leave the editor",
         [&] {
             form->taaleditor1Click();
             editor->activate();
         },
         [&] { editor->deactivate(); }},
    };
    for (const Operation& op : operations) check_operation(op, GetParam());
}

INSTANTIATE_TEST_SUITE_P(States, ReportLanguageDatabase, ::testing::ValuesIn(all_states()), state_param_name);

}  // namespace
}  // namespace ijken::hostile::test
