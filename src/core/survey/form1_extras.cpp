// The main window's additions beside its design: the warnings beside the result grid, and the
// Extra menu with the CSV export of the ship's surveys and the backup copy of the database.
#include <ctime>
#include <stdexcept>

#include "core/data/database_backup.h"
#include "core/data/own_files.h"
#include "core/data/pending_file.h"
#include "core/survey/form1.h"
#include "core/survey/opnamelijstform.h"
#include "core/survey/ship_record.h"
#include "core/survey/survey_export.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using forms::Label;
using forms::MenuItem;
using forms::Rect;

namespace {

// The hidden labels that hold the warning templates, and the template each one starts with.
struct TemplateLabel {
    const char* name;
    std::string WarningTexts::*text;
};
constexpr TemplateLabel kTemplateLabels[] = {
    {"wt_leeg", &WarningTexts::leeg},
    {"wt_vol", &WarningTexts::vol},
    {"wt_buiten_tabel", &WarningTexts::outside_table},
    {"wt_verschil", &WarningTexts::side_difference},
    {"wt_nul_bb", &WarningTexts::zero_port},
    {"wt_nul_sb", &WarningTexts::zero_starboard},
};

// Pale yellow (0x00BBGGRR), the colour of a note, so that a warning stands out from the results.
constexpr int kWarningColour = 0x00E1FFFF;

// A ship's name as a file name: the characters file systems refuse become "_".
std::string file_name_from(const std::string& name, const std::string& fallback) {
    std::string s;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        s += (u < 0x20 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) ? '_' : c;
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
    return s.empty() ? fallback : s;
}

// Today's local date as YYYY-MM-DD, for the proposed name of a backup.
std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return text::format_int(local.tm_year + 1900) + "-" + (local.tm_mon < 9 ? "0" : "") +
           text::format_int(local.tm_mon + 1) + "-" + (local.tm_mday < 10 ? "0" : "") +
           text::format_int(local.tm_mday);
}

// What the warnings strip shows: one line per state, and every warning in full in its hint, since
// the strip holds two lines and a long one may be cut off there.
struct StripText {
    std::string caption;
    std::string hint;
};
StripText strip_text(const std::vector<Warning>& warnings, const ShipParams& ship,
                     const WarningTexts& texts) {
    StripText s;
    for (const std::string& line : warning_lines(warnings, ship, texts)) {
        if (!s.caption.empty()) s.caption += '\n';
        s.caption += line;
    }
    for (const Warning& w : warnings) {
        if (!s.hint.empty()) s.hint += '\n';
        s.hint += full_warning_text(w, ship, texts);
    }
    return s;
}

}  // namespace

void Form1::build_extras() {
    // Beside the result grid, below it and the survey buttons: the one free strip of the window.
    // Hidden while there is nothing to say.
    auto& label = add<Label>("LabelWaarschuwing", nullptr, Rect{200, 516, 437, 32});
    label.set_colour(kWarningColour);
    label.set_visible(false);
    label.set_accessible_name("Waarschuwingen");
    // The strip's texts are the warnings, whatever else sets them: translating the window by name
    // would otherwise put a language file's stale text there.
    label.add_observer([this](forms::Control& c) {
        const StripText strip = strip_text(warnings, ship_params(), warning_texts());
        if (c.caption() != strip.caption || c.hint() != strip.hint) toon_waarschuwingen();
    });

    const WarningTexts defaults;
    for (const TemplateLabel& t : kTemplateLabels) {
        auto& text = add<Label>(t.name, nullptr, Rect{0, 0, 0, 0}, defaults.*(t.text));
        text.set_visible(false);
        // A translated template shows at once, not only at the next recomputation.
        text.add_observer([this](forms::Control&) {
            if (!warnings.empty()) toon_waarschuwingen();
        });
    }

    // A menu of its own at the end of the bar, so that no designed item moves.
    auto& extra = add<MenuItem>("Extra1", &menu(), "E&xtra");
    add<MenuItem>("Exporteren1", &extra, "&Opnames exporteren (CSV)...").on_click = [this] {
        Exporteren1Click();
    };
    add<MenuItem>("Backup1", &extra, "&Reservekopie maken...").on_click = [this] { Backup1Click(); };
    auto& lijst = add<MenuItem>("Opnamelijst1", &extra, "Opname&lijst...");
    lijst.set_shortcut("Ctrl+L");
    lijst.on_click = [this] { Opnamelijst1Click(); };
}

WarningTexts Form1::warning_texts() const {
    WarningTexts texts;
    for (const TemplateLabel& t : kTemplateLabels) texts.*(t.text) = get<Label>(t.name).caption();
    return texts;
}

void Form1::toon_waarschuwingen() {
    const StripText strip = strip_text(warnings, ship_params(), warning_texts());
    auto& label = get<Label>("LabelWaarschuwing");
    label.set_caption(strip.caption);
    label.set_hint(strip.hint);
    label.set_visible(!warnings.empty());
}

// Both ask for a file first; a run without the save-file dialog (a headless test) offers neither.
void Form1::Exporteren1Click() {
    if (services.files == nullptr) return;
    const std::optional<ShipRecord> ship = read_ship(db_pad, SchipID);
    if (!ship) throw std::runtime_error("Er is geen schip geselecteerd om te exporteren");
    const auto file =
        services.files->save_file({"Opnames exporteren", file_name_from(ship->name, "opnames") + ".csv",
                                   "CSV-bestanden (*.csv)|*.csv", "csv"});
    if (!file) return;
    data::refuse_own_file(*file, own_files());
    const ExportResult result = export_surveys(db_pad, *ship, *file);
    std::string message = text::format_int(result.surveys) + (result.surveys == 1 ? " opname" : " opnames") +
                          " ge\xEBxporteerd naar " + data::display_path(*file);
    if (!result.problems.empty()) {
        message += "\n\nVan deze opnames kon de uitkomst niet worden berekend (de cellen zijn leeg):";
        for (const std::string& p : result.problems) message += "\n" + p;
    }
    dialogs_.information(message);
}

void Form1::Backup1Click() {
    if (services.files == nullptr) return;
    const auto file = services.files->save_file(
        {"Reservekopie maken", "ijken-" + today() + ".db", "Databases (*.db)|*.db", "db"});
    if (!file) return;
    data::refuse_own_file(*file, own_files());
    data::backup_database(db_pad, *file);
    dialogs_.information("Reservekopie opgeslagen in " + data::display_path(*file));
}

std::vector<data::OwnFile> Form1::own_files() const {
    return data::own_files(db_pad, taal.directory(),
                           {taal.TaalFile1(), taal.TaalFile2(), taal.TaalFile3(), taal.TaalFile4(), taal.TaalFile5()});
}

void Form1::Opnamelijst1Click() {
    // Beside the main window, not modal: the main window stays visible to show the survey opened
    // from the list, and formshow (which goes back to the newest survey) does not run.
    if (auto* lijst = window<Opnamelijstform>()) lijst->open();
}

bool Form1::ga_naar_opname(int opnameid) {
    lees_opnames();
    if (opnamelijst->RowCount() == 0) return false;
    const int kolom = opnamelijst->FieldIndex("Opnameid");
    opnamelijst->MoveLast();
    while (opnamelijst->AsInteger(kolom) != opnameid) {
        if (opnamelijst->AtStart()) {
            // Not there: the list stays on the newest survey, as after any load.
            opnamelijst->MoveLast();
            return false;
        }
        opnamelijst->Previous();
    }
    toon_opname();
    return true;
}

}  // namespace ijken::survey
