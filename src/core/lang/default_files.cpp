#include "core/lang/default_files.h"

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>

#include "core/text/file_writer.h"
#include "core/text/ini_file.h"

namespace ijken::lang {

namespace {

// Windows-1252 bytes as octal escapes (which end after three digits): "\351" is "é", "\347" is
// "ç", "\340" is "à".
constexpr const char* kTln[] = {
    "[form1]",
    "form1.caption=IJken",
    "GroupBox1.caption=Lading",
    "GroupBox2.caption=Bestemming",
    "Label8.caption=Correctie",
    "sltb_prev.caption=<",
    "sltb_next.caption=>",
    "sltb_del.caption=X",
    "sltb_save.caption=+",
    "sltb_add.caption=O",
    "sltb_prev.hint=Vorige",
    "sltb_next.hint=Volgende",
    "sltb_del.hint=Verwijderen",
    "sltb_save.hint=Wijzigingen opslaan",
    "sltb_add.hint=Toevoegen",
    "e00.caption=Totaal",
    "e10.caption=Gemiddeld",
    "e20.caption=Inzinking",
    "e30.caption=Tonnage",
    "e40.caption=geladen",
    "e50.caption=Zout correctie",
    "Schepen.caption=&Schepen",
    "Invoeren1.caption=&Nieuw schip",
    "Wijzigen1.caption=&Schip selecteren",
    "Verwijderen1.caption=&Verwijderen",
    "Meetbrief1.caption=Meetbrief",
    "Invoer1.caption=Invoeren",
    "meetbriefwijzigen.caption=Wijzigen",
    "ScheepsGegevens.caption=Scheeps gegevens",
    "Afdrukken1.caption=&Afdrukken",
    "Einde1.caption=&Einde",
    "Verlader_Naam.caption=Naam",
    "Verlader_Plaats.caption=Plaats",
    "Verlader_telefoon.caption=Telefoon",
    "Lading.caption=Lading",
    "Ontvanger_naam.caption=Naam",
    "Ontvanger_plaats.caption=Plaats",
    "Ontvanger_telefoon.caption=Telefoon",
    "TaalKeuze.caption=Afdruk taal",
    "",
    "[ijkeninvoer]",
    "ijkeninvoer.caption=Meetbrief",
    "GroupBox1.caption=Dieptes",
    "Label1.caption=1ste ingevulde CM",
    "Label2.caption=Laatste CM",
    "MaakDM_Tabel.caption=Maak DM Tabel",
    "GroupBox2.caption=DM tabel",
    "Button1.caption=Maak CM tabel",
    "Button2.caption=Button2",
    "GroupBox3.caption=IJK tabel",
    "Opslaan.caption=Opslaan",
    "Afsluiten.caption=Alsuiten",
    "edit1.caption=Aantal ijken",
    "",
    "[schipinvoer]",
    "schipinvoer.caption=SchipInvoer",
    "Opslaan.caption=Opslaan",
    "Button3.caption=Terug",
    "meetbrief.caption=Meetbrief Nr",
    "Naam_veld.caption=Scheepsnaam",
    "aantal_ijken.caption=Aantal ijken",
    "",
    "[print]",
    "print.caption=Afdrukken",
    "Taal.caption=&Taal",
    "Nederlands1.caption=Nederlands",
    "Frans1.caption=Frans",
    "Duits1.caption=Duits",
    "OpslaanalsPDF1.caption=&Opslaan als PDF",
    "OpeneninPDFreader1.caption=O&pen in PDF reader",
    "Afsluiten1.caption=&Afsluiten",
};

constexpr const char* kTlf[] = {
    "[form1]",
    "form1.caption=Echelles",
    "GroupBox1.caption=Chargement",
    "GroupBox2.caption=Destination",
    "Label8.caption=Correction",
    "sltb_prev.caption=<",
    "sltb_next.caption=>",
    "sltb_del.caption=X",
    "sltb_save.caption=+",
    "sltb_add.caption=O",
    "sltb_prev.hint=Pr\351c\351dent",
    "sltb_next.hint=Suivant",
    "sltb_del.hint=Enlever",
    "sltb_save.hint=Sauvegarder modifications",
    "sltb_add.hint=Ajouter",
    "e00.caption=Total",
    "e10.caption=Moyen",
    "e20.caption=Enfoncement",
    "e30.caption=Tonnage",
    "e40.caption=Charg\351",
    "e50.caption=Correction Eau sal\351",
    "Schepen.caption=&Bateaux",
    "Invoeren1.caption=&Nouveau bateau",
    "Wijzigen1.caption=&S\351lectionner bateau",
    "Verwijderen1.caption=&Enlever",
    "Meetbrief1.caption=Matricule",
    "Invoer1.caption=Importer",
    "meetbriefwijzigen.caption=Modifer",
    "ScheepsGegevens.caption=Donn\351es du bateau",
    "Afdrukken1.caption=&Imprimer",
    "Einde1.caption=&Terminer",
    "Verlader_Naam.caption=Nom",
    "Verlader_Plaats.caption=Ville",
    "Verlader_telefoon.caption=T\351l.",
    "Lading.caption=Marchandise",
    "Ontvanger_naam.caption=Nom",
    "Ontvanger_plaats.caption=Ville",
    "Ontvanger_telefoon.caption=T\351l.",
    "TaalKeuze.caption=Langue \340 imprimer",
    "",
    "[ijkeninvoer]",
    "ijkeninvoer.caption=Verbal",
    "GroupBox1.caption=Dimensions",
    "Label1.caption=1er CM import\351",
    "Label2.caption=Dernier CM",
    "MaakDM_Tabel.caption=Cr\351ez Tableau DM ",
    "GroupBox2.caption=Tableau DM",
    "Button1.caption=Int\351grez Tableau CM",
    "Button2.caption=Button2",
    "GroupBox3.caption=Tableau \351chelles",
    "Opslaan.caption=Sauvegarder",
    "Afsluiten.caption=Terminer",
    "edit1.caption=Aantal ijken",
    "",
    "[schipinvoer]",
    "schipinvoer.caption=Importation Bateau",
    "Opslaan.caption=Sauvegarder",
    "Button3.caption=Retour",
    "meetbrief.caption=No. matricule",
    "Naam_veld.caption=Devise",
    "",
    "[print]",
    "print.caption=Afdrukken",
    "Taal.caption=&Langue",
    "Nederlands1.caption=N\351erlandais",
    "Frans1.caption=Fran\347ais",
    "Duits1.caption=Allemand",
    "OpslaanalsPDF1.caption=&Sauvegarder comme PDF",
    "OpeneninPDFreader1.caption=&Ouvrir dans lecteur PDF",
    "Afsluiten1.caption=&Terminer",
};

template <std::size_t N>
std::string join(const char* const (&lines)[N]) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

}  // namespace

const std::string& default_tln() {
    static const std::string text = join(kTln);
    return text;
}

const std::string& default_tlf() {
    static const std::string text = join(kTlf);
    return text;
}

void write_default_files(const std::string& program_dir) {
    struct DefaultFile {
        const char* name;
        const std::string& text;
    };
    for (const DefaultFile& f :
         {DefaultFile{"tlf.tln", default_tlf()}, DefaultFile{"tln.tln", default_tln()}}) {
        const std::filesystem::path path = program_dir + f.name;
        std::error_code ec;
        // symlink_status: a link counts as a file even when it points nowhere; it is not replaced.
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) continue;
        text::replace_file(path, f.text);
    }
}

bool copy_delivered_file(const std::string& name, const std::vector<std::string>& source_dirs,
                         const std::string& dir) {
    const std::filesystem::path target = dir + name;
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, ec))) return true;
    for (const std::string& source_dir : source_dirs) {
        const std::filesystem::path source = std::filesystem::path(source_dir) / name;
        if (!std::filesystem::is_regular_file(source, ec)) continue;
        std::ifstream in(source, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        if (!in.good() && !in.eof()) continue;
        text::replace_file(target, bytes);
        return true;
    }
    return false;
}

}  // namespace ijken::lang
