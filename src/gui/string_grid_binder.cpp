#include "gui/string_grid_binder.h"

#include <QApplication>
#include <algorithm>
#include <cmath>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QScreen>
#include <QStyle>

#include "core/forms/form.h"
#include "core/text/cp1252.h"
#include "gui/qt_text.h"

namespace ijken::gui {

namespace {

// The table hands the paste and delete keys to the binder instead of Qt's own handling (which
// would paste nothing and delete nothing).
class GridTable : public QTableWidget {
  public:
    GridTable(QWidget* parent) : QTableWidget(parent) {}
    StringGridBinder* binder = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (binder != nullptr && state() != QAbstractItemView::EditingState) {
            if (event->matches(QKeySequence::Paste)) {
                if (const QClipboard* clipboard = QApplication::clipboard()) binder->paste_text(clipboard->text());
                return;
            }
            if (event->key() == Qt::Key_Delete) {
                binder->clear_selected();
                return;
            }
            if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && binder->activate_current()) return;
        }
        QTableWidget::keyPressEvent(event);
    }
};

}  // namespace

StringGridBinder::StringGridBinder(forms::StringGrid& grid, QWidget* parent, forms::Dialogs& dialogs)
    : ControlBinder(grid, dialogs), grid_(grid), table_(new GridTable(parent)) {
    static_cast<GridTable*>(table_)->binder = this;
    table_->setObjectName(to_qt(grid.name()));
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table_->setWordWrap(false);
    QObject::connect(table_, &QTableWidget::itemChanged, table_,
                     [this](QTableWidgetItem* item) { user_edited(item); });
    // A grid used as a list: a double click on a cell the user cannot edit opens its row, a click
    // on a column header is the header's, and the user's selection goes into the core grid.
    QObject::connect(table_, &QTableWidget::cellDoubleClicked, table_, [this](int row, int col) {
        if (row >= grid_.fixed_rows() && !grid_.can_edit(col, row) && grid_.on_activate) run([this, row] { grid_.activate(row); });
    });
    QObject::connect(table_, &QTableWidget::cellClicked, table_, [this](int row, int col) {
        if (row < grid_.fixed_rows() && grid_.on_header_click) run([this, col] { grid_.click_header(col); });
    });
    // A list's header row is the table's own header, whose click sorts. The header turns its
    // sort mark round itself on a click; the core's choice is put back after it.
    QObject::connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, table_, [this](int col) {
        if (list_header() && grid_.on_header_click) run([this, col] { grid_.click_header(col); });
        show_sort_indicator();
    });
    QObject::connect(table_, &QTableWidget::currentCellChanged, table_, [this](int row, int, int, int) {
        forms::dispatch(this->dialogs(), [this, row] { grid_.user_selected_row(row); });
    });
    cell_observer_ = grid_.add_cell_observer([this](int col, int row) { show_cell(col, row); });
    start();
}

StringGridBinder::~StringGridBinder() {
    grid_.remove_cell_observer(cell_observer_);
}

void StringGridBinder::show_cell(int col, int row) {
    if (row >= table_->rowCount() || col >= table_->columnCount()) return;
    const QSignalBlocker block(table_);
    const bool fixed = col < grid_.fixed_cols() || row < grid_.fixed_rows();
    QTableWidgetItem* item = table_->item(row, col);
    if (item == nullptr) {
        item = new QTableWidgetItem();
        table_->setItem(row, col, item);
    }
    const QString text = to_qt(grid_.cell(col, row));
    if (item->text() != text) item->setText(text);
    if (grid_.row_select() && !filling_) {
        widen_to(col, text_width(text) + (row == 0 && list_header() ? header_extra() : 0));
        fit_list();
    }
    if (row == 0 && list_header()) {
        QTableWidgetItem* header = table_->horizontalHeaderItem(col);
        if (header == nullptr) {
            header = new QTableWidgetItem();
            table_->setHorizontalHeaderItem(col, header);
        }
        if (header->text() != text) header->setText(text);
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!fixed && grid_.editing()) flags |= Qt::ItemIsEditable;
    if (item->flags() != flags) item->setFlags(flags);
    if (fixed) {
        item->setBackground(table_->palette().button());
    } else if (item->background().style() != Qt::NoBrush) {
        item->setBackground(QBrush());
    }
}

void StringGridBinder::refresh_kind() {
    {
        const QSignalBlocker block(table_);
        if (table_->columnCount() != grid_.col_count()) table_->setColumnCount(grid_.col_count());
        if (table_->rowCount() != grid_.row_count()) table_->setRowCount(grid_.row_count());
        for (int c = 0; c < grid_.col_count(); ++c) {
            if (table_->columnWidth(c) != grid_.col_width(c)) table_->setColumnWidth(c, grid_.col_width(c));
        }
        const auto behaviour = grid_.row_select() ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems;
        if (table_->selectionBehavior() != behaviour) {
            table_->setSelectionBehavior(behaviour);
            table_->setSelectionMode(grid_.row_select() ? QAbstractItemView::SingleSelection
                                                        : QAbstractItemView::ContiguousSelection);
        }
        // A list shows its header row as the table's header (row 0 hidden, so rows keep their
        // numbers), with the header's own mark on the sort column.
        const bool header = list_header();
        if (table_->horizontalHeader()->isHidden() == header) table_->horizontalHeader()->setVisible(header);
        if (table_->rowCount() > 0 && table_->isRowHidden(0) != header) table_->setRowHidden(0, header);
        show_sort_indicator();
        QHeaderView* rows = table_->verticalHeader();
        if (rows->defaultSectionSize() != grid_.default_row_height()) {
            rows->setMinimumSectionSize(1);
            rows->setDefaultSectionSize(grid_.default_row_height());
        }
    }
    filling_ = true;
    for (int r = 0; r < grid_.row_count(); ++r) {
        for (int c = 0; c < grid_.col_count(); ++c) show_cell(c, r);
    }
    filling_ = false;
    if (grid_.row_select()) widen_columns();
    if (grid_.row_select()) {
        const int selected = grid_.selected_row();
        const QSignalBlocker block(table_);
        if (selected < 0) {
            table_->clearSelection();
            table_->setCurrentCell(-1, -1);
        } else if (table_->currentRow() != selected) {
            table_->setCurrentCell(selected, std::max(grid_.fixed_cols(), 0));
            table_->scrollTo(table_->model()->index(selected, 0));
        }
    }
    if (grid_.top_row() != shown_top_row_ && grid_.top_row() < table_->rowCount()) {
        shown_top_row_ = grid_.top_row();
        // After the table has laid out its new rows: scrolling before that finds too short a range.
        QMetaObject::invokeMethod(
            table_,
            [table = table_, row = shown_top_row_] {
                if (row < table->rowCount()) table->scrollTo(table->model()->index(row, 0), QAbstractItemView::PositionAtTop);
            },
            Qt::QueuedConnection);
    }
}

// A list's column grows to the widest text it holds, so that no figure is cut short (the table
// elides what does not fit); it never becomes narrower than designed.
void StringGridBinder::widen_to(int col, int text_width) {
    // The view elides a text one pixel narrower than its cell less the margins: one more, or the
    // last letter of a text that just fits goes.
    const int margin = 2 * (table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 1) + 1;
    if (text_width + margin > table_->columnWidth(col)) table_->setColumnWidth(col, text_width + margin);
}

void StringGridBinder::widen_columns() {
    const int margin = 2 * (table_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table_) + 1);
    // A text of no more characters than the widest character fits so many times is not measured.
    const int widest_character = QFontMetrics(table_->font()).maxWidth();
    const bool header = list_header();
    for (int c = 0; c < grid_.col_count(); ++c) {
        const int room = table_->columnWidth(c) - margin;
        int widest = 0;
        // The header's text with its sort mark, as the body's texts.
        if (const QTableWidgetItem* item = header ? table_->item(0, c) : nullptr)
            widest = text_width(item->text()) + header_extra();
        for (int r = grid_.fixed_rows(); r < table_->rowCount(); ++r) {
            const QTableWidgetItem* item = table_->item(r, c);
            if (item == nullptr || item->text().size() * widest_character <= room) continue;
            widest = std::max(widest, text_width(item->text()));
        }
        widen_to(c, widest);
    }
    fit_list();
}

int StringGridBinder::header_extra() const {
    const QStyle* style = table_->style();
    return style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, table_) +
           2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, table_);
}

bool StringGridBinder::figures_only(int col) const {
    for (int r = grid_.fixed_rows(); r < grid_.row_count(); ++r) {
        for (const char c : grid_.cell(col, r)) {
            if (!((c >= '0' && c <= '9') || c == '.' || c == ',' || c == '-' || c == '+' || c == ':' || c == ' '))
                return false;
        }
    }
    return true;
}

void StringGridBinder::fit_list() {
    forms::Form* form = grid_.form();
    if (form == nullptr || !grid_.row_select()) return;
    const int count = table_->columnCount();
    int wanted = 0;
    for (int c = 0; c < count; ++c) wanted += table_->columnWidth(c);
    // The frame, and the vertical scroll bar when the rows need one.
    const int rows_height = (grid_.row_count() - grid_.fixed_rows()) * grid_.default_row_height();
    const int room_for_rows = grid_.geometry().h - 2 * table_->frameWidth() -
                              (list_header() ? table_->horizontalHeader()->sizeHint().height() : 0);
    const int scroll_bar =
        rows_height > room_for_rows ? table_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, table_) : 0;
    const int chrome = 2 * table_->frameWidth() + scroll_bar + 1;
    const int missing = wanted + chrome - grid_.geometry().w;
    if (missing <= 0) return;
    // The window grows for a wider want only: a window the user made narrower stays so.
    if (wanted + chrome > widest_wanted_) {
        widest_wanted_ = wanted + chrome;
        const forms::Rect g = form->geometry();
        const QScreen* screen = table_->screen();
        const int screen_width = screen != nullptr ? screen->availableGeometry().width() : g.w + missing;
        const int width = std::min(g.w + missing, std::max(screen_width, g.w));
        // The form lays its controls out anew for the wider window (at once when it is shown, else
        // when it is); this grid then comes back here with its new width.
        if (width > g.w) {
            forms::dispatch(dialogs(), [form, g, width] { form->set_geometry({g.x, g.y, width, g.h}); });
            return;
        }
    }
    // What the window cannot give, the columns of text give, the widest first, down to a few
    // letters; they elide what no longer fits.
    const int narrowest = 3 * QFontMetrics(table_->font()).averageCharWidth() + 8;
    std::vector<int> widths(static_cast<std::size_t>(count));
    std::vector<bool> gives(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) {
        widths[c] = table_->columnWidth(c);
        gives[c] = !figures_only(c);
    }
    int still = wanted + chrome - grid_.geometry().w;
    while (still > 0) {
        int widest = -1;
        for (int c = 0; c < count; ++c) {
            if (gives[c] && widths[c] > narrowest && (widest < 0 || widths[c] > widths[widest])) widest = c;
        }
        if (widest < 0) break;
        --widths[widest];
        --still;
    }
    const QSignalBlocker block(table_);
    for (int c = 0; c < count; ++c) {
        if (table_->columnWidth(c) != widths[c]) table_->setColumnWidth(c, widths[c]);
    }
}

// The table elides by a text's exact width, not the rounded one. A list shows the same texts again
// at every filter and sort: each is measured once.
int StringGridBinder::text_width(const QString& text) {
    if (measured_font_ != table_->font()) {
        measured_font_ = table_->font();
        measured_.clear();
    }
    const auto it = measured_.constFind(text);
    if (it != measured_.constEnd()) return *it;
    const int width = static_cast<int>(std::ceil(QFontMetricsF(measured_font_).horizontalAdvance(text)));
    measured_.insert(text, width);
    return width;
}

bool StringGridBinder::list_header() const {
    return grid_.row_select() && grid_.fixed_rows() == 1 && grid_.fixed_cols() == 0;
}

void StringGridBinder::show_sort_indicator() {
    QHeaderView* header = table_->horizontalHeader();
    const int col = list_header() ? grid_.sort_column() : -1;
    header->setSortIndicatorShown(col >= 0);
    if (col >= 0) {
        const Qt::SortOrder order = grid_.sort_ascending() ? Qt::AscendingOrder : Qt::DescendingOrder;
        if (header->sortIndicatorSection() != col || header->sortIndicatorOrder() != order) {
            const QSignalBlocker block(header);
            header->setSortIndicator(col, order);
        }
    }
}

void StringGridBinder::user_edited(QTableWidgetItem* item) {
    const int row = item->row();
    const int col = item->column();
    run([this, item, row, col] {
        std::string bytes;
        try {
            bytes = from_qt(item->text());
        } catch (const text::EncodingError&) {
            show_cell(col, row);
            throw;
        }
        grid_.edit(col, row, std::move(bytes));
    });
}

void StringGridBinder::paste_text(const QString& text) {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid()) return;
    run([this, &text, current] { grid_.paste(current.column(), current.row(), from_qt(text)); });
}

bool StringGridBinder::activate_current() {
    if (!grid_.on_activate) return false;
    const int row = table_->currentRow();
    if (row < grid_.fixed_rows()) return false;
    run([this, row] { grid_.activate(row); });
    return true;
}

void StringGridBinder::clear_selected() {
    const QList<QTableWidgetItem*> items = table_->selectedItems();
    std::vector<std::pair<int, int>> cells;
    for (const QTableWidgetItem* item : items) cells.emplace_back(item->column(), item->row());
    run([this, cells] {
        for (const auto& [col, row] : cells) grid_.edit(col, row, "");
    });
}

}  // namespace ijken::gui
