#pragma once
// The survey report window: a survey (the main window's current one) laid out as one page
// (PRPage1), shown as its preview and written as PDF by PReport1, in Dutch, French or German.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "core/forms/forms.h"
#include "core/report/pr_label.h"
#include "core/report/pr_page.h"
#include "core/report/pr_rect.h"
#include "core/report/pr_report.h"
#include "core/survey/survey_value.h"

namespace ijken::report {

class Print_form : public forms::Form {
  public:
    // The window reads the survey of source (and its language menu chooses the survey's print
    // language); source must outlive it.
    explicit Print_form(survey::SurveySource& source);
    ~Print_form() override;

    PRPage PRPage1;
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
        const auto it = components_.find(name);
        T* t = it == components_.end() ? nullptr : dynamic_cast<T*>(it->second);
        if (t == nullptr) throw std::logic_error("The report has no " + std::string(name) + " of that kind");
        return *t;
    }

  private:
    // The labels of one state's columns (empty or loaded), which every build lays out anew.
    struct StateColumns {
        std::array<PRLabel*, 5> port{};
        std::array<PRLabel*, 5> starboard{};
        PRLabel* port_sum = nullptr;
        PRLabel* starboard_sum = nullptr;
        PRLabel* heading = nullptr;
        PRLabel* port_rule = nullptr;
        PRLabel* starboard_rule = nullptr;
        std::array<PRLabel*, 6> arrows{};  // the head, then the shafts of rows 1 to 5
    };

    void build_page();
    void lay_out_state(const StateColumns& columns, const std::int64_t* port_readings,
                       const std::int64_t* starboard_readings);
    void lay_out_figures(const survey::SurveyValue& survey, const std::array<std::int64_t, 20>& readings,
                         int taal);
    void build_menu();
    void set_language(int index);
    // update_pdf for a showing or an activation, quiet about a failure already reported.
    void rebuild();
    // Whether the page shows the current survey: the save, open and print items follow it.
    void set_page_current(bool current);

    survey::SurveySource& source_;
    forms::ReportPreview* preview_ = nullptr;
    // The page's components by name: a build looks up some hundred and fifty of them.
    std::unordered_map<std::string_view, PRControl*> components_;
    StateColumns empty_columns_;
    StateColumns loaded_columns_;
    // The name chosen in the last save dialog, proposed again in the next one.
    std::optional<std::filesystem::path> last_saved_;
    // Showing the window builds the page; the activation that comes with showing need not again.
    bool shown_unactivated_ = false;
    // The failure of the last build, reported already; empty after a build that succeeded.
    std::string reported_failure_;
};

}  // namespace ijken::report
