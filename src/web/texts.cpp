#include "web/texts.h"

#include <cstdlib>
#include <vector>

namespace ijken::web {

namespace {

struct Entry {
    Text id;
    const char* nl;
    const char* fr;
    const char* de;
};

// clang-format off
const Entry kTexts[] = {
    {Text::app_title, "IJken kantoor", "IJken bureau", "IJken B\xC3\xBCro"},
    {Text::fleet, "Vloot", "Flotte", "Flotte"},
    {Text::surveys, "Opnames", "Jaugeages", "Eichaufnahmen"},
    {Text::logout, "Afmelden", "Se d\xC3\xA9" "connecter", "Abmelden"},
    {Text::login, "Aanmelden", "Se connecter", "Anmelden"},
    {Text::user, "Gebruiker", "Utilisateur", "Benutzer"},
    {Text::password, "Wachtwoord", "Mot de passe", "Passwort"},
    {Text::login_failed, "Gebruiker of wachtwoord onjuist.", "Utilisateur ou mot de passe incorrect.",
     "Benutzer oder Passwort falsch."},
    {Text::login_intro, "Meld u aan met uw account van de kantoordatabase.",
     "Connectez-vous avec votre compte de la base du bureau.",
     "Melden Sie sich mit Ihrem Konto der B\xC3\xBCrodatenbank an."},
    {Text::language, "Taal", "Langue", "Sprache"},
    {Text::installation, "Installatie", "Installation", "Installation"},
    {Text::ship, "Schip", "Bateau", "Schiff"},
    {Text::last_received, "Laatst ontvangen (UTC)", "Derni\xC3\xA8re r\xC3\xA9" "ception (UTC)",
     "Zuletzt empfangen (UTC)"},
    {Text::survey_count, "Opnames", "Jaugeages", "Aufnahmen"},
    {Text::this_month, "Geladen deze maand (t)", "Charg\xC3\xA9 ce mois (t)", "Geladen diesen Monat (t)"},
    {Text::cargo_per_month, "Geladen per maand", "Charg\xC3\xA9 par mois", "Geladen pro Monat"},
    {Text::month, "Maand", "Mois", "Monat"},
    {Text::loaded, "Geladen (t)", "Charg\xC3\xA9 (t)", "Geladen (t)"},
    {Text::chart_caption, "Geladen tonnage van de vloot per maand, de laatste twaalf maanden",
     "Tonnage charg\xC3\xA9 de la flotte par mois, les douze derniers mois",
     "Geladene Tonnage der Flotte pro Monat, die letzten zw\xC3\xB6lf Monate"},
    {Text::filter, "Filter", "Filtre", "Filter"},
    {Text::since, "Vanaf", "Du", "Von"},
    {Text::until, "Tot en met", "Au", "Bis"},
    {Text::search, "Zoeken", "Rechercher", "Suchen"},
    {Text::apply, "Toepassen", "Appliquer", "Anwenden"},
    {Text::all_ships, "Alle schepen", "Tous les bateaux", "Alle Schiffe"},
    {Text::total_loaded, "Totaal geladen (t)", "Total charg\xC3\xA9 (t)", "Gesamt geladen (t)"},
    {Text::found, "Gevonden", "Trouv\xC3\xA9s", "Gefunden"},
    {Text::older, "Oudere", "Plus anciens", "\xC3\x84ltere"},
    {Text::newer, "Nieuwere", "Plus r\xC3\xA9" "cents", "Neuere"},
    {Text::download_csv, "Als CSV downloaden", "T\xC3\xA9l\xC3\xA9" "charger en CSV", "Als CSV herunterladen"},
    {Text::date_utc, "Datum (UTC)", "Date (UTC)", "Datum (UTC)"},
    {Text::shipper, "Verlader", "Chargeur", "Verlader"},
    {Text::consignee, "Ontvanger", "Destinataire", "Empf\xC3\xA4nger"},
    {Text::cargo, "Lading", "Cargaison", "Ladung"},
    {Text::no_surveys, "Geen opnames.", "Aucun jaugeage.", "Keine Aufnahmen."},
    {Text::survey, "Opname", "Jaugeage", "Aufnahme"},
    {Text::readings, "Aflezingen", "Lectures", "Ablesungen"},
    {Text::port, "Bakboord", "B\xC3\xA2" "bord", "Backbord"},
    {Text::starboard, "Stuurboord", "Tribord", "Steuerbord"},
    {Text::empty, "leeg", "vide", "leer"},
    {Text::full, "vol", "charg\xC3\xA9", "beladen"},
    {Text::parties, "Partijen", "Parties", "Parteien"},
    {Text::place, "Plaats", "Lieu", "Ort"},
    {Text::phone, "Telefoon", "T\xC3\xA9l\xC3\xA9phone", "Telefon"},
    {Text::results, "Resultaat", "R\xC3\xA9sultat", "Ergebnis"},
    {Text::report, "Rapport (PDF)", "Rapport (PDF)", "Bericht (PDF)"},
    {Text::versions, "Eerdere versies", "Versions ant\xC3\xA9rieures", "Fr\xC3\xBChere Fassungen"},
    {Text::no_versions, "Geen eerdere versies.", "Aucune version ant\xC3\xA9rieure.", "Keine fr\xC3\xBChere Fassung."},
    {Text::replaced_at, "Vervangen op (UTC)", "Remplac\xC3\xA9 le (UTC)", "Ersetzt am (UTC)"},
    {Text::changes, "Wijzigingen", "Modifications", "\xC3\x84nderungen"},
    {Text::particulars, "Gegevens", "Caract\xC3\xA9ristiques", "Angaben"},
    {Text::certificate, "Meetbrief", "Certificat de jaugeage", "Eichschein"},
    {Text::gauge_table, "IJktabel", "Table de jaugeage", "Eichtabelle"},
    {Text::immersion_cm, "Inzinking (cm)", "Enfoncement (cm)", "Eintauchung (cm)"},
    {Text::tonnage, "Tonnage (t)", "Tonnage (t)", "Tonnage (t)"},
    {Text::earlier_tables, "Eerdere ijktabellen", "Tables ant\xC3\xA9rieures", "Fr\xC3\xBChere Eichtabellen"},
    {Text::valid_from, "Geldig vanaf (UTC)", "Valable du (UTC)", "G\xC3\xBCltig ab (UTC)"},
    {Text::valid_until, "Geldig tot (UTC)", "Valable jusqu'au (UTC)", "G\xC3\xBCltig bis (UTC)"},
    {Text::differing_rows, "Rijen die afwijken van de huidige tabel",
     "Lignes qui diff\xC3\xA8rent de la table actuelle", "Zeilen, die von der aktuellen Tabelle abweichen"},
    {Text::no_table, "Geen ijktabel.", "Aucune table de jaugeage.", "Keine Eichtabelle."},
    {Text::deleted_on_board, "Aan boord verwijderd", "Supprim\xC3\xA9 \xC3\xA0 bord", "An Bord gel\xC3\xB6scht"},
    {Text::not_found, "Niet gevonden.", "Introuvable.", "Nicht gefunden."},
    {Text::bad_date, "Een datum wordt geschreven als JJJJ-MM-DD.", "Une date s'\xC3\xA9" "crit AAAA-MM-JJ.",
     "Ein Datum wird JJJJ-MM-TT geschrieben."},
    {Text::error, "Er ging iets mis", "Une erreur est survenue", "Ein Fehler ist aufgetreten"},
    {Text::salt_factor, "Zoutcorrectiefactor", "Facteur de correction sel", "Salzkorrekturfaktor"},
    {Text::report_language, "Rapporttaal", "Langue du rapport", "Berichtssprache"},
    {Text::session_ended, "Uw sessie is be\xC3\xABindigd; meld u opnieuw aan.",
     "Votre session est termin\xC3\xA9" "e ; reconnectez-vous.", "Ihre Sitzung ist beendet; bitte melden Sie sich neu an."},
    {Text::curve_caption, "Tonnage over inzinking", "Tonnage selon l'enfoncement", "Tonnage \xC3\xBC" "ber Eintauchung"},
    {Text::name, "Naam", "Nom", "Name"},
    {Text::ship_name, "Scheepsnaam", "Nom du bateau", "Schiffsname"},
    {Text::gauge_count, "Aantal ijken", "Nombre de points de lecture", "Anzahl Ablesepunkte"},
    {Text::line, "Regel", "Ligne", "Zeile"},
    {Text::min_immersion, "Kleinste inzinking (cm)", "Enfoncement minimal (cm)", "Kleinste Eintauchung (cm)"},
    {Text::max_immersion, "Grootste inzinking (cm)", "Enfoncement maximal (cm)", "Gr\xC3\xB6\xC3\x9Fte Eintauchung (cm)"},
    {Text::now_current, "nu", "actuel", "jetzt"},
    {Text::previous_value, "Eerder", "Avant", "Vorher"},
    {Text::session_crowded,
     "Uw sessie is be\xC3\xABindigd: met deze gebruiker zijn (of op deze server zijn) meer sessies geopend "
     "dan de server bijhoudt, en deze werd het langst niet gebruikt. Meld u opnieuw aan.",
     "Votre session est termin\xC3\xA9" "e : cet utilisateur (ou ce serveur) a ouvert plus de sessions "
     "que le serveur n'en garde, et celle-ci \xC3\xA9tait inutilis\xC3\xA9" "e depuis le plus longtemps. Reconnectez-vous.",
     "Ihre Sitzung ist beendet: f\xC3\xBCr diesen Benutzer (oder auf diesem Server) wurden mehr Sitzungen "
     "ge\xC3\xB6" "ffnet, als der Server h\xC3\xA4lt, und diese war am l\xC3\xA4ngsten unbenutzt. Bitte melden Sie sich neu an."},
    {Text::session_lost,
     "Uw sessie is be\xC3\xABindigd: de verbinding met de kantoordatabase is verbroken (de database is "
     "bijvoorbeeld herstart). Meld u opnieuw aan.",
     "Votre session est termin\xC3\xA9" "e : la connexion \xC3\xA0 la base de donn\xC3\xA9" "es du bureau "
     "a \xC3\xA9t\xC3\xA9 perdue (la base a par exemple red\xC3\xA9marr\xC3\xA9). Reconnectez-vous.",
     "Ihre Sitzung ist beendet: die Verbindung zur Datenbank des B\xC3\xBCros ist abgebrochen (die Datenbank wurde "
     "etwa neu gestartet). Bitte melden Sie sich neu an."},
    {Text::session_role_gone,
     "Uw sessie is be\xC3\xABindigd: deze gebruiker bestaat niet meer of mag zich niet meer aanmelden.",
     "Votre session est termin\xC3\xA9" "e : cet utilisateur n'existe plus ou ne peut plus se connecter.",
     "Ihre Sitzung ist beendet: diesen Benutzer gibt es nicht mehr, oder er darf sich nicht mehr anmelden."},
    {Text::db_unreachable,
     "De kantoordatabase is niet bereikbaar. Probeer het later opnieuw.",
     "La base de donn\xC3\xA9" "es du bureau est injoignable. R\xC3\xA9" "essayez plus tard.",
     "Die Datenbank des B\xC3\xBCros ist nicht erreichbar. Bitte versuchen Sie es sp\xC3\xA4ter erneut."},
    {Text::all_barges, "Alle installaties", "Toutes les installations", "Alle Installationen"},
    {Text::deleted_utc, "Verwijderd (UTC)", "Supprim\xC3\xA9 (UTC)", "Gel\xC3\xB6scht (UTC)"},
    {Text::with_deleted, "Ook verwijderde opnames", "Aussi les jaugeages supprim\xC3\xA9s", "Auch gel\xC3\xB6schte Aufnahmen"},
    {Text::surveys_of_ship, "Opnames van dit schip", "Jaugeages de ce bateau", "Aufnahmen dieses Schiffs"},
    {Text::ship_bearers, "Schepen met dit nummer", "Bateaux portant ce num\xC3\xA9ro", "Schiffe mit dieser Nummer"},
    {Text::survey_bearers, "Opnames met dit nummer", "Jaugeages portant ce num\xC3\xA9ro", "Aufnahmen mit dieser Nummer"},
    {Text::on_board, "aan boord", "\xC3\xA0 bord", "an Bord"},
    {Text::this_one, "deze", "celui-ci", "diese"},
    {Text::bore_number, "Had dit nummer van/tot (UTC)", "A port\xC3\xA9 ce num\xC3\xA9ro du/au (UTC)",
     "Trug diese Nummer von/bis (UTC)"},
    {Text::no_ship, "geen schip", "aucun bateau", "kein Schiff"},
    {Text::entry_date, "Invoerdatum", "Date de saisie", "Eingabedatum"},
    {Text::sort_by, "Sorteren op", "Trier par", "Sortieren nach"},
};

const char* const kResults[10][3] = {
    {"Totaal leeg", "Total vide", "Summe leer"},
    {"Totaal vol", "Total charg\xC3\xA9", "Summe beladen"},
    {"Gemiddeld leeg", "Moyenne vide", "Mittel leer"},
    {"Gemiddeld vol", "Moyenne charg\xC3\xA9", "Mittel beladen"},
    {"Inzinking leeg", "Enfoncement vide", "Eintauchung leer"},
    {"Inzinking vol", "Enfoncement charg\xC3\xA9", "Eintauchung beladen"},
    {"Tonnage leeg", "Tonnage vide", "Tonnage leer"},
    {"Tonnage vol", "Tonnage charg\xC3\xA9", "Tonnage beladen"},
    {"Geladen", "Charg\xC3\xA9", "Geladen"},
    {"Geladen na zoutcorrectie", "Charg\xC3\xA9 apr\xC3\xA8s correction sel", "Geladen nach Salzkorrektur"},
};
// clang-format on

}  // namespace

const char* tr(Lang lang, Text text) {
    for (const Entry& e : kTexts) {
        if (e.id == text) return lang == Lang::nl ? e.nl : lang == Lang::fr ? e.fr : e.de;
    }
    return "?";
}

const char* result_caption(Lang lang, int index) {
    return kResults[index][static_cast<int>(lang)];
}

const char* code(Lang lang) {
    return lang == Lang::nl ? "nl" : lang == Lang::fr ? "fr" : "de";
}

std::optional<Lang> lang_from_code(std::string_view c) {
    if (c == "nl") return Lang::nl;
    if (c == "fr") return Lang::fr;
    if (c == "de") return Lang::de;
    return std::nullopt;
}

Lang lang_from_accept(std::string_view header) {
    // "fr-BE,fr;q=0.9,nl;q=0.8": the language with the highest weight wins, the first among equals.
    std::optional<Lang> best;
    double best_q = 0;
    while (!header.empty()) {
        const auto comma = header.find(',');
        std::string_view item = header.substr(0, comma);
        header = comma == std::string_view::npos ? std::string_view{} : header.substr(comma + 1);
        while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
        double q = 1;
        const auto semi = item.find(';');
        if (semi != std::string_view::npos) {
            const auto qpos = item.find("q=", semi);
            if (qpos != std::string_view::npos) q = std::atof(std::string(item.substr(qpos + 2)).c_str());
            item = item.substr(0, semi);
        }
        const auto found = lang_from_code(item.substr(0, std::min<std::size_t>(item.size(), 2)));
        if (found && (item.size() == 2 || item[2] == '-') && q > best_q) {
            best = found;
            best_q = q;
        }
    }
    return best.value_or(Lang::nl);
}

}  // namespace ijken::web
