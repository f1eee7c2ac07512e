#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/forms/control.h"

namespace ijken::forms {

// A grid of text cells, addressed as (column, row) from 0. The first fixed_rows rows and fixed_cols
// columns are headers: the program writes them, the user cannot. A grid used as a list (whole rows
// selected, one fixed row) shows its fixed row as the platform's column header. With editing on, the user may
// type into every other cell.
//
// A change of a single cell is told to the cell observers only (a grid of a few hundred rows is
// rewritten cell by cell, and a window should not redraw the whole grid for each); a change of
// anything else (size, widths, scroll position...) goes to the control's observers as usual.
class StringGrid : public Control {
  public:
    static constexpr ControlKind static_kind = ControlKind::string_grid;
    using CellObserver = std::function<void(int col, int row)>;

    StringGrid(std::string name, Control* parent, Rect geometry, int col_count = 5, int row_count = 5);

    int col_count() const { return col_count_; }
    int row_count() const { return row_count_; }
    // Growing adds empty cells; shrinking drops the cells beyond. Negative counts as 0.
    void set_col_count(int count);
    void set_row_count(int count);

    int fixed_rows() const { return fixed_rows_; }
    int fixed_cols() const { return fixed_cols_; }
    void set_fixed(int cols, int rows);

    // Column widths in pixels; a column without one of its own has default_col_width.
    int col_width(int col) const;
    void set_col_width(int col, int width);
    int default_col_width() const { return default_col_width_; }
    int default_row_height() const { return default_row_height_; }
    void set_default_row_height(int height);

    bool editing() const { return editing_; }
    void set_editing(bool value) { assign(editing_, value); }

    // The text of a cell; empty outside the grid.
    const std::string& cell(int col, int row) const;
    // Writes a cell (the program's own write: header cells included). Outside the grid it throws
    // std::out_of_range naming the cell, so that a fault shows instead of vanishing.
    void set_cell(int col, int row, std::string text);
    // A whole row's cells from column 0 on, in one go.
    void set_row(int row, const std::vector<std::string>& texts);

    // The user typed into a cell: only a cell the user may edit (inside the grid, not a header,
    // editing on, control reachable). Returns whether it was taken. on_edit runs after a real
    // change.
    bool edit(int col, int row, std::string text);
    bool can_edit(int col, int row) const;

    // The user pasted text at (col, row): its lines fill that column downward and its
    // tab-separated fields the columns to the right, as a column copied from a spreadsheet. A
    // trailing line end is no extra line; what falls outside the editable cells is dropped.
    // Returns the number of cells written.
    int paste(int col, int row, std::string_view text);

    // Replaces every row from first_row on with rows (each row's cells from column 0 on; missing
    // cells are empty), resizing the grid to first_row + rows.size() rows. One notification for
    // the whole change instead of one per cell: a list of thousands of rows is refilled at once.
    void set_rows(int first_row, const std::vector<std::vector<std::string>>& rows);

    // ---- a grid used as a list: whole rows selected, a row opened ----

    // Selecting marks whole rows (one at a time) instead of single cells.
    bool row_select() const { return row_select_; }
    void set_row_select(bool value) { assign(row_select_, value); }
    // The selected row; -1 for none. The program's choice is shown by the window.
    int selected_row() const { return selected_row_; }
    void set_selected_row(int row);
    // The user moved the selection to row (the window shows it already, so only on_select is told).
    void user_selected_row(int row);
    // Runs after the user moved the selection, with the row selected now (-1 for none).
    std::function<void(int row)> on_select;
    // The user opened a row (double click, Return): on_activate runs with it, for a row below
    // the fixed rows of a reachable grid. Returns whether it ran.
    bool activate(int row);
    // The user clicked the fixed row's cell of column col (a column header): on_header_click runs.
    bool click_header(int col);
    std::function<void(int row)> on_activate;
    std::function<void(int col)> on_header_click;
    // The column the list is sorted by, which the window marks in its header the way the
    // platform marks a sorted column; -1 for none.
    int sort_column() const { return sort_column_; }
    bool sort_ascending() const { return sort_ascending_; }
    void set_sort_indicator(int col, bool ascending) {
        assign(sort_column_, col);
        assign(sort_ascending_, ascending);
    }

    // The first row shown below the fixed rows (scrolled to by the program).
    int top_row() const { return top_row_; }
    void set_top_row(int row);

    int add_cell_observer(CellObserver observer) {
        return cell_observers_.add([observer = std::move(observer)](CellRef& c) { observer(c.col, c.row); });
    }
    void remove_cell_observer(int id) { cell_observers_.remove(id); }

    // Runs after the user changed a cell (edit or paste), with that cell.
    std::function<void(int col, int row)> on_edit;

  private:
    struct CellRef {
        int col;
        int row;
    };
    bool inside(int col, int row) const { return col >= 0 && row >= 0 && col < col_count_ && row < row_count_; }
    std::string& at(int col, int row) { return cells_[static_cast<std::size_t>(row) * col_count_ + col]; }
    // Stores a cell and tells the cell observers; returns whether it changed.
    bool store(int col, int row, std::string text);
    void resize(int cols, int rows);

    int col_count_;
    int row_count_;
    int fixed_cols_ = 1;
    int fixed_rows_ = 1;
    int default_col_width_ = 64;
    int default_row_height_ = 24;
    bool editing_ = false;
    bool row_select_ = false;
    int selected_row_ = -1;
    int top_row_ = 1;
    int sort_column_ = -1;
    bool sort_ascending_ = true;
    std::vector<int> col_widths_;
    std::vector<std::string> cells_;  // row-major
    ObserverList<CellRef> cell_observers_;
};

}  // namespace ijken::forms
