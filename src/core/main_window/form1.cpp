#include "core/main_window/form1.h"

#include <stdexcept>
#include <utility>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/lang/default_files.h"
#include "core/store/surveys.h"
#include "core/survey/ship_record.h"
#include "core/text/ini_file.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using data::SQLiteDatabase;
using data::SqlValue;
using text::format_int;

namespace {

// The parties and the cargo: field name and column, in the order the statements and toon_opname
// use them, with the field's place in SurveyValue::parties.
struct PartyField {
    const char* field;
    const char* column;
    int party;
};
constexpr PartyField kPartyFields[7] = {
    {"Verlader_Naam", "Verlader_Naam", 0},
    {"Verlader_Plaats", "Verlader_Plaats", 1},
    {"Verlader_telefoon", "Verlader_Telefoon", 2},
    {"Ontvanger_naam", "Ontvanger_Naam", 4},
    {"Ontvanger_plaats", "Ontvanger_Plaats", 5},
    {"Ontvanger_telefoon", "Ontvanger_Telefoon", 6},
    {"Lading", "Lading", 3},
};

const char* const kResultCellNames[10] = {"e01", "e02", "e11", "e12", "e21",
                                          "e22", "e31", "e32", "e42", "e52"};

// A value cell is named for screen readers by its row's caption and its column ("Tonnage, vol"):
// its own caption is only the number.
void name_result_cells(forms::Form& form) {
    for (const char* cell : kResultCellNames) {
        const std::string name = cell;
        const std::string& row = form.get<forms::Label>(name.substr(0, 2) + "0").caption();
        form.get<forms::Label>(name).set_accessible_name(row + (name[2] == '1' ? ", leeg" : ", vol"));
    }
}

// The report language stored with a survey is a digit in a text column.
int taal_index(const std::string& stored) {
    const auto value = text::parse_int(stored);
    if (!value) throw std::runtime_error("'" + stored + "' is not a valid integer value");
    return static_cast<int>(*value);
}

}  // namespace

Form1::Form1(std::string program_dir, forms::Dialogs& dialogs)
    : forms::Form("Form1", "IJken", forms::Rect{430, 60, 649, 606}),
      db_pad(data::database_path(program_dir)),
      program_dir_(std::move(program_dir)),
      dialogs_(dialogs) {
    services.dialogs = &dialogs;
    taal.set_directory(program_dir_);
    taal.set_TaalFile1("tln.tln");
    taal.set_TaalFile2("tlf.tln");
    taal.SetActiveTaalFile(1);
    build_layout();
    build_menu();
    wire_events();
    build_extras();
    take_fields();
}

Form1::~Form1() = default;

const std::array<std::string, 20>& Form1::reading_columns() {
    return survey::reading_columns();
}

void Form1::take_fields() {
    for (std::size_t i = 0; i < readings_.size(); ++i) readings[i] = readings_[i]->text();
    for (const PartyField& f : kPartyFields) parties[f.party] = get<forms::Edit>(f.field).text();
    zout_correctie = get<forms::MaskEdit>("ZoutMaskEdit").text();
    print_language = get<forms::RadioGroup>("TaalKeuze").item_index();
    for (int n = 0; n < 5; ++n) rows_shown[n] = panels_[n]->visible();
}

void Form1::set_print_language(int index) {
    get<forms::RadioGroup>("TaalKeuze").set_item_index(index);
}

void Form1::wire_events() {
    // Every field that makes the survey keeps its part of the value current.
    for (std::size_t i = 0; i < readings_.size(); ++i) {
        readings_[i]->on_change = [this, i] {
            readings[i] = readings_[i]->text();
            ijk_bb_l_1change();
        };
    }
    get<forms::MaskEdit>("ZoutMaskEdit").on_change = [this] {
        zout_correctie = get<forms::MaskEdit>("ZoutMaskEdit").text();
        ijk_bb_l_1change();
    };
    for (const PartyField& f : kPartyFields) {
        get<forms::Edit>(f.field).on_change = [this, f] { parties[f.party] = get<forms::Edit>(f.field).text(); };
    }
    get<forms::RadioGroup>("TaalKeuze").on_change = [this] {
        print_language = get<forms::RadioGroup>("TaalKeuze").item_index();
    };
    get<forms::Slider>("TrackbarLeeg").on_change = [this] { TrackbarLeegChange(); };
    get<forms::Slider>("TrackBarVol").on_change = [this] { TrackBarVolChange(); };
    get<forms::Edit>("Verlader_Naam").on_change = [this] {
        parties[0] = get<forms::Edit>("Verlader_Naam").text();
        verlader_naamchange();
    };
    get<forms::Button>("sltb_prev").on_click = [this] { sltb_prevclick(); };
    get<forms::Button>("sltb_next").on_click = [this] { sltb_nextclick(); };
    get<forms::Button>("sltb_del").on_click = [this] { sltb_delclick(); };
    get<forms::Button>("sltb_add").on_click = [this] { sltb_addclick(); };
    get<forms::Button>("sltb_save").on_click = [this] { sltb_saveclick(); };
    get<forms::MenuItem>("Einde1").on_click = [this] { Einde1Click(); };
    get<forms::MenuItem>("Invoeren1").on_click = [this] { invoeren1click(); };
    get<forms::MenuItem>("Invoer1").on_click = [this] { invoer1click(); };
    get<forms::MenuItem>("meetbriefwijzigen").on_click = [this] { Wijzigen2Click(); };
    get<forms::MenuItem>("ScheepsGegevens").on_click = [this] { scheepsgegevensclick(); };
    get<forms::MenuItem>("Afdrukken1").on_click = [this] { afdrukken1click(); };
    get<forms::MenuItem>("cTarvik1").on_click = [this] { cTarvik1Click(); };
    get<forms::MenuItem>("taaleditor1").on_click = [this] { taaleditor1Click(); };
    get<forms::MenuItem>("Maaktaalfile1").on_click = [this] { Maaktaalfile1Click(); };
    get<forms::MenuItem>("NL1").on_click = [this] { NL1Click(); };
    get<forms::MenuItem>("FR1").on_click = [this] { FR1Click(); };
    get<forms::MenuItem>("DE1").on_click = [this] { DE1Click(); };
    // The ships menus are wired where those are built.
    on_show = [this] { formshow(); };
}

// ---- start-up and showing ----------------------------------------------------------------------

void Form1::formcreate() {
    get<forms::Label>("e00").set_caption("Totaal");
    get<forms::Label>("e10").set_caption("Gemiddeld");
    get<forms::Label>("e20").set_caption("Inzinking");
    get<forms::Label>("e30").set_caption("Tonnage");
    get<forms::Label>("e40").set_caption("geladen");
    get<forms::Label>("e50").set_caption("Zout correctie");
    name_result_cells(*this);
    db_pad = data::database_path(program_dir_);
    data::create_database_if_missing(db_pad);
    // A language file that cannot be written is reported, and the ship is loaded all the same:
    // the windows then keep their designed Dutch texts, which is no reason to leave them empty.
    try {
        lang::write_default_files(program_dir_);
    } catch (const text::FileWriteError& e) {
        dialogs_.error(e.what());
    }
    configure_languages();
    take_read_ahead();
    // What was read ahead serves this start only, also when it ends early.
    struct Forget {
        std::optional<OpeningRead>& read;
        ~Forget() { read.reset(); }
    } forget{opening_};
    // The ships menus are built before the ship is loaded.
    bouw_schepenmenu();
    laad_schip();
}

void Form1::take_read_ahead() {
    if (!read_ahead.valid()) return;
    try {
        opening_ = read_ahead.get();
    } catch (const std::exception&) {
        // The reads below run as usual, and report what fails.
    }
}

void Form1::formshow() {
    if (opnamelijst && opnamelijst->RowCount() > 0) opnamelijst->MoveLast();
    toon_opname();
    Vertaal();
    if (std::exchange(herbereken_bij_tonen_, false)) herbereken_getoond();
}

void Form1::Einde1Click() {
    if (auto quit = on_quit) quit();
}

// ---- computation ---------------------------------------------------------------------------------

void Form1::ijk_bb_l_1change() {
    bereken();
    get<forms::Button>("sltb_save").set_enabled(true);
    get<forms::Button>("sltb_add").set_enabled(true);
}

void Form1::bereken() {
    // While several fields are filled, one recomputation runs once all are.
    if (deferred_ != nullptr) {
        *deferred_ = true;
        return;
    }
    const SurveyInput input = SurveyValue::input();
    // herbereken throws before anything is computed for a reading too large to hold. The cells
    // are emptied then: beside these readings they would show the figures of the previous ones.
    Recomputation r;
    try {
        r = herbereken(db_pad, ship_params(), input);
    } catch (...) {
        clear_results();
        throw;
    }
    resultaat_leeg = r.leeg;
    resultaat_vol = r.vol;
    set_result_cells(r.cells);
    warnings = find_warnings(ship_params(), input, r);
    toon_waarschuwingen();
}

void Form1::herbereken_getoond() {
    // A slider that moves writes its reading into the fields; here the fields keep the survey's.
    for (const char* name : {"TrackbarLeeg", "TrackBarVol"}) {
        auto& slider = get<forms::Slider>(name);
        auto handler = std::exchange(slider.on_change, nullptr);
        try {
            slider.set_maximum(Max_inzinking);
            slider.set_position(Max_inzinking);
        } catch (...) {
            slider.on_change = std::move(handler);
            throw;
        }
        slider.on_change = std::move(handler);
    }
    bereken();
}

void Form1::clear_results() {
    resultaat_leeg = {};
    resultaat_vol = {};
    set_result_cells({});
    warnings.clear();
    toon_waarschuwingen();
}

void Form1::set_result_cells(const ResultCells& c) {
    const std::string* values[10] = {&c.e01, &c.e02, &c.e11, &c.e12, &c.e21,
                                     &c.e22, &c.e31, &c.e32, &c.e42, &c.e52};
    for (int i = 0; i < 10; ++i) get<forms::Label>(kResultCellNames[i]).set_caption(*values[i]);
}

void Form1::zet_ijkpunten() {
    // Hidden in the designed order: loaded starboard, loaded port, empty starboard, empty port.
    for (int block = 3; block >= 0; --block) {
        for (int point = 0; point < 5; ++point) panels_[block * 5 + point]->set_visible(false);
    }
    // The fields are reset together and recomputed once: one by one, a reading still holding a
    // value too large to compute with would refuse every reset before its own.
    bool asked = false;
    {
        DeferredRecomputation defer(deferred_, asked);
        for (forms::Edit* field : readings_) field->set_text("0");
    }
    if (asked) bereken();
    const auto in_use = ijkpunten_in_gebruik(Aantal_ijken);
    for (int point = 0; point < 5; ++point) {
        rows_shown[point] = in_use[point];
        if (!in_use[point]) continue;
        for (int block = 0; block < 4; ++block) panels_[block * 5 + point]->set_visible(true);
    }
    get<forms::Drawing>("Image1").repaint();
    get<forms::Drawing>("Image2").repaint();
}

void Form1::set_slider_readings(const forms::Slider& slider, char state) {
    const std::string value = format_int(slider.maximum() - slider.position());
    const auto in_use = ijkpunten_in_gebruik(Aantal_ijken);
    for (char side : {'s', 'b'}) {
        for (int point = 1; point <= 5; ++point) {
            if (in_use[point - 1]) reading(side, state, point).set_text(value);
        }
    }
}

void Form1::TrackbarLeegChange() {
    set_slider_readings(get<forms::Slider>("TrackbarLeeg"), 'l');
}

void Form1::TrackBarVolChange() {
    set_slider_readings(get<forms::Slider>("TrackBarVol"), 'v');
}

// ---- the selected ship -----------------------------------------------------------------------------

void Form1::laad_schip() {
    const std::optional<ShipRecord> ship =
        opening_ && opening_->ship ? *std::exchange(opening_->ship, std::nullopt) : read_selected_ship(db_pad);
    if (!ship) return;
    get<forms::Label>("LabelMeetbrief").set_caption(ship->meetbrief);
    get<forms::Label>("LabelNaam").set_caption(ship->name);
    get<forms::MenuItem>("Naam1").set_caption(get<forms::Label>("LabelNaam").caption());
    Aantal_ijken = ship->params.Aantal_ijken;
    Max_inzinking = ship->params.Max_inzinking;
    Min_inzinking = ship->params.Min_inzinking;
    SchipID = ship->params.SchipID;
    // The windows are translated into it when the main window is next shown (or by the caller).
    taal.SetActiveTaalFile(ship->taal);
    zet_ijkpunten();
    for (const char* name : {"TrackbarLeeg", "TrackBarVol"}) {
        auto& slider = get<forms::Slider>(name);
        slider.set_maximum(Max_inzinking);
        slider.set_position(Max_inzinking);
    }
    laad_opnames();
}

// ---- survey records --------------------------------------------------------------------------------

void Form1::lees_opnames() {
    if (opening_ && opening_->surveys && opening_->surveys_of == SchipID) {
        opnamelijst = std::move(opening_->surveys);
        return;
    }
    opnamelijst = read_surveys(db_pad, SchipID);
}

void Form1::laad_opnames() {
    lees_opnames();
    if (opnamelijst->RowCount() > 0) opnamelijst->MoveLast();
    toon_opname();
}

void Form1::set_survey_buttons(bool prev, bool next, bool del, bool save, bool add) {
    get<forms::Button>("sltb_prev").set_enabled(prev);
    get<forms::Button>("sltb_next").set_enabled(next);
    get<forms::Button>("sltb_del").set_enabled(del);
    get<forms::Button>("sltb_save").set_enabled(save);
    get<forms::Button>("sltb_add").set_enabled(add);
}

void Form1::toon_opname() {
    if (!opnamelijst || opnamelijst->RowCount() == 0) {
        huidige_opname = geen_opname;
        set_survey_buttons(false, false, false, false, false);
        return;
    }
    data::SQLiteTable& t = *opnamelijst;
    auto column_text = [&](const std::string& column) { return t.AsString(t.FieldIndex(column)); };
    // Each field that changes fires its handler: the readings and the factor ask for a
    // recomputation, the shipper's name enables save and add (disabled again at the end). The
    // recomputation runs once, when every field is filled: one that fails must not end the filling
    // half-way (the fields would mix two surveys, and a save would write the mixture over the
    // survey shown before).
    bool asked = false;
    try {
        DeferredRecomputation defer(deferred_, asked);
        for (const PartyField& f : kPartyFields) get<forms::Edit>(f.field).set_text(column_text(f.column));
        get<forms::RadioGroup>("TaalKeuze").set_item_index(taal_index(column_text("Taal")));
        for (std::size_t i = 0; i < readings_.size(); ++i)
            readings_[i]->set_text(column_text(reading_columns()[i]));
        huidige_opname = static_cast<int>(t.AsInteger(t.FieldIndex("Opnameid")));
        get<forms::MaskEdit>("ZoutMaskEdit")
            .set_text(text::format_fixed(t.AsFloat(t.FieldIndex("ZoutCorrectie")), 3, 5));
    } catch (...) {
        // The fields filled so far are computed, as each would have been when it was filled.
        if (asked) {
            try {
                bereken();
            } catch (const std::exception&) {
            }
        }
        throw;
    }
    std::string failure;
    if (asked) {
        try {
            bereken();
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    set_survey_buttons(!t.AtStart(), !t.AtLast(), true, false, false);
    if (!asked) return;
    if (failure.empty()) {
        reported_survey_failure_.clear();
        return;
    }
    // No figure of another survey may stand beside these readings.
    clear_results();
    const std::string reported = format_int(huidige_opname) + "\n" + failure;
    if (reported == reported_survey_failure_) return;
    reported_survey_failure_ = reported;
    dialogs_.error(failure);
}

void Form1::sltb_prevclick() {
    if (!opnamelijst || !opnamelijst->Previous()) return;
    toon_opname();
}

void Form1::sltb_nextclick() {
    if (!opnamelijst || opnamelijst->AtEnd() || opnamelijst->AtLast()) return;
    opnamelijst->Next();
    toon_opname();
}

std::vector<SqlValue> Form1::survey_values() const {
    // A reading too large to compute with is refused here, before anything is stored: stored, it
    // would stop the survey (and the ship, and the next start) from loading, since showing a survey
    // recomputes it.
    for (const forms::Edit* field : readings_) waarde_uit_tekst(field->text());
    std::vector<SqlValue> values;
    values.reserve(28);
    for (const forms::Edit* field : readings_) values.emplace_back(field->text());
    for (const PartyField& f : kPartyFields) values.emplace_back(get<forms::Edit>(f.field).text());
    values.emplace_back(get<forms::MaskEdit>("ZoutMaskEdit").text());
    return values;
}

void Form1::insert_survey() {
    const int taal = get<forms::RadioGroup>("TaalKeuze").item_index();
    {
        SQLiteDatabase db(db_pad, data::OpenMode::existing);
        data::Transaction transaction(db);
        store::insert_survey(db, SchipID, taal, survey_values());
        transaction.commit();
    }
    // Told only once the commit went through: a commit refused by a lock (another program reading
    // the file) would otherwise follow a report of success with nothing stored.
    dialogs_.information("IJken opgeslagen");
    laad_opnames();
}

void Form1::sltb_addclick() {
    insert_survey();
    get<forms::Button>("sltb_add").set_enabled(false);
}

void Form1::sltb_saveclick() {
    if (huidige_opname < 0) {
        // No survey to save over: the fields become the ship's first.
        sltb_addclick();
        return;
    }
    const int taal = get<forms::RadioGroup>("TaalKeuze").item_index();
    {
        SQLiteDatabase db(db_pad, data::OpenMode::existing);
        data::Transaction transaction(db);
        store::update_survey(db, SchipID, huidige_opname, taal, survey_values());
        transaction.commit();
    }
    // Told only once the commit went through: a commit refused by a lock (another program reading
    // the file) would otherwise follow a report of success with nothing stored.
    dialogs_.information("IJken opgeslagen");
    get<forms::Button>("sltb_save").set_enabled(false);
    laad_opnames();
}

void Form1::sltb_delclick() {
    const std::string question = taal.ActiveTaalFile() == 2 ? "Enlever echelle?" : "IJkopname  verwijderen?";
    if (!dialogs_.confirm(question, forms::Answer::no)) return;
    {
        SQLiteDatabase db(db_pad, data::OpenMode::existing);
        data::Transaction transaction(db);
        store::delete_survey(db, SchipID, huidige_opname);
        transaction.commit();
    }
    laad_opnames();
}

void Form1::verlader_naamchange() {
    get<forms::Button>("sltb_save").set_enabled(true);
    get<forms::Button>("sltb_add").set_enabled(true);
}

}  // namespace ijken::survey
