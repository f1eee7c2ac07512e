// The main window's list of the program's other windows, and the menu items that open them.
// Adding a window is one line in create_windows; its menu item gets a handler below.
#include <stdexcept>

#include "core/lang/editor.h"
#include "core/report/print_form.h"
#include "core/shipdata/ijkeninvoerform.h"
#include "core/shipdata/schipinvoer.h"
#include "core/survey/form1.h"
#include "core/survey/opnamelijstform.h"
#include "core/ui/aboutform.h"

namespace ijken::survey {

void Form1::create_windows() {
    // In start-up order: gauge table, report, ship particulars, about box, language editor.
    add_window(std::make_unique<shipdata::Ijkeninvoerform>(*this), "ijkeninvoer");
    add_window(std::make_unique<report::Print_form>(*this), "print");
    add_window(std::make_unique<shipdata::Schipinvoer>(*this), "schipinvoer");
    // The about box and the language editor are not translated.
    add_window(std::make_unique<ui::Aboutform>(services), "");
    // The language editor is shown beside the main window, not modally.
    add_window(std::make_unique<lang::Editor>(*this), "");
    // Beside the design: the survey list, translated by a section of its own.
    add_window(std::make_unique<Opnamelijstform>(*this), "opnamelijst");
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
    // Loading recomputes only the readings that change; the ship's gauge points or its table may
    // have changed under readings that did not.
    herbereken_getoond();
}

void Form1::schip_verwijderd(int schip) {
    if (auto* ijkeninvoer = window<shipdata::Ijkeninvoerform>()) ijkeninvoer->vergeet_schip(schip);
}

void Form1::afdrukken1click() {
    if (auto* report = window<report::Print_form>()) open_modal(*report);
}

void Form1::cTarvik1Click() {
    if (auto* about = window<ui::Aboutform>()) open_modal(*about);
}

void Form1::taaleditor1Click() {
    // Beside the main window, not modal: the user switches between the two.
    if (auto* editor = window<lang::Editor>()) editor->show();
}

}  // namespace ijken::survey
