// The main window's ships menus: selecting and deleting a ship.
#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/store/ships.h"
#include "core/main_window/form1.h"

namespace ijken::survey {

void Form1::bouw_schepenmenu() {
    std::vector<store::ShipEntry> schepen;
    if (opening_ && opening_->ships) {
        schepen = *std::exchange(opening_->ships, std::nullopt);
    } else {
        data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
        schepen = store::all_ships(db);
    }
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
            SchipID = id;
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
    const int gekozen = item.tag();
    {
        data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
        data::Transaction transaction(db);
        store::set_selected(db, SchipID, false);
        store::set_selected(db, gekozen, true);
        transaction.commit();
    }
    // Only now: had the selection failed, the window would go on working on the ship the database
    // still has selected, instead of saving surveys under another ship's number.
    SchipID = gekozen;
    bouw_schepenmenu();
    laad_schip();
    laad_opnames();
    Vertaal();
}

void Form1::deleteschipclick(forms::MenuItem& item) {
    const int schip = item.tag();
    const std::string naam = item.caption();
    const std::string vraag =
        taal.ActiveTaalFile() == 2 ? "Bateau \"" + naam + "\" enlever?" : "Schip \"" + naam + "\" verwijderen?";
    if (!dialogs_.confirm(vraag, forms::Answer::no)) return;
    {
        data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
        data::Transaction transaction(db);
        store::delete_ship_surveys(db, schip);
        store::delete_ship_gauge_table(db, schip);
        store::delete_ship_row(db, schip);
        transaction.commit();
    }
    schip_verwijderd(schip);
    bouw_schepenmenu();
}

}  // namespace ijken::survey
