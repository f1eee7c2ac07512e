#pragma once
// The survey report's page: a survey and its ship laid out as one A4 page in Dutch, French or
// German. The report window previews, saves and prints it; `ijken report`, `ijken office report`
// and anything else that hands out a report write it through write_survey_report or
// survey_report_pdf, which build it exactly as the window does when it opens.
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/pdf/pdf_doc.h"
#include "core/report/pr_label.h"
#include "core/report/pr_page.h"
#include "core/report/pr_rect.h"
#include "core/report/pr_report.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_value.h"

namespace ijken::report {

// The page's language for a print language as the main window holds it: 0 Dutch, 1 French,
// anything else German.
int page_language(int print_language);

// The page and its components, with the design's placeholders until the first build. A build
// lays the page out anew, but the columns' positions start from the side sums the previous build
// left (as designed), so a page built twice may differ from one built once.
class SurveyPage {
  public:
    SurveyPage();
    SurveyPage(const SurveyPage&) = delete;
    SurveyPage& operator=(const SurveyPage&) = delete;

    PRPage& page() { return page_; }
    const PRPage& page() const { return page_; }

    // Lays the survey out in the page language of print_language. Every reading is converted
    // before the page changes: a survey that cannot be shown throws and leaves the previous page.
    void build(const survey::SurveyValue& survey, const survey::ShipParticulars& ship, int print_language);

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
    void index_components();
    void lay_out_header(const survey::ShipParticulars& ship, int taal);
    void lay_out_state(const StateColumns& columns, const std::int64_t* port_readings,
                       const std::int64_t* starboard_readings);
    void lay_out_figures(const survey::SurveyValue& survey, const std::array<std::int64_t, 20>& readings,
                         int taal);

    PRPage page_;
    // The page's components by name: a build looks up some hundred and fifty of them.
    std::unordered_map<std::string_view, PRControl*> components_;
    StateColumns empty_columns_;
    StateColumns loaded_columns_;
};

// Gives a report the document properties every survey report carries (the fixed creation date).
void prepare_survey_report(PReport& report);

// Writes the page, as built, as a one-page PDF document to file_name (created or replaced whole;
// std::system_error when it cannot be written, an existing file then left as it was).
void write_page(PReport& report, PRPage& page, const std::string& file_name);

// The survey's report on a page built once, as the report window builds it when it opens: written
// to file_name (as write_page), or returned as the document's bytes. The clock gives the
// modification date (default: now). Throws, writing nothing, when the survey cannot be shown.
void write_survey_report(const survey::SurveyValue& survey, const survey::ShipParticulars& ship,
                         int print_language, const std::string& file_name,
                         std::function<pdf::DateTime()> clock = {});
std::string survey_report_pdf(const survey::SurveyValue& survey, const survey::ShipParticulars& ship,
                              int print_language, std::function<pdf::DateTime()> clock = {});

}  // namespace ijken::report
