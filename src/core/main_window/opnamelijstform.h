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

namespace ijken::session {
class Session;
}

namespace ijken::survey {

class Opnamelijstform : public forms::Form {
  public:
    explicit Opnamelijstform(session::Session& session);

    // Reads the selected ship's surveys and shows the window (again) beside the main window.
    void open();
    // Reads the selected ship's surveys into the list (the search text stays and applies).
    void laad();

    // The columns, in order.
    enum Kolom { datum, verlader, ontvanger, lading, geladen, kolommen };

    // Sorts by a column; the same column again reverses the order.
    void sorteer(int kolom);
    // Shows the survey of a grid row in the main window.
    void toon_rij(int row);

    // ---- handlers ----
    void zoekchange();
    void tonenclick();
    void sluitenclick();

    // The Opnameid of each row shown, in grid order (row 1 first).
    std::vector<int> getoonde_opnames() const;
    int sorteer_kolom() const { return sorteer_kolom_; }
    bool oplopend() const { return oplopend_; }

  private:
    struct Opname {
        int opnameid = 0;
        std::string invoerdatum;           // as stored (UTC), the date column's order
        std::array<std::string, kolommen> cellen;
        double geladen = 0;                // the tonnage column's order
        bool berekend = false;             // false: the tonnage could not be computed
        std::array<std::string, kolommen> sleutels;  // the cells in upper case
        std::string zoektekst;             // every cell, folded to upper case, for the search
    };

    void build_layout();
    void vul_kop();
    // Sorts opnames_, then shows those matching the search text.
    void sorteer_opnames();
    void toon();

    session::Session& session_;
    forms::StringGrid* lijst_ = nullptr;
    int schip_ = 0;
    std::vector<Opname> opnames_;
    std::vector<int> getoond_;  // the Opnameid of each row shown
    int sorteer_kolom_ = datum;
    bool oplopend_ = false;
};

}  // namespace ijken::survey
