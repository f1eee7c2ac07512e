#include "core/lang/builtin_texts.h"

#include <algorithm>

namespace ijken::lang {

namespace {

bool same_name(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

const std::vector<BuiltinText>& builtin_texts() {
    // Windows-1252 in octal escapes (a hex escape would swallow a following letter a-f).
    static const std::vector<BuiltinText> texts{
        {"form1", "Extra1.caption", "E&xtra", "&Outils", "E&xtras"},
        {"form1", "Exporteren1.caption", "&Opnames exporteren (CSV)...", "&Exporter les jaugeages (CSV)...",
         "&Messungen exportieren (CSV)..."},
        {"form1", "Backup1.caption", "&Reservekopie maken...", "Copie de &sauvegarde...",
         "&Sicherungskopie erstellen..."},
        {"form1", "Opnamelijst1.caption", "Opname&lijst...", "&Liste des jaugeages...", "Messungs&liste..."},
        {"form1", "Kantoor1.caption", "Naar &kantoor versturen\205", "Envoyer au &bureau\205",
         "An das &B\374ro senden\205"},
        {"form1", "KantoorAuto1.caption", "&Automatisch naar kantoor versturen", "Envoi &automatique au bureau",
         "&Automatisch an das B\374ro senden"},
        {"form1", "tx_kantoor_bezig.caption", "wordt verstuurd\205", "envoi en cours\205", "wird gesendet\205"},
        {"form1", "tx_kantoor_alles.caption", "alles op kantoor, aangekomen %1", "tout est au bureau, arriv\351 %1",
         "alles im B\374ro, angekommen %1"},
        {"form1", "tx_kantoor_wacht.caption", "nog niet op kantoor", "pas encore au bureau", "noch nicht im B\374ro"},
        {"form1", "tx_kantoor_mislukt.caption", "niet op kantoor: %1", "pas au bureau : %1", "nicht im B\374ro: %1"},
        {"form1", "tx_kantoor_uit.caption", "automatisch versturen staat uit", "envoi automatique d\351sactiv\351",
         "automatisches Senden ist aus"},
        {"form1", "tx_kantoor_laatst.caption", "laatst aangekomen %1", "dernier arriv\351 %1", "zuletzt angekommen %1"},
        {"form1", "tx_kantoor_gestopt.caption", "afgebroken", "interrompu", "abgebrochen"},
        {"form1", "tx_kantoor_afbreken.caption", "Er wordt naar kantoor verstuurd. Afbreken?",
         "Un envoi au bureau est en cours. L'interrompre ?", "Es wird an das B\374ro gesendet. Abbrechen?"},
        {"form1", "KantoorVerbinding1.caption", "Kantoorverbinding &instellen\205",
         "&Connexion au bureau\205", "B\374ro&verbindung einrichten\205"},
        {"form1", "wt_leeg.caption", "Leeg", "Vide", "Leer"},
        {"form1", "wt_vol.caption", "Vol", "Charg\351", "Beladen"},
        {"form1", "wt_buiten_tabel.caption", "inzinking %1 buiten ijktabel %2-%3: ge\353xtrapoleerd",
         "enfoncement %1 hors tableau %2-%3 : extrapol\351",
         "Eintauchung %1 au\337erhalb der Eichtabelle %2-%3: extrapoliert"},
        {"form1", "wt_verschil.caption", "punt %1 BB/SB %2 cm verschil",
         "point %1 b\342bord/tribord %2 cm d'\351cart", "Punkt %1 BB/StB %2 cm Unterschied"},
        {"form1", "wt_nul_bb.caption", "punt %1 BB op 0", "point %1 b\342bord \340 0", "Punkt %1 BB auf 0"},
        {"form1", "wt_nul_sb.caption", "punt %1 SB op 0", "point %1 tribord \340 0", "Punkt %1 StB auf 0"},
        {"ijkeninvoer", "tc_kop.caption", "De IJK tabel lijkt tikfouten te bevatten:",
         "Le tableau \351chelles semble contenir des fautes de frappe :",
         "Die Eichtabelle scheint Tippfehler zu enthalten:"},
        {"ijkeninvoer", "tc_daalt.caption", "%1 cm: %2 t is niet meer dan %4 t bij %3 cm",
         "%1 cm : %2 t n'est pas plus que %4 t \340 %3 cm", "%1 cm: %2 t ist nicht mehr als %4 t bei %3 cm"},
        {"ijkeninvoer", "tc_sprong.caption", "%1 cm: stap %2 t/cm, meer dan 3 keer de stap ernaast (%3 t/cm)",
         "%1 cm : pas de %2 t/cm, plus de 3 fois le pas voisin (%3 t/cm)",
         "%1 cm: Schritt %2 t/cm, mehr als das Dreifache des Nachbarschritts (%3 t/cm)"},
        {"ijkeninvoer", "tc_meer.caption", "... en nog %1", "... et encore %1", "... und noch %1"},
        {"ijkeninvoer", "tc_vraag.caption", "Toch opslaan zoals hij is?",
         "Sauvegarder quand m\352me tel quel ?", "Trotzdem so speichern?"},
        {"ijkeninvoer", "tc_minder.caption",
         "De opgeslagen IJK tabel heeft %1 regels; opslaan vervangt ze door %2 regels.",
         "Le tableau \351chelles enregistr\351 a %1 lignes ; l'enregistrement les remplace par %2 lignes.",
         "Die gespeicherte Eichtabelle hat %1 Zeilen; Speichern ersetzt sie durch %2 Zeilen."},
        {"form1", "tx_exporteren.caption", "Opnames exporteren", "Exporter les jaugeages", "Messungen exportieren"},
        {"form1", "tx_csv_filter.caption", "CSV-bestanden (*.csv)", "Fichiers CSV (*.csv)", "CSV-Dateien (*.csv)"},
        {"form1", "tx_geen_schip.caption", "Er is geen schip geselecteerd om te exporteren",
         "Aucun bateau n'est s\351lectionn\351 pour l'exportation", "Es ist kein Schiff zum Exportieren ausgew\344hlt"},
        {"form1", "tx_geexporteerd.caption", "%1 opnames ge\353xporteerd naar %2", "%1 jaugeages export\351s vers %2",
         "%1 Messungen exportiert nach %2"},
        {"form1", "tx_een_geexporteerd.caption", "1 opname ge\353xporteerd naar %2", "1 jaugeage export\351 vers %2",
         "1 Messung exportiert nach %2"},
        {"form1", "tx_niet_berekend.caption",
         "Van deze opnames kon de uitkomst niet worden berekend (de cellen zijn leeg):",
         "Le r\351sultat de ces jaugeages n'a pas pu \352tre calcul\351 (les cellules sont vides) :",
         "F\374r diese Messungen konnte das Ergebnis nicht berechnet werden (die Zellen sind leer):"},
        {"form1", "tx_reservekopie.caption", "Reservekopie maken", "Copie de sauvegarde", "Sicherungskopie erstellen"},
        {"form1", "tx_db_filter.caption", "Databases (*.db)", "Bases de donn\351es (*.db)", "Datenbanken (*.db)"},
        {"form1", "tx_opgeslagen.caption", "Reservekopie opgeslagen in %1", "Copie de sauvegarde enregistr\351e dans %1",
         "Sicherungskopie gespeichert in %1"},
        {"form1", "tx_eigen_database.caption",
         "\"%1\" is de database van het programma en wordt niet overschreven; kies een andere naam",
         "\"%1\" est la base de donn\351es du programme et ne sera pas \351cras\351e ; choisissez un autre nom",
         "\"%1\" ist die Datenbank des Programms und wird nicht \374berschrieben; w\344hlen Sie einen anderen Namen"},
        {"form1", "tx_eigen_taalbestand.caption",
         "\"%1\" is een taalbestand van het programma en wordt niet overschreven; kies een andere naam",
         "\"%1\" est un fichier de langue du programme et ne sera pas \351cras\351 ; choisissez un autre nom",
         "\"%1\" ist eine Sprachdatei des Programms und wird nicht \374berschrieben; w\344hlen Sie einen anderen "
         "Namen"},
        {"form1", "tx_eigen_programma.caption",
         "\"%1\" is het programma zelf en wordt niet overschreven; kies een andere naam",
         "\"%1\" est le programme lui-m\352me et ne sera pas \351cras\351 ; choisissez un autre nom",
         "\"%1\" ist das Programm selbst und wird nicht \374berschrieben; w\344hlen Sie einen anderen Namen"},
        {"ijkeninvoer", "tc_bereik.caption",
         "De IJK tabel is gemaakt van %1 tot %2 cm, maar de 1ste ingevulde CM en de laatste CM zijn nu %3 en %4. "
         "Maak de CM tabel opnieuw, of zet ze terug; er is niets opgeslagen.",
         "Le tableau \351chelles a \351t\351 fait de %1 \340 %2 cm, mais le 1er CM import\351 et le dernier CM sont "
         "maintenant %3 et %4. Refaites le tableau CM, ou remettez-les ; rien n'a \351t\351 enregistr\351.",
         "Die Eichtabelle wurde von %1 bis %2 cm erstellt, aber der erste eingegebene CM und der letzte CM sind "
         "jetzt %3 und %4. Erstellen Sie die CM-Tabelle neu oder stellen Sie sie zur\374ck; es wurde nichts "
         "gespeichert."},
        {"print", "Printen1.caption", "Printen\205", "&Imprimer\205", "&Drucken\205"},
        {"opnamelijst", "opnamelijst.caption", "Opnamelijst", "Liste des jaugeages", "Messungsliste"},
        {"opnamelijst", "zoeklabel.caption", "Zoeken:", "Filtre :", "Suchen:"},
        {"opnamelijst", "hint_zoek.caption",
         "Toont alleen de opnames met deze tekst in datum, verlader, ontvanger, lading of tonnage",
         "N'affiche que les jaugeages contenant ce texte dans la date, le chargeur, le destinataire, la "
         "marchandise ou le tonnage",
         "Zeigt nur die Messungen mit diesem Text in Datum, Verlader, Empf\344nger, Ladung oder Tonnage"},
        {"opnamelijst", "hint_lijst.caption",
         "Klik op een kop om te sorteren; dubbelklik of Enter toont de opname",
         "Cliquez sur un en-t\352te pour trier ; double-clic ou Entr\351e affiche le jaugeage",
         "Klicken Sie auf eine \334berschrift zum Sortieren; Doppelklick oder Eingabe zeigt die Messung"},
        {"opnamelijst", "kop_datum.caption", "Datum", "Date", "Datum"},
        {"opnamelijst", "kop_verlader.caption", "Verlader", "Chargeur", "Verlader"},
        {"opnamelijst", "kop_ontvanger.caption", "Ontvanger", "Destinataire", "Empf\344nger"},
        {"opnamelijst", "kop_lading.caption", "Lading", "Marchandise", "Ladung"},
        {"opnamelijst", "kop_geladen.caption", "Geladen (t)", "Charg\351 (t)", "Geladen (t)"},
        {"opnamelijst", "tekst_aantal.caption", "%1 van %2 opnames", "%1 sur %2 jaugeages",
         "%1 von %2 Messungen"},
        {"opnamelijst", "tonen.caption", "&Tonen", "&Afficher", "&Anzeigen"},
        {"opnamelijst", "sluiten.caption", "&Sluiten", "&Fermer", "&Schlie\337en"},
    };
    return texts;
}

std::string builtin_text(int language, std::string_view section, std::string_view key) {
    for (const BuiltinText& t : builtin_texts()) {
        if (!same_name(t.section, section) || !same_name(t.key, key)) continue;
        return std::string(language == 2 ? t.fr : language == 3 ? t.de : t.nl);
    }
    return {};
}

std::string language_code(int language) {
    switch (language) {
        case 1:
            return "nl";
        case 2:
            return "fr";
        case 3:
            return "de";
        default:
            return {};
    }
}

}  // namespace ijken::lang
