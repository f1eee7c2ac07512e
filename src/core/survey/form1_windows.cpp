// The main window's list of the program's other windows, and the menu items that open them.
// Adding a window is one line in create_windows; its menu item gets a handler below.
#include <stdexcept>

#include "core/shipdata/ijkeninvoerform.h"
#include "core/shipdata/schipinvoer.h"
#include "core/survey/form1.h"

namespace ijken::survey {

void Form1::create_windows() {
    // In start-up order: gauge table, report, ship particulars, about box, language editor.
    add_window(std::make_unique<shipdata::Ijkeninvoerform>(*this), "ijkeninvoer");
    // The report window comes here, second ("print").
    add_window(std::make_unique<shipdata::Schipinvoer>(*this), "schipinvoer");
}

forms::Form& Form1::add_window(std::unique_ptr<forms::Form> form, std::string section) {
    windows_.push_back(OtherWindow{std::move(form), std::move(section)});
    return *windows_.back().form;
}

void Form1::open_modal(forms::Form& form, std::function<void()> then) {
    if (services.modal == nullptr) throw std::logic_error("No modal display to show \"" + form.name() + "\" in");
    hide();
    services.modal->show_modal(form, [this, then = std::move(then)] {
        show();
        if (then) then();
    });
}

void Form1::invoeren1click() {
    // After the ship window closes the ships may have changed: menus and ship are loaded anew.
    if (auto* schipinvoer = window<shipdata::Schipinvoer>()) schipinvoer->OpenNew([this] { herlaad_schepen(); });
}

// The gauge table window shows the main window again itself when it closes.
void Form1::invoer1click() {
    if (auto* ijkeninvoer = window<shipdata::Ijkeninvoerform>()) ijkeninvoer->OpenForNewTable(SchipID);
}

void Form1::Wijzigen2Click() {
    if (auto* ijkeninvoer = window<shipdata::Ijkeninvoerform>()) ijkeninvoer->OpenForEdit();
}

void Form1::scheepsgegevensclick() {
    if (auto* schipinvoer = window<shipdata::Schipinvoer>()) schipinvoer->OpenSelected([this] { herlaad_schepen(); });
}

void Form1::herlaad_schepen() {
    bouw_schepenmenu();
    laad_schip();
}

void Form1::afdrukken1click() {}

void Form1::cTarvik1Click() {}

void Form1::taaleditor1Click() {}

}  // namespace ijken::survey
