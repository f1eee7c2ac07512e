// The main window's ships menus: selecting and deleting a ship.
#include "core/store/ships.h"
#include "core/main_window/form1.h"

namespace ijken::survey {

void Form1::bouw_schepenmenu() {
    const std::vector<store::ShipEntry> schepen = session().ships();
    auto& selecteren = get<forms::MenuItem>("Wijzigen1");
    auto& verwijderen = get<forms::MenuItem>("Verwijderen1");
    selecteren.clear();
    verwijderen.clear();
    for (const store::ShipEntry& schip : schepen) {
        const std::string& naam = schip.name;
        const int id = schip.schip_id;
        forms::MenuItem& kies = selecteren.add_item("", naam);
        if (schip.selected) {
            kies.set_checked(true);
        } else {
            forms::MenuItem& weg = verwijderen.add_item("", naam);
            weg.set_tag(id);
            weg.on_click = [this, &weg] { deleteschipclick(weg); };
        }
        kies.set_tag(id);
        kies.on_click = [this, &kies] { maakschepenmenuclick(kies); };
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
    const int schip = item.tag();
    const std::string naam = item.caption();
    const std::string vraag =
        session().language() == 2 ? "Bateau \"" + naam + "\" enlever?" : "Schip \"" + naam + "\" verwijderen?";
    if (!dialogs_.confirm(vraag, forms::Answer::no)) return;
    // The menus are rebuilt when the session tells the ship is gone.
    session().delete_ship(schip);
}

}  // namespace ijken::survey
