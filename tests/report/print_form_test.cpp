// The survey report window on a real database, driven as the user drives it.
#include "core/program/program_windows.h"
#include "core/report/print_form.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "pdf/pdf_test_util.h"
#include "main_window/form1_fixture.h"

namespace ijken::report {
namespace {

using survey::test::Kind;

// The session's survey as the window reads it, altered as a test says.
class AlteredSurvey final : public survey::SurveySource {
  public:
    explicit AlteredSurvey(survey::Form1& form) : form_(form) {}
    const survey::SurveyValue& survey() const override {
        value_ = form_.session().survey();
        for (const auto& alter : alterations) alter(value_);
        return value_;
    }
    const std::string& database() const override { return form_.session().database(); }
    void set_print_language(int index) override { form_.session().set_print_language(index); }
    const forms::Services& window_services() const override { return form_.services; }
    std::vector<data::OwnFile> own_files() const override { return form_.own_files(); }

    std::vector<std::function<void(survey::SurveyValue&)>> alterations;

  private:
    survey::Form1& form_;
    mutable survey::SurveyValue value_;
};

class PrintForm : public survey::test::Form1Fixture {
  protected:
    void SetUp() override {
        Form1Fixture::SetUp();
        form->services.files = &files;
        form->services.shell = &shell;
        form->services.modal = &modal;
        form->services.printing = &printing;
        fresh_report();
    }
    // A report window as the program creates it at start: with its design placeholders.
    void fresh_report() {
        auto source = std::make_unique<AlteredSurvey>(*form);
        altered = source.get();
        report = std::make_unique<Print_form>(std::move(source));
        report->PReport1.SetClock([] { return pdf::testing::kFixedDate; });
        report->scratch_dir = dir.path();
    }
    bool build() {
        return forms::dispatch(dialogs, [&] { report->update_pdf(); });
    }
    bool menu(const std::string& item) { return menu_of(*report, item); }
    bool menu_of(Print_form& window, const std::string& item) {
        return forms::dispatch(dialogs, [&] { ASSERT_TRUE(window.get<forms::MenuItem>(item).click()); });
    }
    PRLabel& label(const std::string& name) { return report->component<PRLabel>(name); }
    std::string caption(const std::string& name) { return label(name).Caption(); }
    int x(const std::string& name) { return report->PRPage1.Find(name)->Left(); }
    // Switches the selected ship to another number of gauge points.
    void gauge_points(int n) {
        sql("update Schiptable set Aantal_ijken=" + text::format_int(n) + " where SchipID=1");
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->laad_schip(); }));
    }
    std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    forms::ScriptedFileDialogs files;
    forms::RecordingShell shell;
    forms::ScriptedModalDisplay modal;
    forms::RecordingPrinting printing;
    std::unique_ptr<Print_form> report;
    AlteredSurvey* altered = nullptr;
};

TEST_F(PrintForm, WorkedLayoutOfTheEmptyColumn) {
    gauge_points(5);
    for (int n = 1; n <= 5; ++n) ASSERT_TRUE(type("ijk_sb_l_" + text::format_int(n), "212"));
    ASSERT_TRUE(build());
    // Five readings "212.0 CM" and the side sum's placeholder, each 52 wide: W 52, P 233.
    EXPECT_EQ(caption("ijk_sb_l_3"), "212.0 CM");
    EXPECT_EQ(x("leeg_label"), 220);  // "Leeg" is 27 wide
    EXPECT_EQ(x("pijlleeg1"), 228);
    for (const char* shaft : {"pijlleeg2", "pijlleeg4", "pijlleeg6"}) EXPECT_EQ(x(shaft), 233) << shaft;
    for (const char* port : {"ijk_bb_l_1", "ijk_bb_l_5", "bb_l_tot", "streep_leeg_bb"})
        EXPECT_EQ(x(port), 165) << port;
    // Ten hyphens would measure 50: the rule grows to eleven.
    EXPECT_EQ(caption("streep_leeg_bb"), "----------- +");
    EXPECT_EQ(caption("streep_leeg_sb"), "----------- +");
    // All five gauge rows shown: the parts of the body stand where the design puts them.
    std::vector<int> tops;
    for (const auto& part : report->PRPage1.Find("PRLayoutPanel1")->Children()) tops.push_back(part->Top());
    EXPECT_EQ(tops, (std::vector<int>{0,   2,   10,  30,  115, 135, 155, 175, 195, 215, 235,
                                      255, 263, 298, 318, 338, 373, 393, 413, 421, 456, 476,
                                      496, 504, 539, 559, 579, 587, 607, 627, 635, 655}));
    EXPECT_EQ(report->PRPage1.Find("PRLayoutPanel31")->BoundsRect().Bottom, 663);
}

TEST_F(PrintForm, EachBuildStartsItsRulesAfreshFromThePreviousSideSums) {
    // Grain Coop 3: empty starboard 220, 200, 180; the first build measures the placeholder
    // "210.1 CM" (52), later ones the side sum " 600.0 CM" (55) that the build before left.
    ASSERT_TRUE(build());
    EXPECT_EQ(x("pijlleeg2"), 233);
    EXPECT_EQ(caption("sb_l_tot"), " 600.0 CM");
    ASSERT_TRUE(build());
    const std::string rule = caption("streep_leeg_bb");
    EXPECT_EQ(x("pijlleeg2"), 230);
    ASSERT_TRUE(build());
    EXPECT_EQ(caption("streep_leeg_bb"), rule);
    EXPECT_EQ(x("pijlleeg2"), 230);
}

struct RowsCase {
    int points;
    std::vector<int> heights;
    int sums_top;  // where the addition rules stand: after the last shown row
    const char* divisor;
    int shafts;  // printed "|" arrows, two per shown row
};
class GaugeRows : public PrintForm, public ::testing::WithParamInterface<RowsCase> {};

TEST_P(GaugeRows, OnlyThePointsInUseTakeRoomAndPrint) {
    const RowsCase& c = GetParam();
    gauge_points(c.points);
    ASSERT_TRUE(build());
    std::vector<int> heights;
    for (int n = 1; n <= 5; ++n)
        heights.push_back(report->PRPage1.Find("regel" + text::format_int(n))->Height());
    EXPECT_EQ(heights, c.heights);
    EXPECT_EQ(report->PRPage1.Find("PRLayoutPanel18")->Top(), c.sums_top);
    EXPECT_EQ(caption("aantalijken_leeg"), c.divisor);
    EXPECT_EQ(caption("aantalijken_vol"), c.divisor);
    report->save_pdf((dir.path() / "rows.pdf").string());
    const std::string pdf = read(dir.path() / "rows.pdf");
    int shafts = 0;
    for (std::size_t p = 0; (p = pdf.find("(|) Tj", p)) != std::string::npos; ++p) ++shafts;
    EXPECT_EQ(shafts, c.shafts);
}

INSTANTIATE_TEST_SUITE_P(Points, GaugeRows,
                         ::testing::Values(RowsCase{3, {20, 0, 20, 0, 20}, 215, "6", 6},
                                           RowsCase{1, {0, 0, 20, 0, 0}, 175, "2", 2},
                                           RowsCase{7, {0, 0, 0, 0, 0}, 155, "14", 0}),
                         [](const auto& info) { return "Points" + std::to_string(info.param.points); });

TEST_F(PrintForm, GaugeRowCaptionsFollowThePoints) {
    gauge_points(3);
    ASSERT_TRUE(build());
    EXPECT_EQ(caption("lbl1"), "Voor ijk");
    EXPECT_EQ(caption("lbl3"), "Midden ijk");
    EXPECT_EQ(caption("lbl5"), "Achter ijk");
}

TEST_F(PrintForm, FormatsReadingsAndResults) {
    gauge_points(5);
    const std::pair<const char*, const char*> readings[] = {{"", "  0.0 CM"},
                                                            {"5", "  5.0 CM"},
                                                            {"12,5", " 12.5 CM"},
                                                            {"12.25", " 12.2 CM"},
                                                            {"12.35", " 12.4 CM"}};
    for (int n = 1; n <= 5; ++n) ASSERT_TRUE(type("ijk_bb_v_" + text::format_int(n), readings[n - 1].first));
    ASSERT_TRUE(type("ijk_sb_v_1", "abc"));
    altered->alterations.push_back([](survey::SurveyValue& v) {
        v.Max_inzinking = 251;
        v.resultaat_leeg.cm_laag = 56;
        v.resultaat_leeg.cm_hoog = 57;
        v.resultaat_leeg.tonnage = 0;
        v.resultaat_vol.tonnage = 328.172;
    });
    ASSERT_TRUE(build());
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(caption("ijk_bb_v_" + text::format_int(n)), readings[n - 1].second);
    EXPECT_EQ(caption("ijk_sb_v_1"), "  0.0 CM");
    EXPECT_EQ(caption("maxinzinking_leeg"), " 251.0 CM");
    EXPECT_EQ(caption("per_cm_L_T_1"), " 56 CM <=>");
    EXPECT_EQ(caption("leeg_cm"), "56 CM <=>");
    EXPECT_EQ(caption("winstVerlies_label"), "Winst");
    EXPECT_EQ(caption("Verlies_winst"), "0.000 Ton");

    altered->alterations.push_back([](survey::SurveyValue& v) { v.resultaat_leeg.tonnage = -1.25; });
    ASSERT_TRUE(build());
    EXPECT_EQ(caption("winstVerlies_label"), "Winst");
    EXPECT_EQ(caption("Verlies_winst"), "1.250 Ton");
    EXPECT_EQ(caption("Totaal"), "329.422 Ton");

    altered->alterations.push_back([](survey::SurveyValue& v) { v.resultaat_leeg.tonnage = 3.41; });
    ASSERT_TRUE(build());
    EXPECT_EQ(caption("winstVerlies_label"), "Verlies");
    EXPECT_EQ(caption("Totaal"), "324.762 Ton");
}

TEST_F(PrintForm, LanguageMenuSetsThePrintLanguageOfTheMainWindow) {
    ASSERT_TRUE(menu("Frans1"));
    EXPECT_EQ(form->get<forms::RadioGroup>("TaalKeuze").item_index(), 1);
    EXPECT_EQ(caption("Meetbrief_text"), "Num\xE9ro de certificat de jaugeage : BR12345");
    EXPECT_EQ(caption("vol_label"), "Charg\xE9");
    EXPECT_TRUE(report->get<forms::MenuItem>("Frans1").checked());
    ASSERT_TRUE(build());
    EXPECT_EQ(caption("lbl5"), "Arri\xE8re");

    ASSERT_TRUE(menu("Duits1"));
    const auto& titles = report->component<PRText>("ontvanger_titel").Lines();
    EXPECT_EQ(titles, (std::vector<std::string>{" ", "Empf\xE4nger", "L\xF6schplatz", "Telefon  Nr."}));
    EXPECT_EQ(caption("inzinking_label"), "\334brig ");
    ASSERT_TRUE(menu("Nederlands1"));
    EXPECT_EQ(caption("gemeten_label"), "Gemeten ");
    EXPECT_EQ(report->component<PRText>("verlader_text").Lines(),
              (std::vector<std::string>{" ", ": Grain Coop 3", ": Melun", ": ", ": "}));
}

TEST_F(PrintForm, RightHeaderColumnEndsAtTheHeaderEdge) {
    ASSERT_TRUE(build());
    EXPECT_EQ(x("koprechtsPanel"), 512);  // the seeded ships have no particulars
    sql("update Schiptable set veld6='Tel. 0612345678' where SchipID=1");
    ASSERT_TRUE(build());
    EXPECT_EQ(x("koprechtsPanel"), 512 - label("veld6").GetTextWidth());
}

// ---- failures ----------------------------------------------------------------------------------

TEST_F(PrintForm, MissingShipRowIsShownAndLeavesThePage) {
    ASSERT_TRUE(build());
    ASSERT_TRUE(type("Verlader_Naam", "Other shipper"));
    altered->alterations.push_back([](survey::SurveyValue& v) { v.SchipID = 99; });
    EXPECT_FALSE(build());
    EXPECT_EQ(boxes(Kind::error), (std::vector<std::string>{"Field name Not found. Empty dataset"}));
    EXPECT_EQ(caption("naam_veld"), "Dummy 1");
    EXPECT_EQ(report->component<PRText>("verlader_text").Lines()[1], ": Grain Coop 3");
}

TEST_F(PrintForm, FileThatCannotBeCreatedIsShownAndNothingOpened) {
    ASSERT_TRUE(build());
    report->scratch_dir = dir.path() / "missing";
    EXPECT_FALSE(menu("OpeneninPDFreader1"));
    ASSERT_EQ(boxes(Kind::error).size(), 1u);
    EXPECT_TRUE(boxes(Kind::error)[0].starts_with("Cannot create file")) << boxes(Kind::error)[0];
    EXPECT_TRUE(shell.opened().empty());

    // The document left open is dropped by the next save, which succeeds.
    report->scratch_dir = dir.path();
    EXPECT_TRUE(menu("OpeneninPDFreader1"));
    ASSERT_EQ(shell.opened(), (std::vector<std::filesystem::path>{dir.path() / "~temp.pdf"}));
    EXPECT_EQ(pdf::testing::qpdf_problems(read(dir.path() / "~temp.pdf")), "");
}

TEST_F(PrintForm, ShellThatCannotOpenTheFileIsShown) {
    struct FailingShell : forms::Shell {
        void open_with_application(const std::filesystem::path&) override {
            throw std::runtime_error("Kan ~temp.pdf niet openen");
        }
    } failing;
    form->services.shell = &failing;
    ASSERT_TRUE(build());
    EXPECT_FALSE(menu("OpeneninPDFreader1"));
    EXPECT_EQ(boxes(Kind::error), (std::vector<std::string>{"Kan ~temp.pdf niet openen"}));
}

// ---- saving, printing, opening -------------------------------------------------------------------

TEST_F(PrintForm, SaveDialogProposesTempPdfThenTheLastChoice) {
    ASSERT_TRUE(build());
    files.answer(std::nullopt);
    files.answer(dir.path() / "grain.pdf");
    files.answer(std::nullopt);
    EXPECT_TRUE(menu("OpslaanalsPDF1"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "temp.pdf"));
    EXPECT_TRUE(menu("OpslaanalsPDF1"));
    EXPECT_TRUE(menu("OpslaanalsPDF1"));
    ASSERT_EQ(files.requests().size(), 3u);
    EXPECT_EQ(files.requests()[0].default_name, "temp.pdf");
    EXPECT_EQ(files.requests()[0].filter, "PDF FFile|*.pdf");
    EXPECT_EQ(files.requests()[0].default_suffix, "pdf");
    EXPECT_EQ(files.requests()[2].default_name, (dir.path() / "grain.pdf").string());
    EXPECT_EQ(report->PReport1.FileName(), (dir.path() / "grain.pdf").string());
    const std::string pdf = read(dir.path() / "grain.pdf");
    EXPECT_EQ(pdf::testing::qpdf_problems(pdf), "");
    EXPECT_NE(pdf.find("/CreationDate (D:20110428085316)"), std::string::npos);
    EXPECT_NE(pdf.find("/MediaBox [0 0 546 842 ]"), std::string::npos);
}

TEST_F(PrintForm, PrintsThePreviewAtItsTrueSize) {
    ASSERT_TRUE(build());
    EXPECT_TRUE(menu("Printen1"));
    ASSERT_EQ(printing.printed().size(), 1u);
    const auto& page = printing.printed()[0];
    EXPECT_EQ(page.title, "Dummy 1");
    EXPECT_EQ(page.width, 546);
    EXPECT_EQ(page.height, 842);
    forms::RecordingPainter preview;
    report->get<forms::ReportPreview>("PRPage1").render(preview);
    EXPECT_EQ(page.calls, preview.calls());

    form->services.printing = nullptr;
    EXPECT_FALSE(menu("Printen1"));
    EXPECT_EQ(boxes(Kind::error), (std::vector<std::string>{"Er is geen printer beschikbaar"}));
}

TEST_F(PrintForm, AfdrukkenOpensTheReportModallyInPlaceOfTheMainWindow) {
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { ijken::program::create_windows(*form); }));
    auto* window = form->window<Print_form>();
    ASSERT_NE(window, nullptr);
    for (const auto& w : form->windows()) {
        if (w.form.get() == window) {
            EXPECT_EQ(w.section, "print");
        }
    }
    ASSERT_TRUE(
        forms::dispatch(dialogs, [&] { ASSERT_TRUE(form->get<forms::MenuItem>("Afdrukken1").click()); }));
    EXPECT_FALSE(form->visible());
    EXPECT_TRUE(window->visible());
    EXPECT_TRUE(window->modal());
    EXPECT_EQ(modal.shown(), (std::vector<forms::Form*>{window}));
    // Shown means built: the page holds the survey.
    EXPECT_EQ(window->component<PRLabel>("naam_veld").Caption(), "Dummy 1");
    // The activation that comes with showing builds nothing more; a later one builds again.
    sql("update Schiptable set Aantal_ijken=4 where SchipID=1");
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { form->laad_schip(); }));
    window->activate();
    EXPECT_EQ(window->component<PRLabel>("aantalijken_leeg").Caption(), "6");
    window->activate();
    EXPECT_EQ(window->component<PRLabel>("aantalijken_leeg").Caption(), "8");
    ASSERT_TRUE(
        forms::dispatch(dialogs, [&] { ASSERT_TRUE(window->get<forms::MenuItem>("Afsluiten1").click()); }));
    EXPECT_FALSE(window->visible());
    EXPECT_TRUE(form->visible());
    EXPECT_TRUE(dialogs.shown().empty());
}

// A page that cannot be built, for a reason that persists, is reported once: not again at each
// activation that follows its error box. Nothing of the stale page leaves the window, and
// "Afsluiten" goes back to the main window (which may meet the same cause and say so).
class PageThatCannotBeBuilt : public PrintForm, public ::testing::WithParamInterface<std::string> {};

TEST_P(PageThatCannotBeBuilt, IsReportedOnceAndTheWindowCanBeLeft) {
    ASSERT_TRUE(forms::dispatch(dialogs, [&] { ijken::program::create_windows(*form); }));
    auto* window = form->window<Print_form>();
    data::SQLiteDatabase lock(dir.db_path());
    if (GetParam() == "reading") type("ijk_bb_l_1", "99999999999999999999"), dialogs.clear();
    if (GetParam() == "moved") std::filesystem::rename(dir.db_path(), dir.path() / "elsewhere.db");
    if (GetParam() == "ship") sql("delete from Schiptable where SchipID=1");
    if (GetParam() == "locked") lock.Execute("BEGIN EXCLUSIVE");
    EXPECT_FALSE(forms::dispatch(dialogs, [&] { form->afdrukken1click(); }));
    for (int i = 0; i < 3; ++i) forms::dispatch(dialogs, [&] { window->activate(); });
    EXPECT_EQ(boxes(Kind::error).size(), 1u);
    for (const char* item : {"OpslaanalsPDF1", "OpeneninPDFreader1", "Printen1"})
        EXPECT_FALSE(window->get<forms::MenuItem>(item).enabled()) << item;
    // A language chosen in the menu is the user's own request: its failure is shown, once.
    EXPECT_FALSE(menu_of(*window, "Frans1"));
    forms::dispatch(dialogs, [&] { window->activate(); });
    EXPECT_EQ(boxes(Kind::error).size(), 2u);
    menu_of(*window, "Afsluiten1");
    EXPECT_FALSE(window->visible());
    EXPECT_TRUE(form->visible());
}

INSTANTIATE_TEST_SUITE_P(Causes, PageThatCannotBeBuilt, ::testing::Values("reading", "moved", "ship", "locked"));

// "~temp.pdf" goes into a directory only the user may enter: "ijken" in the runtime directory
// (made private when it is the user's own), else a fresh one in the temporary directory.
TEST_F(PrintForm, ScratchFileLandsInAPrivateDirectory) {
    const auto run = dir.path() / "run";
    const auto tmp = dir.path() / "tmp";
    std::filesystem::create_directories(run / "ijken");
    std::filesystem::create_directories(tmp);
    ::chmod((run / "ijken").c_str(), 0777);
    auto saved = [](const char* name) { return std::getenv(name) ? std::string(std::getenv(name)) : ""; };
    const std::string tmpdir = saved("TMPDIR");
    const std::string runtime_dir = saved("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", tmp.c_str(), 1);
    for (const std::string& runtime : {run.string(), std::string()}) {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        report->scratch_dir.clear();
        EXPECT_TRUE(build() && menu("OpeneninPDFreader1"));
        const auto folder = shell.opened().back().parent_path();
        EXPECT_EQ(shell.opened().back().filename(), "~temp.pdf");
        EXPECT_EQ(runtime.empty() ? folder.parent_path() : folder, runtime.empty() ? tmp : run / "ijken");
        struct stat st {};
        EXPECT_TRUE(::lstat(folder.c_str(), &st) == 0 && (st.st_mode & 0777) == 0700) << std::oct << st.st_mode;
    }
    for (const auto& [name, value] : {std::pair{"TMPDIR", tmpdir}, std::pair{"XDG_RUNTIME_DIR", runtime_dir}})
        value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
}

// The rules that the layout gives no position stand like every item of the body; the addition
// rules and the rule under the measured mean are raised into their thin parts.
TEST_F(PrintForm, RulesStandWhereTheLayoutPutsThem) {
    auto place = [&](const char* name) { return std::pair{label(name).Top(), label(name).Height()}; };
    for (const char* name : {"PRLabel1", "PRLabel3", "PRLabel7", "PRLabel8", "PRLabel9", "PRLabel11"})
        EXPECT_EQ(place(name), std::pair(0, 15)) << name;
    for (const char* name : {"PRLabel2", "PRLabel4", "streep_leeg_bb", "streep_vol_sb"})
        EXPECT_EQ(place(name), std::pair(-4, 12)) << name;
}

// ---- the whole page, byte for byte ------------------------------------------------------------------

class GoldenReport : public PrintForm, public ::testing::WithParamInterface<const char*> {};

// The reports of Grain Coop 3 in each language, checked by eye and by qpdf when they were made.
// IJKEN_UPDATE_GOLDEN=1 writes them anew.
TEST_P(GoldenReport, MatchesTheCheckedFile) {
    const std::string lang = GetParam();
    ASSERT_TRUE(menu(lang == "nl" ? "Nederlands1" : lang == "fr" ? "Frans1" : "Duits1"));
    const std::filesystem::path file = dir.path() / "report.pdf";
    report->save_pdf(file.string());
    const std::string pdf = read(file);
    EXPECT_EQ(pdf::testing::qpdf_problems(pdf), "");
    const std::filesystem::path golden =
        std::filesystem::path(IJKEN_TEST_DATA_DIR) / ("survey-report-" + lang + ".pdf");
    if (std::getenv("IJKEN_UPDATE_GOLDEN") != nullptr) std::ofstream(golden, std::ios::binary) << pdf;
    EXPECT_TRUE(pdf == read(golden)) << "differs from " << golden;
}

INSTANTIATE_TEST_SUITE_P(Languages, GoldenReport, ::testing::Values("nl", "fr", "de"));

}  // namespace
}  // namespace ijken::report
