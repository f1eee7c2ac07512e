#pragma once
// The ship particulars window ("SchipInvoer"): a ship's name, gauge certificate number, number of
// gauge points and eight free lines, with a preview of how they stand on paper. It adds a new ship
// or edits the selected one.
#include <array>
#include <functional>

#include "core/forms/forms.h"

namespace ijken::session {
class Session;
}

namespace ijken::shipdata {

class Schipinvoer : public forms::Form {
  public:
    // What shows a window modally in place of the main window, and runs `then` when it has closed
    // and the main window is back; the program gives it.
    using ModalOpener = std::function<void(forms::Form& window, std::function<void()> then)>;

    // The window works on the session's ships, tells the user through services.dialogs and
    // measures the preview with services.measure; services must outlive it.
    Schipinvoer(session::Session& session, const forms::Services& services, ModalOpener open_modal);

    // Opens for a new ship, starting from what the fields last held, modally in place of the main
    // window; when it has closed the main window is shown again, then `then` runs.
    void OpenNew(std::function<void()> then = {});
    // Loads the selected ship into the fields and opens on it. When the ship cannot be loaded the
    // error goes to the caller and nothing opens.
    void OpenSelected(std::function<void()> then = {});

    // What opens the gauge table window for a ship just added, and runs `then` when it has closed;
    // the program sets it. Without it, saving a new ship closes this window at once.
    std::function<void(int ship_id, std::function<void()> then)> open_gauge_table;

    // True after OpenNew until the next OpenSelected.
    bool is_new_ship() const { return new_ship_; }
    // The SchipID the last save of a new ship gave it; 0 before any.
    int new_ship_id() const { return new_ship_id_; }

    // ---- handlers ----
    void formcreate();
    // Every change of the name and of the eight lines: refreshes the preview.
    void naam_veldchange();
    void opslaanclick();
    void button3click();

    // The longest text each field takes, as the columns of Schiptable are declared.
    static constexpr int kNameLength = 35;
    static constexpr int kCertificateLength = 15;
    static constexpr int kLineLength = 35;
    // Right margin of the preview's right-hand column.
    static constexpr int kRightMargin = 15;

  private:
    void build_layout();
    void load_selected_ship();
    void open(std::function<void()> then);
    // The opslaan button: saves, and closes the window whatever the save did (once the gauge
    // table window a new ship gets has closed).
    void save_then_close();

    session::Session& session_;
    const forms::Services& services_;
    ModalOpener open_modal_;
    bool new_ship_ = false;
    int new_ship_id_ = 0;
    std::array<forms::Edit*, 8> line_edits_{};
    std::array<forms::Label*, 8> preview_labels_{};
};

}  // namespace ijken::shipdata
