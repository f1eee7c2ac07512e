#pragma once
#include <QHash>
#include <QTableWidget>

#include "core/forms/string_grid.h"
#include "gui/control_binder.h"

namespace ijken::gui {

// String grid -> QTableWidget. The grid's fixed rows and columns are cells drawn in the button
// colour that the user cannot edit; a grid used as a list (whole rows selected, one fixed row and
// no fixed column) shows its fixed row as the table's own header instead, with the header's sort
// mark on the column the core grid says it is sorted by. A cell the user edits goes into the
// core grid (a character Windows-1252 cannot hold is refused with an error box and the cell keeps
// the core's text); the paste key pastes the clipboard's text at the current cell, a column copied
// from a spreadsheet filling the cells below it; Delete empties the selected cells.
class StringGridBinder : public ControlBinder {
  public:
    StringGridBinder(forms::StringGrid& grid, QWidget* parent, forms::Dialogs& dialogs);
    ~StringGridBinder() override;

    QWidget* widget() const override { return table_; }
    std::vector<QWidget*> focus_chain() const override { return {table_}; }
    QTableWidget* table() const { return table_; }

    // What the paste key does, with the clipboard's text.
    void paste_text(const QString& text);
    void clear_selected();
    // What Return does: opens the current row when the grid opens rows; false when it does not.
    bool activate_current();

  protected:
    void refresh_kind() override;

  private:
    void show_cell(int col, int row);
    void widen_to(int col, int text_width);
    void widen_columns();
    // A list whose columns want more room than it has: the window grows by the difference (once
    // for each wider want, never past the screen), and what is still missing is taken from the
    // columns of text, which elide; a column of figures keeps its width.
    void fit_list();
    bool figures_only(int col) const;
    // The room a header's text needs besides itself: the sort mark.
    int header_extra() const;
    int text_width(const QString& text);
    bool list_header() const;
    void show_sort_indicator();
    void user_edited(QTableWidgetItem* item);

    forms::StringGrid& grid_;
    QTableWidget* table_;
    int cell_observer_ = 0;
    int shown_top_row_ = -1;
    bool filling_ = false;
    int widest_wanted_ = 0;
    QFont measured_font_;
    QHash<QString, int> measured_;
};

}  // namespace ijken::gui
