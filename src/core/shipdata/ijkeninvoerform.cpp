#include "core/shipdata/ijkeninvoerform.h"

#include <map>
#include <optional>
#include <stdexcept>

#include "core/data/sqlite_database.h"
#include "core/data/transaction.h"
#include "core/shipdata/dm_tabel.h"
#include "core/shipdata/tabel_controle.h"
#include "core/store/gauge_table.h"
#include "core/store/ships.h"
#include "core/main_window/form1.h"
#include "core/survey/warnings.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using forms::Rect;
using text::format_int;

namespace {

struct ControleLabel {
    const char* name;
    std::string TabelControleTeksten::*tekst;
};
constexpr ControleLabel kControleLabels[] = {
    {"tc_kop", &TabelControleTeksten::kop},       {"tc_daalt", &TabelControleTeksten::daalt},
    {"tc_sprong", &TabelControleTeksten::sprong}, {"tc_meer", &TabelControleTeksten::meer},
    {"tc_vraag", &TabelControleTeksten::vraag},   {"tc_minder", &TabelControleTeksten::minder},
};

}  // namespace

Ijkeninvoerform::Ijkeninvoerform(survey::Form1& form1)
    : forms::Form("ijkeninvoerform", "CM", Rect{300, 40, 440, 600}), form1_(form1) {
    build_layout();
    on_close = [this] { formclose(); };
    formcreate();
}

void Ijkeninvoerform::build_layout() {
    using namespace forms;
    auto& box1 = add<GroupBox>("groupbox1", nullptr, Rect{8, 8, 201, 113});
    add<Label>("label1", &box1, Rect{8, 20, 100, 13}, "1ste ingevulde CM");
    auto& eerste_t = add<Edit>("eerstecm_t", &box1, Rect{120, 16, 49, 21}, "52");
    add<UpDown>("eerstecm", &box1, Rect{169, 16, 16, 21}, &eerste_t, 0, 500);
    add<Label>("label2", &box1, Rect{8, 52, 100, 13}, "Laatste CM");
    auto& laatste_t = add<Edit>("laatstecm_t", &box1, Rect{120, 48, 49, 21}, "252");
    add<UpDown>("laatstecm", &box1, Rect{169, 48, 16, 21}, &laatste_t, 0, 500);
    add<Button>("maakdm_tabel", &box1, Rect{8, 80, 177, 25}, "Maak DM Tabel").on_click = [this] {
        maakdm_tabelclick();
    };

    auto& box2 = add<GroupBox>("groupbox2", nullptr, Rect{8, 128, 201, 385}, "DM tabel");
    // Both grids: immersion and tonnage, a header row and the immersion column fixed, tonnages
    // editable.
    auto grid = [this](const char* name, Control* box, Rect r, int immersion_width, int tonnage_width) {
        auto& g = add<StringGrid>(name, box, r, 2, 2);
        g.set_col_width(0, immersion_width);
        g.set_col_width(1, tonnage_width);
        g.set_default_row_height(18);
        g.set_editing(true);
        return &g;
    };
    dmklad_ = grid("dmklad", &box2, Rect{8, 18, 185, 359}, 49, 77);
    add<Button>("button1", nullptr, Rect{8, 521, 201, 25}, "Maak CM tabel").on_click = [this] { button1click(); };

    auto& box3 = add<GroupBox>("groupbox3", nullptr, Rect{216, 8, 209, 505}, "IJK tabel");
    ijkengrid_ = grid("ijkengrid", &box3, Rect{8, 18, 193, 479}, 52, 96);
    add<Button>("opslaan", nullptr, Rect{216, 521, 100, 25}, "Opslaan").on_click = [this] { opslaanclick(); };
    add<Button>("afsluiten", nullptr, Rect{325, 521, 100, 25}, "Alsuiten").on_click = [this] { afsluitenclick(); };

    // The texts of the question before storing a doubtful table, in hidden labels so that a
    // language file reaches them by name like any caption.
    const TabelControleTeksten teksten;
    for (const ControleLabel& l : kControleLabels) {
        add<Label>(l.name, nullptr, Rect{0, 0, 0, 0}, teksten.*(l.tekst)).set_visible(false);
    }
    // And the refusal of a range the centimetre table was not made for.
    add<Label>("tc_bereik", nullptr, Rect{0, 0, 0, 0},
               "De IJK tabel is gemaakt van %1 tot %2 cm, maar de 1ste ingevulde CM en de laatste CM zijn nu %3 en "
               "%4. Maak de CM tabel opnieuw, of zet ze terug; er is niets opgeslagen.")
        .set_visible(false);
}

TabelControleTeksten Ijkeninvoerform::controle_teksten() const {
    TabelControleTeksten teksten;
    for (const ControleLabel& l : kControleLabels) teksten.*(l.tekst) = get<forms::Label>(l.name).caption();
    return teksten;
}

void Ijkeninvoerform::formcreate() {
    // Numbers here are always written and read with "." (the numbers module knows no other), so
    // there is no separator to set.
}

namespace {

// The up-down's number; a text that is no whole number in its range is refused rather than read
// as 0 or as the nearest bound, which would make another table than the one typed.
int centimeter(const forms::UpDown& up_down, const char* wat) {
    const std::string& tekst = up_down.associate()->text();
    const auto waarde = text::parse_int(tekst);
    if (!waarde || *waarde < up_down.minimum() || *waarde > up_down.maximum()) {
        throw TabelFout(std::string(wat) + " \"" + text::excerpt(tekst) + "\" is geen heel getal van " + format_int(up_down.minimum()) +
                        " tot " + format_int(up_down.maximum()));
    }
    return static_cast<int>(*waarde);
}

}  // namespace

int Ijkeninvoerform::eerste_cm() const {
    return centimeter(get<forms::UpDown>("eerstecm"), "De 1ste ingevulde CM");
}

int Ijkeninvoerform::laatste_cm() const {
    return centimeter(get<forms::UpDown>("laatstecm"), "De laatste CM");
}

void Ijkeninvoerform::open(std::function<void()> then) {
    if (form1_.services.modal == nullptr) throw std::logic_error("No modal display to show \"" + name() + "\" in");
    form1_.hide();
    form1_.services.modal->show_modal(*this, std::move(then));
}

bool Ijkeninvoerform::neem_schip(int schip_id) {
    schip_ = schip_id;
    if (grids_schip_ == schip_id) return false;
    // Another ship's rows, kept, would be stored as this ship's table by the next "Opslaan".
    for (forms::StringGrid* grid : {dmklad_, ijkengrid_}) {
        grid->set_row_count(2);
        grid->set_row(1, {"", ""});
        grid->set_top_row(1);
    }
    grids_schip_ = schip_id;
    cm_bereik_.reset();
    return true;
}

void Ijkeninvoerform::vergeet_schip(int schip_id) {
    if (grids_schip_ == schip_id) grids_schip_.reset();
}

void Ijkeninvoerform::OpenForNewTable(int schip_id, std::function<void()> then) {
    neem_schip(schip_id);
    get<forms::UpDown>("eerstecm").set_position(form1_.Min_inzinking);
    get<forms::UpDown>("laatstecm").set_position(form1_.Max_inzinking);
    open(std::move(then));
}

void Ijkeninvoerform::zet_dm_rijen(int eerste, int laatste) {
    const std::vector<int> rijen = dm_inzinkingen(eerste, laatste);
    dmklad_->set_row_count(static_cast<int>(rijen.size()) + 1);
    for (std::size_t i = 0; i < rijen.size(); ++i) dmklad_->set_cell(0, static_cast<int>(i) + 1, format_int(rijen[i]));
}

void Ijkeninvoerform::maakdm_tabelclick() {
    const int eerste = eerste_cm();
    const int laatste = laatste_cm();
    controleer_bereik(eerste, laatste);
    zet_dm_rijen(eerste, laatste);
}

void Ijkeninvoerform::button1click() {
    const int eerste = eerste_cm();
    const int laatste = laatste_cm();
    std::vector<DmRij> rijen;
    for (int r = 1; r < dmklad_->row_count(); ++r) rijen.push_back({dmklad_->cell(0, r), dmklad_->cell(1, r)});
    // Checked and computed whole before the grid changes: a refused table leaves the grid as it was.
    const CmTabel tabel = expandeer(eerste, laatste, rijen);
    ijkengrid_->set_row_count(laatste + 2);
    for (int c = 0; c <= laatste; ++c) {
        ijkengrid_->set_row(c + 1, {format_int(c), tabel.tonnages[static_cast<std::size_t>(c)]});
    }
    if (rijen.size() >= 2) ijkengrid_->set_top_row(tabel.bovenste_rij);
    cm_bereik_ = Bereik{eerste, laatste};
}

void Ijkeninvoerform::OpenForEdit(std::function<void()> then) {
    const bool ander_schip = neem_schip(form1_.SchipID);
    {
        data::SQLiteDatabase db(form1_.db_pad, data::OpenMode::existing);
        {
            // Extension rows (negative tonnages) below the table become zero rows again; those
            // above it go. Below means under the ship's first row with a tonnage: the first
            // centimetre the up-down still shows may be another ship's, and a boundary taken from
            // it could turn the rows above a short table into zero rows and wreck its range.
            data::Transaction unextend(db);
            // The up-down is read only when the table has no such row: it may hold what cannot be read.
            const std::optional<long long> eerste_rij = store::first_loaded_row(db, schip_);
            const long long grens = eerste_rij ? *eerste_rij : static_cast<long long>(eerste_cm()) + 10;
            store::zero_extension_below(db, schip_, grens);
            store::delete_extension(db, schip_);
            unextend.commit();
        }
        data::Transaction transaction(db);
        if (const auto nul = store::highest_zero_row(db, schip_)) {
            const int eerste = *nul + 1;
            auto top = store::top_loaded_row(db, schip_);
            const int laatste = static_cast<int>(top->AsInteger(top->FieldIndex("Inzinking")));
            const double top_tonnage = top->AsFloat(top->FieldIndex("Tonnage"));
            // The whole table at once; the decimetre rows take their tonnages from it.
            const std::map<int, double> tabel = store::whole_gauge_table(db, schip_);
            auto tekst = [](double t) { return t > 0 ? tonnage_tekst(t) : std::string("0.000"); };

            get<forms::UpDown>("eerstecm").set_position(eerste);
            get<forms::UpDown>("laatstecm").set_position(laatste);
            zet_dm_rijen(eerste, laatste);
            const int laatste_dm = dmklad_->row_count() - 1;
            for (int r = 1; r < laatste_dm; ++r) {
                const auto found = tabel.find(static_cast<int>(*text::parse_int(dmklad_->cell(0, r))));
                if (found != tabel.end()) dmklad_->set_cell(1, r, tekst(found->second));
            }
            if (laatste_dm >= 1) dmklad_->set_cell(1, laatste_dm, tekst(top_tonnage));

            // Each stored row goes to the row of its own immersion; rows outside 0 to L (the
            // zeroed extension below 0) are not shown, and a centimetre without a stored row shows
            // no tonnage instead of what an earlier table left there.
            ijkengrid_->set_row_count(laatste + 2);
            for (int c = 0; c <= laatste; ++c) {
                const auto found = tabel.find(c);
                ijkengrid_->set_row(c + 1, {format_int(c), found == tabel.end() ? std::string() : tekst(found->second)});
            }
            cm_bereik_ = Bereik{eerste, laatste};
        } else if (ander_schip) {
            // Nothing stored to load, and the emptied grids start from the ship's own range.
            get<forms::UpDown>("eerstecm").set_position(form1_.Min_inzinking);
            get<forms::UpDown>("laatstecm").set_position(form1_.Max_inzinking);
        }
        transaction.commit();
    }
    open(std::move(then));
}

void Ijkeninvoerform::controleer_cm_bereik(int eerste, int laatste) const {
    // The range is stored with the rows: a range the rows were not made for would make the survey
    // look up tonnages the table does not have.
    if (cm_bereik_ && (cm_bereik_->eerste != eerste || cm_bereik_->laatste != laatste)) {
        throw TabelFout(survey::fill_template(get<forms::Label>("tc_bereik").caption(),
                                              {format_int(cm_bereik_->eerste), format_int(cm_bereik_->laatste),
                                               format_int(eerste), format_int(laatste)}));
    }
}

std::vector<TabelRij> Ijkeninvoerform::grid_rijen() const {
    // Every row is checked before the database is touched.
    std::vector<TabelRij> rijen;
    for (int r = 1; r < ijkengrid_->row_count(); ++r) {
        const std::string& tonnage = ijkengrid_->cell(1, r);
        const auto inzinking = text::parse_int(ijkengrid_->cell(0, r));
        if (!inzinking) {
            if (tonnage.find_first_not_of(' ') == std::string::npos) continue;
            throw TabelFout("Regel " + format_int(r) + " van de IJK tabel heeft geen hele inzinking: \"" +
                            text::excerpt(ijkengrid_->cell(0, r)) + "\"; maak de CM tabel opnieuw");
        }
        if (const auto waarde = cm_tonnage(tonnage, static_cast<int>(*inzinking)))
            rijen.push_back({static_cast<int>(*inzinking), *waarde});
    }
    return rijen;
}

void Ijkeninvoerform::opslaanclick() {
    const int eerste = eerste_cm();
    const int laatste = laatste_cm();
    controleer_bereik(eerste, laatste);
    controleer_cm_bereik(eerste, laatste);
    const std::vector<TabelRij> rijen = grid_rijen();

    // A table that would throw away most of the stored one (an empty grid: all of it) is stored
    // only when the user says so; Return answers No.
    if (form1_.services.dialogs) {
        const long long opgeslagen = opgeslagen_rijen();
        const auto nieuw = static_cast<long long>(rijen.size());
        if (verliest_tabel(opgeslagen, nieuw) &&
            !form1_.services.dialogs->confirm(minder_vraag(opgeslagen, nieuw, controle_teksten()),
                                              forms::Answer::no))
            return;
    }

    // A table with what looks like a typing error is stored only when the user says so; No goes
    // back to the grid with nothing stored.
    if (const auto bevindingen = controleer_tabel(rijen); !bevindingen.empty() && form1_.services.dialogs) {
        if (!form1_.services.dialogs->confirm(controle_vraag(bevindingen, controle_teksten()),
                                              forms::Answer::no))
            return;
    }

    // One transaction: the old table goes and the new one comes together, or neither does. A
    // failure on the way keeps the stored table and the grid, so storing can simply be repeated.
    {
        data::SQLiteDatabase db(form1_.db_pad, data::OpenMode::existing);
        data::Transaction transaction(db);
        store::delete_gauge_table(db, schip_);
        for (const TabelRij& rij : rijen) store::insert_gauge_row(db, schip_, rij.inzinking, rij.tonnage);
        store::set_ship_range(db, schip_, laatste, eerste);
        transaction.commit();
    }
    // The main window holds the selected ship's range; a table stored for another ship (one just
    // added) must not change it.
    if (schip_ == form1_.SchipID) {
        form1_.Max_inzinking = laatste;
        form1_.Min_inzinking = eerste;
    }
}

long long Ijkeninvoerform::opgeslagen_rijen() const {
    data::SQLiteDatabase db(form1_.db_pad, data::OpenMode::existing);
    return store::stored_row_count(db, schip_);
}

void Ijkeninvoerform::afsluitenclick() {
    close();
}

void Ijkeninvoerform::formclose() {
    // The selected ship's table or range may have changed: the survey shown is computed anew.
    form1_.herbereken_bij_tonen();
    form1_.show();
}

}  // namespace ijken::shipdata
