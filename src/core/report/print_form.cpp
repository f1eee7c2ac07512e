#include "core/report/print_form.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "core/data/own_files.h"
#include "core/report/session_survey.h"
#include "core/survey/survey_value.h"
#include "core/text/numbers.h"

namespace ijken::report {

namespace {


// A directory that this user owns (not a link to one), made private when it is not yet.
bool private_directory(const std::string& dir) {
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
    return (st.st_mode & 077) == 0 || ::chmod(dir.c_str(), 0700) == 0;
}

// Where "~temp.pdf" goes: a file of a fixed name in a directory everyone writes could be taken
// first by another user, or planted as a link to a file of this user's. The user's runtime
// directory is private; "ijken" in it is used when it is the user's own directory. Without it, a
// fresh directory of the user's own is made in the temporary directory.
std::filesystem::path private_scratch_directory() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && runtime[0] == '/') {
        const std::string dir = std::string(runtime) + "/ijken";
        ::mkdir(dir.c_str(), 0700);
        if (private_directory(dir)) return dir;
    }
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    std::string pattern = (temp / "ijken-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("Cannot create directory \"" + pattern + "\". " + std::strerror(errno));
    }
    return pattern;
}

}  // namespace

Print_form::Print_form(survey::SurveySource& source)
    : forms::Form("print_form", "Print_form", forms::Rect{216, 79, 592, 610}),
      PRPage1(page_.page()),
      source_(source) {
    build_menu();
    preview_ = &add<forms::ReportPreview>("PRPage1", nullptr, forms::Rect{0, 0, 584, 555});
    preview_->set_page_size(PRPage1.Width(), PRPage1.Height());
    preview_->paint = [this](forms::Painter& painter) { PRPage1.PaintPage(painter); };
    prepare_survey_report(PReport1);
    on_show = [this] {
        shown_unactivated_ = true;
        rebuild();
    };
    on_activate = [this] { formactivate(); };
    on_close = [this] {
        shown_unactivated_ = false;
        // Opened again later, the window reports a failure that persists once more.
        reported_failure_.clear();
    };
    // Nothing is built yet: the page holds the design's placeholders.
    set_page_current(false);
}

void Print_form::build_menu() {
    forms::MenuItem& bar = menu();
    auto& taal = add<forms::MenuItem>("Taal", &bar, "Taal");
    add<forms::MenuItem>("Nederlands1", &taal, "Nederlands").on_click = [this] { Nederlands1Click(); };
    add<forms::MenuItem>("Frans1", &taal, "Frans").on_click = [this] { Frans1Click(); };
    add<forms::MenuItem>("Duits1", &taal, "Duits").on_click = [this] { Duits1Click(); };
    add<forms::MenuItem>("OpslaanalsPDF1", &bar, "Opslaan als PDF").on_click = [this] {
        OpslaanalsPDF1Click();
    };
    add<forms::MenuItem>("OpeneninPDFreader1", &bar, "Open in PDF reader").on_click = [this] {
        OpeneninPDFreader1Click();
    };
    auto& print_item = add<forms::MenuItem>("Printen1", &bar, "P&rinten\x85");
    print_item.set_shortcut("Ctrl+P");
    print_item.on_click = [this] { Printen1Click(); };
    add<forms::MenuItem>("Afsluiten1", &bar, "Afsluiten").on_click = [this] { Afsluiten1Click(); };
}

Print_form::Print_form(std::unique_ptr<survey::SurveySource> source) : Print_form(*source) {
    owned_source_ = std::move(source);
}

Print_form::Print_form(session::Session& session, const forms::Services& services,
                       std::function<std::vector<data::OwnFile>()> own_files)
    : Print_form(std::make_unique<SessionSurvey>(session, services, std::move(own_files))) {}

Print_form::~Print_form() = default;

void Print_form::formactivate() {
    if (shown_unactivated_) {
        shown_unactivated_ = false;
        return;
    }
    rebuild();
}

void Print_form::rebuild() {
    const std::string reported = reported_failure_;
    try {
        update_pdf();
    } catch (const std::exception& e) {
        // Closing the error box activates the window again: the same failure, shown again, would
        // bring the box back for ever.
        if (e.what() == reported) return;
        throw;
    }
}

void Print_form::set_page_current(bool current) {
    for (const char* item : {"OpslaanalsPDF1", "OpeneninPDFreader1", "Printen1"})
        get<forms::MenuItem>(item).set_enabled(current);
}

void Print_form::update_pdf() {
    // The ship's lines are read from the database, the readings converted, before the page
    // changes: a failure leaves the previous page.
    int taal = 0;
    try {
        const survey::SurveyValue survey = source_.survey();
        page_.build(survey, source_.ship_particulars(), survey.print_language);
        taal = page_language(survey.print_language);
    } catch (const std::exception& e) {
        // The page keeps the previous build, which is not this survey's. Every caller has the
        // failure reported, or knows it was reported already.
        set_page_current(false);
        reported_failure_ = e.what();
        throw;
    }
    // The language menu shows the language the page is in.
    get<forms::MenuItem>("Nederlands1").set_checked(taal == 0);
    get<forms::MenuItem>("Frans1").set_checked(taal == 1);
    get<forms::MenuItem>("Duits1").set_checked(taal == 2);
    reported_failure_.clear();
    set_page_current(true);
    preview_->repaint();
}

void Print_form::set_language(int index) {
    source_.set_print_language(index);
    update_pdf();
}

void Print_form::Nederlands1Click() {
    set_language(0);
}

void Print_form::Frans1Click() {
    set_language(1);
}

void Print_form::Duits1Click() {
    set_language(2);
}

void Print_form::save_pdf(const std::string& file_name) {
    write_page(PReport1, PRPage1, file_name);
}

void Print_form::OpslaanalsPDF1Click() {
    forms::FileDialogs* files = source_.window_services().files;
    if (files == nullptr) throw std::logic_error("No save dialog to choose a file with");
    forms::SaveFileRequest request;
    request.default_name = last_saved_ ? last_saved_->string() : "temp.pdf";
    request.filter = "PDF FFile|*.pdf";
    request.default_suffix = "pdf";
    const auto chosen = files->save_file(request);
    if (!chosen) return;
    data::refuse_own_file(*chosen, source_.own_files());
    last_saved_ = *chosen;
    save_pdf(chosen->string());
}

void Print_form::OpeneninPDFreader1Click() {
    // Made at the first use, and kept for the run: the reader may still be reading the last file.
    if (scratch_dir.empty()) scratch_dir = private_scratch_directory();
    const std::filesystem::path file = scratch_dir / "~temp.pdf";
    save_pdf(file.string());
    forms::Shell* shell = source_.window_services().shell;
    if (shell == nullptr) throw std::logic_error("No application to open " + file.string() + " with");
    shell->open_with_application(file);
}

void Print_form::Printen1Click() {
    forms::Printing* printing = source_.window_services().printing;
    if (printing == nullptr) throw std::runtime_error("Er is geen printer beschikbaar");
    forms::PrintJob job;
    job.title = component<PRLabel>("naam_veld").Caption();
    job.width = PRPage1.Width();
    job.height = PRPage1.Height();
    job.paint = [this](forms::Painter& painter) { PRPage1.PaintPage(painter); };
    printing->print(job);
}

void Print_form::Afsluiten1Click() {
    close();
}

}  // namespace ijken::report
