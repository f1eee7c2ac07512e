#pragma once
// The gauge table window ("CM"; "Meetbrief" in Dutch): the user types the certificate's decimetre
// table, expands it to whole centimetres, corrects single centimetres and stores the table as the
// ship's rows of IJKtable, with its first and last centimetre in Schiptable.
#include <functional>
#include <optional>

#include "core/forms/forms.h"
#include "core/shipdata/table_check.h"

namespace ijken::session {
class Session;
}

namespace ijken::shipdata {

class Ijkeninvoerform : public forms::Form {
  public:
    // What shows a window modally in place of the main window, and runs `then` when it has closed
    // and the main window is back; the program gives it.
    using ModalOpener = std::function<void(forms::Form& window, std::function<void()> then)>;

    // The window works on the session's ships and asks the user through services.dialogs (none: it
    // asks nothing); services must outlive it.
    Ijkeninvoerform(session::Session& session, const forms::Services& services, ModalOpener open_modal);

    // Opens on ship ship_id (the selected ship, or a ship just added) to enter a table from the
    // selected ship's first and last centimetre; the grids keep what they held when it was this
    // ship's, and start empty for another one. Shown modally in place of the main window; `then`
    // runs after it closed.
    void OpenForNewTable(int ship_id, std::function<void()> then = {});
    // Opens on the selected ship's stored table: extension rows are cleaned first, then the table
    // is loaded into both grids. A ship without a table opens on what the grids held for it, or,
    // when they held another ship's, on empty grids with the ship's first and last centimetre. An
    // error while loading leaves the main window as it is.
    void OpenForEdit(std::function<void()> then = {});
    // The ship is gone: whatever the grids hold of it is not offered to a ship that may later get
    // its number.
    void forget_ship(int ship_id);

    // The ship whose table the window edits.
    int ship_id() const { return ship_id_; }

    // ---- handlers ----
    void formcreate();
    void maakdm_tabelclick();
    void button1click();
    void opslaanclick();
    void afsluitenclick();
    void formclose();

    // The first and last centimetre as the up-downs hold them.
    int first_cm() const;
    int last_cm() const;

    // The texts of the question asked before a doubtful table is stored, as the window's hidden
    // labels tc_... hold them (the language files may reword them).
    TableCheckTexts check_texts() const;

  private:
    void build_layout();
    // Writes the decimetre rows for F..L into the decimetre grid (tonnages stay as they were).
    void set_decimetre_rows(int first, int last);
    void open(std::function<void()> then);
    // The window is about to work on ship ship_id: grids that hold another ship's rows are
    // emptied. True when they were.
    bool take_ship(int ship_id);
    // Stored rows of the ship's table (the extension rows of negative tonnage not counted).
    long long stored_rows() const;
    // "Opslaan" refuses F and L that differ from the range the centimetre table was made for.
    void check_cm_range(int first, int last) const;
    // The centimetre grid's rows with a whole immersion, checked; a row that cannot be stored throws.
    std::vector<TableRow> grid_rows() const;

    session::Session& session_;
    const forms::Services& services_;
    ModalOpener open_modal_;
    int ship_id_ = 0;
    // The ship whose rows the grids hold; none before the first opening.
    std::optional<int> grids_ship_;
    // The first and last centimetre the centimetre grid was made or loaded with; none while it
    // holds no table.
    struct Range {
        int first;
        int last;
    };
    std::optional<Range> cm_range_;
    forms::StringGrid* dmklad_ = nullptr;
    forms::StringGrid* ijkengrid_ = nullptr;
};

}  // namespace ijken::shipdata
