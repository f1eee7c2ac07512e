#pragma once
// The survey report window: a survey (the main window's current one) laid out as the report's page
// (PRPage1, see survey_page.h), shown as its preview and written as PDF by PReport1, in Dutch,
// French or German.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/forms/forms.h"
#include "core/report/pr_report.h"
#include "core/report/survey_page.h"
#include "core/survey/survey_value.h"

namespace ijken::session {
class Session;
}

namespace ijken::report {

class Print_form : public forms::Form {
  public:
    // The window reads the survey of source (and its language menu chooses the survey's print
    // language); source must outlive it.
    explicit Print_form(survey::SurveySource& source);
    // The same on a source the window keeps.
    explicit Print_form(std::unique_ptr<survey::SurveySource> source);
    // The window of the running program: a view of the session's survey. services must outlive it;
    // own_files names the files the program keeps, in the interface language.
    Print_form(session::Session& session, const forms::Services& services,
               std::function<std::vector<data::OwnFile>()> own_files);
    ~Print_form() override;

  private:
    SurveyPage page_;

  public:
    PRPage& PRPage1;
    PReport PReport1;

    // Where "Open in PDF reader" writes its scratch file "~temp.pdf". Left empty, the first use
    // takes a directory only this user may enter (see private_scratch_directory).
    std::filesystem::path scratch_dir;

    // ---- handlers ----

    // Builds the page from the source's survey and redraws the preview. All that it
    // reads is read before the page changes, so a build that fails leaves the previous page; the
    // page then no longer shows the current survey, and it can be neither saved, opened nor printed
    // until a build succeeds.
    void update_pdf();
    // The window became the active one: the page is built again. A failure is reported once: the
    // activation that follows the closing of its own error box, and every later one that fails the
    // same way, says nothing, so that the window can still be used and left.
    void formactivate();
    void Nederlands1Click();
    void Frans1Click();
    void Duits1Click();
    void OpslaanalsPDF1Click();
    void OpeneninPDFreader1Click();
    void Printen1Click();
    void Afsluiten1Click();

    // Writes the page, as the last build left it, as a one-page PDF file (created or replaced).
    void save_pdf(const std::string& file_name);

    // A component of the page by name ("naam_veld", "regel3", ...).
    template <class T>
    T& component(std::string_view name) const {
        return page_.component<T>(name);
    }

  private:
    void build_menu();
    void set_language(int index);
    // update_pdf for a showing or an activation, quiet about a failure already reported.
    void rebuild();
    // Whether the page shows the current survey: the save, open and print items follow it.
    void set_page_current(bool current);

    survey::SurveySource& source_;
    std::unique_ptr<survey::SurveySource> owned_source_;
    forms::ReportPreview* preview_ = nullptr;
    // The name chosen in the last save dialog, proposed again in the next one.
    std::optional<std::filesystem::path> last_saved_;
    // Showing the window builds the page; the activation that comes with showing need not again.
    bool shown_unactivated_ = false;
    // The failure of the last build, reported already; empty after a build that succeeded.
    std::string reported_failure_;
};

}  // namespace ijken::report
