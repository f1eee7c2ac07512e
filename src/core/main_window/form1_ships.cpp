// The main window's ships menus: selecting and deleting a ship.
#include "core/store/ships.h"
#include "core/main_window/form1.h"

namespace ijken::survey {

void Form1::bouw_schepenmenu() {
    const std::vector<store::ShipEntry> ships = session().ships();
    auto& select_menu = get<forms::MenuItem>("Wijzigen1");
    auto& delete_menu = get<forms::MenuItem>("Verwijderen1");
    select_menu.clear();
    delete_menu.clear();
    for (const store::ShipEntry& ship : ships) {
        const std::string& name = ship.name;
        const int id = ship.ship_id;
        forms::MenuItem& choice = select_menu.add_item("", name);
        if (ship.selected) {
            choice.set_checked(true);
        } else {
            forms::MenuItem& removal = delete_menu.add_item("", name);
            removal.set_tag(id);
            removal.on_click = [this, &removal] { deleteschipclick(removal); };
        }
        choice.set_tag(id);
        choice.on_click = [this, &choice] { maakschepenmenuclick(choice); };
    }
}

void Form1::maakschepenmenuclick(forms::MenuItem& item) {
    // The item goes when the menu is rebuilt below: take what is needed from it first.
    // The session selects it only once the database has: had the selection failed, the window
    // would go on working on the ship the database still has selected.
    session().select_ship(item.tag());
    bouw_schepenmenu();
}

void Form1::deleteschipclick(forms::MenuItem& item) {
    const int ship_id = item.tag();
    const std::string name = item.caption();
    const std::string question = session().language() == 2 ? "Bateau \"" + name + "\" enlever?"
                                                           : "Schip \"" + name + "\" verwijderen?";
    if (!dialogs_.confirm(question, forms::Answer::no)) return;
    // The menus are rebuilt when the session tells the ship is gone.
    session().delete_ship(ship_id);
}

}  // namespace ijken::survey
