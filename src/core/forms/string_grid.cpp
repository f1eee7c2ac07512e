#include "core/forms/string_grid.h"

#include <algorithm>
#include <stdexcept>

#include "core/text/numbers.h"

namespace ijken::forms {

namespace {

const std::string kEmpty;

}  // namespace

StringGrid::StringGrid(std::string name, Control* parent, Rect geometry, int col_count, int row_count)
    : Control(static_kind, std::move(name), parent, geometry), col_count_(0), row_count_(0) {
    resize(std::max(0, col_count), std::max(0, row_count));
}

void StringGrid::resize(int cols, int rows) {
    if (cols == col_count_ && rows == row_count_) return;
    std::vector<std::string> cells(static_cast<std::size_t>(cols) * rows);
    const int keep_cols = std::min(cols, col_count_);
    const int keep_rows = std::min(rows, row_count_);
    for (int r = 0; r < keep_rows; ++r) {
        for (int c = 0; c < keep_cols; ++c) cells[static_cast<std::size_t>(r) * cols + c] = std::move(at(c, r));
    }
    cells_ = std::move(cells);
    col_count_ = cols;
    row_count_ = rows;
    if (selected_row_ >= row_count_) selected_row_ = -1;
    notify();
}

void StringGrid::set_col_count(int count) {
    resize(std::max(0, count), row_count_);
}

void StringGrid::set_row_count(int count) {
    resize(col_count_, std::max(0, count));
}

void StringGrid::set_fixed(int cols, int rows) {
    cols = std::max(0, cols);
    rows = std::max(0, rows);
    if (cols == fixed_cols_ && rows == fixed_rows_) return;
    fixed_cols_ = cols;
    fixed_rows_ = rows;
    notify();
}

int StringGrid::col_width(int col) const {
    if (col >= 0 && col < static_cast<int>(col_widths_.size()) && col_widths_[col] >= 0) return col_widths_[col];
    return default_col_width_;
}

void StringGrid::set_col_width(int col, int width) {
    if (col < 0) return;
    if (col >= static_cast<int>(col_widths_.size())) col_widths_.resize(col + 1, -1);
    assign(col_widths_[col], std::max(0, width));
}

void StringGrid::set_default_row_height(int height) {
    assign(default_row_height_, std::max(1, height));
}

const std::string& StringGrid::cell(int col, int row) const {
    if (!inside(col, row)) return kEmpty;
    return cells_[static_cast<std::size_t>(row) * col_count_ + col];
}

bool StringGrid::store(int col, int row, std::string text) {
    std::string& held = at(col, row);
    if (held == text) return false;
    held = std::move(text);
    CellRef ref{col, row};
    cell_observers_.notify(ref);
    return true;
}

void StringGrid::set_cell(int col, int row, std::string text) {
    if (!inside(col, row)) {
        throw std::out_of_range("Grid \"" + name() + "\" has no cell " + text::format_int(col) + ", " +
                                text::format_int(row));
    }
    store(col, row, std::move(text));
}

void StringGrid::set_row(int row, const std::vector<std::string>& texts) {
    for (std::size_t c = 0; c < texts.size(); ++c) set_cell(static_cast<int>(c), row, texts[c]);
}

bool StringGrid::can_edit(int col, int row) const {
    return editing_ && inside(col, row) && col >= fixed_cols_ && row >= fixed_rows_ && showing() && usable();
}

bool StringGrid::edit(int col, int row, std::string text) {
    if (!can_edit(col, row)) return false;
    if (store(col, row, std::move(text))) {
        if (auto handler = on_edit) handler(col, row);
    }
    return true;
}

int StringGrid::paste(int col, int row, std::string_view text) {
    if (!can_edit(col, row)) return 0;
    // Lines end in CR LF, LF or CR; one final line end is the end of the last line, not an empty
    // line after it.
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    int written = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int r = row + static_cast<int>(i);
        if (r >= row_count_) break;
        std::string_view line = lines[i];
        int c = col;
        for (;;) {
            const std::size_t tab = line.find('\t');
            if (c < col_count_ && edit(c, r, std::string(line.substr(0, tab)))) ++written;
            if (tab == std::string_view::npos) break;
            line.remove_prefix(tab + 1);
            ++c;
        }
    }
    return written;
}

void StringGrid::set_rows(int first_row, const std::vector<std::vector<std::string>>& rows) {
    first_row = std::max(0, first_row);
    const int count = first_row + static_cast<int>(rows.size());
    std::vector<std::string> cells(static_cast<std::size_t>(col_count_) * count);
    for (int r = 0; r < std::min(first_row, row_count_); ++r) {
        for (int c = 0; c < col_count_; ++c) cells[static_cast<std::size_t>(r) * col_count_ + c] = std::move(at(c, r));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t base = (first_row + i) * static_cast<std::size_t>(col_count_);
        for (std::size_t c = 0; c < rows[i].size() && c < static_cast<std::size_t>(col_count_); ++c)
            cells[base + c] = rows[i][c];
    }
    cells_ = std::move(cells);
    row_count_ = count;
    if (selected_row_ >= row_count_) selected_row_ = -1;
    notify();
}

void StringGrid::set_selected_row(int row) {
    if (row < fixed_rows_ || row >= row_count_) row = -1;
    assign(selected_row_, row);
}

void StringGrid::user_selected_row(int row) {
    const int was = selected_row_;
    selected_row_ = (row < fixed_rows_ || row >= row_count_) ? -1 : row;
    if (selected_row_ != was && on_select) {
        auto handler = on_select;
        handler(selected_row_);
    }
}

bool StringGrid::activate(int row) {
    if (row < fixed_rows_ || row >= row_count_ || !showing() || !usable() || !on_activate) return false;
    auto handler = on_activate;
    handler(row);
    return true;
}

bool StringGrid::click_header(int col) {
    if (fixed_rows_ == 0 || col < 0 || col >= col_count_ || !showing() || !usable() || !on_header_click) return false;
    auto handler = on_header_click;
    handler(col);
    return true;
}

void StringGrid::set_top_row(int row) {
    assign(top_row_, std::clamp(row, fixed_rows_, std::max(fixed_rows_, row_count_ - 1)));
}

}  // namespace ijken::forms
