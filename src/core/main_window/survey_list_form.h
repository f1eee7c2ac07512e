#pragma once
// The survey list: the selected ship's surveys with date, shipper, consignee, cargo and loaded
// tonnage, sortable by each column, filtered as the user types into the search field; opening a
// row (double click, Return, "Tonen") shows that survey in the main window. Shown beside the main
// window, not modally, so that the user can open one survey after another.
//
// The tonnages are computed from one read of the ship's gauge table (MemoryGaugeTable), exactly as
// the main window computes them, and the list never writes to the database.
#include <array>
#include <string>
#include <vector>

#include "core/forms/forms.h"
#include "core/survey/warnings.h"

namespace ijken::session {
class Session;
}

namespace ijken::survey {

class SurveyListForm : public forms::Form {
  public:
    explicit SurveyListForm(session::Session& session);

    // Reads the selected ship's surveys and shows the window (again) beside the main window.
    void open();
    // Reads the selected ship's surveys into the list (the search text stays and applies).
    void load();

    // The columns, in order.
    enum Column { date, shipper, consignee, cargo, loaded, column_count };

    // Sorts by a column; the same column again reverses the order.
    void sort_by(int column);
    // Shows the survey of a grid row in the main window.
    void show_row(int row);

    // ---- handlers ----
    void zoekchange();
    void tonenclick();
    void sluitenclick();

    // The Opnameid of each row shown, in grid order (row 1 first).
    std::vector<int> shown_surveys() const;
    int sort_column() const { return sort_column_; }
    bool ascending() const { return ascending_; }

  private:
    struct ListedSurvey {
        int survey_id = 0;
        std::string entered_at;  // as stored (UTC), the date column's order
        std::array<std::string, column_count> cells;
        double loaded = 0;                           // the tonnage column's order
        bool computed = false;                       // false: the tonnage could not be computed
        std::array<std::string, column_count> keys;  // the cells in upper case
        std::string search_text;                     // every cell, folded to upper case, for the search
        // What the tonnage rests on that the figure does not show (no table row, an extrapolation).
        std::vector<Warning> warnings;
    };

    void build_layout();
    // The controls placed for the client area's width.
    void follow_width();
    void fill_header();
    // Sorts surveys_, then shows those matching the search text.
    void sort_surveys();
    void show_rows();
    // The selected row's warnings about its tonnage in the line below the list; hidden without.
    void show_selected_warnings();

    session::Session& session_;
    forms::StringGrid* grid_ = nullptr;
    int ship_id_ = 0;
    ShipParams ship_;
    std::vector<ListedSurvey> surveys_;
    std::vector<int> shown_;  // the Opnameid of each row shown
    int sort_column_ = date;
    bool ascending_ = false;
};

}  // namespace ijken::survey
