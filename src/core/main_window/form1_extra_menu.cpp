// The main window's Extra menu, a menu of its own beside the design's: the survey export
// (form1_export.cpp), the backup (form1_backup.cpp) and the survey list; and the warnings strip
// (form1_warnings.cpp), built with it.
#include "core/data/own_files.h"
#include "core/main_window/form1.h"
#include "core/survey/warnings.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using forms::MenuItem;

namespace {

// The texts of the export and the backup, in hidden labels that the language files (and the
// built-in French and German texts) translate; %1, %2 stand for the values.
constexpr std::pair<const char*, const char*> kMessageLabels[] = {
    {"tx_exporteren", "Opnames exporteren"},
    {"tx_csv_filter", "CSV-bestanden (*.csv)"},
    {"tx_geen_schip", "Er is geen schip geselecteerd om te exporteren"},
    {"tx_geexporteerd", "%1 opnames ge\353xporteerd naar %2"},
    {"tx_een_geexporteerd", "1 opname ge\353xporteerd naar %2"},
    {"tx_niet_berekend", "Van deze opnames kon de uitkomst niet worden berekend (de cellen zijn leeg):"},
    {"tx_reservekopie", "Reservekopie maken"},
    {"tx_db_filter", "Databases (*.db)"},
    {"tx_opgeslagen", "Reservekopie opgeslagen in %1"},
    {"tx_eigen_database", "\"%1\" is de database van het programma en wordt niet overschreven; kies een andere naam"},
    {"tx_eigen_taalbestand",
     "\"%1\" is een taalbestand van het programma en wordt niet overschreven; kies een andere naam"},
    {"tx_eigen_programma", "\"%1\" is het programma zelf en wordt niet overschreven; kies een andere naam"},
    // What the office menu item says of sending by itself (%1 a time, or why it failed).
    {"tx_kantoor_bezig", "wordt verstuurd\x85"},
    {"tx_kantoor_alles", "alles op kantoor, aangekomen %1"},
    {"tx_kantoor_wacht", "nog niet op kantoor"},
    {"tx_kantoor_mislukt", "niet op kantoor: %1"},
    {"tx_kantoor_uit", "automatisch versturen staat uit"},
    {"tx_kantoor_laatst", "laatst aangekomen %1"},
    {"tx_kantoor_gestopt", "afgebroken"},
    {"tx_kantoor_afbreken", "Er wordt naar kantoor verstuurd. Afbreken?"},
    // The words of the names a screen reader says (name_for_screen_readers).
    {"an_bakboord", "bakboord"},
    {"an_stuurboord", "stuurboord"},
    {"an_leeg", "leeg"},
    {"an_vol", "vol"},
    {"an_hoger", "hoger"},
    {"an_lager", "lager"},
    {"an_schip_leeg", "schip leeg"},
    {"an_schip_vol", "schip vol"},
    {"an_waarschuwingen", "Waarschuwingen"},
};

}  // namespace

void Form1::build_extras() {
    build_warning_strip();
    for (const auto& [name, text] : kMessageLabels) add<forms::Label>(name, nullptr, forms::Rect{0, 0, 0, 0}, text).set_visible(false);

    // A menu of its own at the end of the bar, so that no designed item moves.
    auto& extra = add<MenuItem>("Extra1", &menu(), "E&xtra");
    add<MenuItem>("Exporteren1", &extra, "&Opnames exporteren (CSV)...").on_click = [this] {
        Exporteren1Click();
    };
    add<MenuItem>("Backup1", &extra, "&Reservekopie maken...").on_click = [this] { Backup1Click(); };
    auto& survey_list = add<MenuItem>("Opnamelijst1", &extra, "Opname&lijst...");
    survey_list.set_shortcut("Ctrl+L");
    survey_list.on_click = [this] { Opnamelijst1Click(); };
    add<MenuItem>("Kantoor1", &extra, "Naar &kantoor versturen\x85").on_click = [this] {
        if (office_push_) office_push_();
    };
    // Checked, the program sends to the office by itself (the program wires it up).
    add<MenuItem>("KantoorAuto1", &extra, "&Automatisch naar kantoor versturen");
    add<MenuItem>("KantoorVerbinding1", &extra, "Kantoorverbinding &instellen\x85").on_click = [this] {
        if (office_connection_) office_connection_();
    };
}

void Form1::name_for_screen_readers() {
    auto word = [this](const char* label) { return get<forms::Label>(label).caption(); };
    // Twenty fields alike: a screen reader tells them apart by side, state and point.
    for (char side : {'b', 's'}) {
        for (char state : {'l', 'v'}) {
            for (int point = 1; point <= 5; ++point) {
                forms::Edit& edit = reading(side, state, point);
                edit.set_accessible_name(word(side == 'b' ? "an_bakboord" : "an_stuurboord") + " " +
                                         word(state == 'l' ? "an_leeg" : "an_vol") + " " + text::format_int(point));
                auto& up_down = get<forms::UpDown>("updown" + edit.name().substr(3));
                up_down.set_arrow_names(word("an_hoger"), word("an_lager"));
            }
        }
    }
    get<forms::Drawing>("Image1").set_accessible_name(word("an_schip_leeg"));
    get<forms::Drawing>("Image2").set_accessible_name(word("an_schip_vol"));
    get<forms::Slider>("TrackbarLeeg").set_accessible_name(word("an_leeg"));
    get<forms::Slider>("TrackBarVol").set_accessible_name(word("an_vol"));
    get<forms::Label>("LabelWaarschuwing").set_accessible_name(word("an_waarschuwingen"));
    // A value cell is named by its row's caption and its column ("Tonnage, vol"): its own caption
    // is only the number.
    for (const char* cell : {"e01", "e02", "e11", "e12", "e21", "e22", "e31", "e32", "e42", "e52"}) {
        const std::string name = cell;
        const std::string& row = get<forms::Label>(name.substr(0, 2) + "0").caption();
        get<forms::Label>(name).set_accessible_name(row + ", " + word(name[2] == '1' ? "an_leeg" : "an_vol"));
    }
}

std::string Form1::message_text(const char* label, const std::vector<std::string>& values) const {
    return fill_template(get<forms::Label>(label).caption(), values);
}

std::vector<data::OwnFile> Form1::own_files() const {
    const lang::Taal& taal = session().taal();
    auto own = data::own_files(
        session().database(), taal.directory(),
        {taal.TaalFile1(), taal.TaalFile2(), taal.TaalFile3(), taal.TaalFile4(), taal.TaalFile5()});
    // Refused in the interface language.
    for (data::OwnFile& file : own) {
        using Kind = data::OwnFile::Kind;
        file.refusal = message_text(file.kind == Kind::database        ? "tx_eigen_database"
                                    : file.kind == Kind::language_file ? "tx_eigen_taalbestand"
                                                                       : "tx_eigen_programma");
    }
    return own;
}

void Form1::Opnamelijst1Click() {
    // Beside the main window, not modal: the main window stays visible to show the survey opened
    // from the list, and formshow (which goes back to the newest survey) does not run.
    if (window_actions_.Opnamelijst1Click) window_actions_.Opnamelijst1Click();
}


}  // namespace ijken::survey
