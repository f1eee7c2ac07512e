// The main window's ships menus: selecting and deleting a ship.
#include "core/data/sqlite_database.h"
#include "core/survey/form1.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using text::format_int;

void Form1::bouw_schepenmenu() {
    std::unique_ptr<data::SQLiteTable> schepen;
    {
        data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
        schepen = db.Query("SELECT * FROM Schiptable");
    }
    auto& selecteren = get<forms::MenuItem>("Wijzigen1");
    auto& verwijderen = get<forms::MenuItem>("Verwijderen1");
    selecteren.clear();
    verwijderen.clear();
    if (schepen->RowCount() == 0) return;
    const int naam_kolom = schepen->FieldIndex("Name");
    const int id_kolom = schepen->FieldIndex("SchipID");
    const int selected_kolom = schepen->FieldIndex("selected");
    for (; !schepen->AtEnd(); schepen->Next()) {
        const std::string naam = schepen->AsString(naam_kolom);
        const int id = static_cast<int>(schepen->AsInteger(id_kolom));
        forms::MenuItem& kies = selecteren.add_item("", naam);
        if (schepen->AsInteger(selected_kolom) == 1) {
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
        db.BeginTransaction();
        db.Execute("update [Schiptable] SET [Selected]=0 WHERE SchipID=" + format_int(SchipID) + ";");
        db.Execute("update [Schiptable] SET [Selected]=1 WHERE SchipID=" + format_int(gekozen) + ";");
        db.Commit();
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
    const std::string id = format_int(schip);
    {
        data::SQLiteDatabase db(db_pad, data::OpenMode::existing);
        db.BeginTransaction();
        db.Execute("DELETE from [IJkOpnames] where [Schipid]=" + id + " ;");
        db.Execute("DELETE from [IJktable] where [Schipid]=" + id + " ;");
        db.Execute("DELETE from [Schiptable] where [Schipid]=" + id + " ;");
        db.Commit();
    }
    schip_verwijderd(schip);
    bouw_schepenmenu();
}

}  // namespace ijken::survey
