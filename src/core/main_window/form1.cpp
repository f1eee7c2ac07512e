#include "core/main_window/form1.h"

#include <stdexcept>
#include <utility>

#include "core/data/database_schema.h"
#include "core/data/sqlite_database.h"
#include "core/lang/default_files.h"
#include "core/survey/ship_record.h"
#include "core/text/ini_file.h"
#include "core/text/numbers.h"

namespace ijken::survey {

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

}  // namespace

Form1::Form1(std::string program_dir, forms::Dialogs& dialogs)
    : forms::Form("Form1", "IJken", forms::Rect{430, 60, 649, 606}),
      program_dir_(std::move(program_dir)),
      messages_(std::make_unique<lang::MessageForm>()),
      translated_(std::make_unique<lang::TranslatedDialogs>(dialogs, *messages_)),
      dialogs_(*translated_),
      session_(std::make_unique<session::Session>(data::database_path(program_dir_), program_dir_)) {
    services.dialogs = &dialogs_;
    build_layout();
    build_menu();
    wire_events();
    build_extras();
    take_fields();
    session_->subscribe([this](session::Change change) { heard(change); });
}

Form1::~Form1() = default;

const std::array<std::string, 20>& Form1::reading_columns() {
    return survey::reading_columns();
}

void Form1::take_fields() {
    std::array<std::string, 20> readings;
    for (std::size_t i = 0; i < readings_.size(); ++i) readings[i] = readings_[i]->text();
    std::array<std::string, 7> parties;
    for (const PartyField& f : kPartyFields) parties[f.party] = get<forms::Edit>(f.field).text();
    session_->take_fields(readings, parties, get<forms::MaskEdit>("ZoutMaskEdit").text(),
                          get<forms::RadioGroup>("TaalKeuze").item_index());
}

void Form1::send(const std::function<void()>& to_session) {
    if (!filling_) to_session();
}

void Form1::wire_events() {
    // Every field that makes the survey sends its text to the session.
    for (std::size_t i = 0; i < readings_.size(); ++i) {
        readings_[i]->on_change = [this, i] {
            send([this, i] {
                session_->change_reading(i, readings_[i]->text());
                ijk_bb_l_1change();
            });
        };
    }
    get<forms::MaskEdit>("ZoutMaskEdit").on_change = [this] {
        send([this] {
            session_->change_salt_factor(get<forms::MaskEdit>("ZoutMaskEdit").text());
            ijk_bb_l_1change();
        });
    };
    // Every stored field of the survey makes it one to save, as a reading does: an edit that left
    // "O" and "+" disabled would be lost without a word at the next survey browsed to.
    for (const PartyField& f : kPartyFields) {
        get<forms::Edit>(f.field).on_change = [this, f] {
            send([this, f] {
                session_->change_party(f.party, get<forms::Edit>(f.field).text());
                verlader_naamchange();
            });
        };
    }
    get<forms::RadioGroup>("TaalKeuze").on_change = [this] {
        send([this] {
            session_->set_print_language(get<forms::RadioGroup>("TaalKeuze").item_index());
            verlader_naamchange();
        });
    };
    get<forms::Slider>("TrackbarLeeg").on_change = [this] { TrackbarLeegChange(); };
    get<forms::Slider>("TrackBarVol").on_change = [this] { TrackBarVolChange(); };
    get<forms::Edit>("Verlader_Naam").on_change = [this] {
        send([this] {
            session_->change_party(0, get<forms::Edit>("Verlader_Naam").text());
            verlader_naamchange();
        });
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

void Form1::heard(session::Change change) {
    using session::Change;
    switch (change) {
        case Change::survey_shown:
            show_survey();
            break;
        case Change::results_recomputed:
            show_results();
            break;
        case Change::ship_changed:
            show_ship();
            break;
        case Change::ships_changed:
            bouw_schepenmenu();
            break;
        case Change::ship_deleted:
            break;
        case Change::table_stored:
            reset_sliders();
            // Hidden, the window computes the survey anew when it is shown again (formshow).
            if (visible()) session_->recompute();
            break;
        case Change::language_switched:
            // At start the window is translated when it is shown (formshow), not before.
            if (!creating_) translate_windows();
            break;
        case Change::print_language_chosen: {
            const Filling filling(filling_);
            get<forms::RadioGroup>("TaalKeuze").set_item_index(session_->survey().print_language);
            break;
        }
    }
}

// ---- start-up and showing ----------------------------------------------------------------------

void Form1::formcreate() {
    get<forms::Label>("e00").set_caption("Totaal");
    get<forms::Label>("e10").set_caption("Gemiddeld");
    get<forms::Label>("e20").set_caption("Inzinking");
    get<forms::Label>("e30").set_caption("Tonnage");
    get<forms::Label>("e40").set_caption("geladen");
    get<forms::Label>("e50").set_caption("Zout correctie");
    name_for_screen_readers();
    data::create_database_if_missing(session_->database());
    // A language file that cannot be written is reported, and the ship is loaded all the same:
    // the windows then keep their designed Dutch texts, which is no reason to leave them empty.
    try {
        lang::write_default_files(program_dir_);
    } catch (const text::FileWriteError& e) {
        dialogs_.error(e.what());
    }
    configure_languages();
    if (read_ahead_.valid()) {
        try {
            session_->take_opening(read_ahead_.get());
        } catch (const std::exception&) {
            // The reads below run as usual, and report what fails.
        }
    }
    // What was read ahead serves this start only, also when it ends early.
    struct Forget {
        session::Session& session;
        bool& creating;
        ~Forget() {
            session.forget_opening();
            creating = false;
        }
    } forget{*session_, creating_};
    creating_ = true;
    // The ships menus are built before the ship is loaded.
    bouw_schepenmenu();
    laad_schip();
}

void Form1::formshow() {
    session_->show_last();
    Vertaal();
}

void Form1::Einde1Click() {
    if (auto quit = on_quit_) quit();
}

// ---- computation ---------------------------------------------------------------------------------

void Form1::ijk_bb_l_1change() {
    session_->rethrow_failure();
    get<forms::Button>("sltb_save").set_enabled(true);
    get<forms::Button>("sltb_add").set_enabled(true);
}

void Form1::show_results() {
    set_result_cells(session_->cells());
    show_warnings();
}

void Form1::set_result_cells(const ResultCells& c) {
    const std::string* values[10] = {&c.e01, &c.e02, &c.e11, &c.e12, &c.e21,
                                     &c.e22, &c.e31, &c.e32, &c.e42, &c.e52};
    for (int i = 0; i < 10; ++i) get<forms::Label>(kResultCellNames[i]).set_caption(*values[i]);
}

void Form1::zet_ijkpunten() {
    // The fields are reset together and recomputed once: one by one, a reading still holding a
    // value too large to compute with would refuse every reset before its own.
    hide_reading_panels();
    {
        const Filling filling(filling_);
        for (forms::Edit* field : readings_) field->set_text("0");
    }
    session_->reset_readings();
    show_reading_panels(session_->survey().Aantal_ijken);
}

void Form1::hide_reading_panels() {
    // Hidden in the designed order: loaded starboard, loaded port, empty starboard, empty port.
    for (int block = 3; block >= 0; --block) {
        for (int point = 0; point < 5; ++point) panels_[block * 5 + point]->set_visible(false);
    }
}

void Form1::show_reading_panels(int aantal_ijken) {
    const auto in_use = points_in_use(aantal_ijken);
    for (int point = 0; point < 5; ++point) {
        if (!in_use[point]) continue;
        for (int block = 0; block < 4; ++block) panels_[block * 5 + point]->set_visible(true);
    }
    get<forms::Drawing>("Image1").repaint();
    get<forms::Drawing>("Image2").repaint();
}

void Form1::set_slider_readings(const forms::Slider& slider, char state) {
    const std::string value = format_int(slider.maximum() - slider.position());
    const auto in_use = points_in_use(session_->survey().Aantal_ijken);
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
    session_->load_selected_ship();
}

void Form1::show_ship() {
    const auto& ship = session_->ship();
    if (!ship) return;
    get<forms::Label>("LabelMeetbrief").set_caption(ship->meetbrief);
    get<forms::Label>("LabelNaam").set_caption(ship->name);
    get<forms::MenuItem>("Naam1").set_caption(get<forms::Label>("LabelNaam").caption());
    hide_reading_panels();
    show_reading_panels(ship->params.Aantal_ijken);
    reset_sliders();
}

void Form1::reset_sliders() {
    // A slider that moves writes its reading into the fields; here the fields keep the survey's.
    const int maximum = session_->survey().Max_inzinking;
    for (const char* name : {"TrackbarLeeg", "TrackBarVol"}) {
        auto& slider = get<forms::Slider>(name);
        auto handler = std::exchange(slider.on_change, nullptr);
        try {
            slider.set_maximum(maximum);
            slider.set_position(maximum);
        } catch (...) {
            slider.on_change = std::move(handler);
            throw;
        }
        slider.on_change = std::move(handler);
    }
}

// ---- survey records --------------------------------------------------------------------------------

void Form1::laad_opnames() {
    session_->show_newest();
}

void Form1::set_survey_buttons(bool prev, bool next, bool del, bool save, bool add) {
    get<forms::Button>("sltb_prev").set_enabled(prev);
    get<forms::Button>("sltb_next").set_enabled(next);
    get<forms::Button>("sltb_del").set_enabled(del);
    get<forms::Button>("sltb_save").set_enabled(save);
    get<forms::Button>("sltb_add").set_enabled(add);
}

void Form1::show_survey() {
    const session::Session& s = *session_;
    const SurveyValue& v = s.survey();
    {
        const Filling filling(filling_);
        for (const PartyField& f : kPartyFields) get<forms::Edit>(f.field).set_text(v.parties[f.party]);
        get<forms::RadioGroup>("TaalKeuze").set_item_index(v.print_language);
        for (std::size_t i = 0; i < readings_.size(); ++i) readings_[i]->set_text(v.readings[i]);
        get<forms::MaskEdit>("ZoutMaskEdit").set_text(v.salt_correction);
    }
    if (s.current_survey() == kNoSurvey) {
        set_survey_buttons(false, false, false, false, false);
        return;
    }
    set_survey_buttons(!s.at_first(), !s.at_last(), true, false, false);
    if (s.failure().empty()) {
        reported_survey_failure_.clear();
        return;
    }
    const std::string reported = format_int(s.current_survey()) + "\n" + s.failure();
    if (reported == reported_survey_failure_) return;
    reported_survey_failure_ = reported;
    dialogs_.error(s.failure());
}

void Form1::sltb_prevclick() {
    session_->show_previous();
}

void Form1::sltb_nextclick() {
    session_->show_next();
}

void Form1::sltb_addclick() {
    session_->write_new_survey();
    // Told only once the commit went through: a commit refused by a lock (another program reading
    // the file) would otherwise follow a report of success with nothing stored.
    dialogs_.information("IJken opgeslagen");
    session_->show_newest();
    get<forms::Button>("sltb_add").set_enabled(false);
}

void Form1::sltb_saveclick() {
    if (session_->current_survey() == kNoSurvey) {
        // No survey to save over: the fields become the ship's first.
        sltb_addclick();
        return;
    }
    session_->write_survey();
    dialogs_.information("IJken opgeslagen");
    get<forms::Button>("sltb_save").set_enabled(false);
    session_->show_newest();
}

void Form1::sltb_delclick() {
    const std::string question =
        session_->language() == 2 ? "Enlever echelle?" : "IJkopname  verwijderen?";
    if (!dialogs_.confirm(question, forms::Answer::no)) return;
    session_->delete_survey();
}

void Form1::verlader_naamchange() {
    get<forms::Button>("sltb_save").set_enabled(true);
    get<forms::Button>("sltb_add").set_enabled(true);
}

}  // namespace ijken::survey
