#include "core/shipdata/ijkeninvoerform.h"

#include <map>
#include <optional>
#include <stdexcept>

#include "core/shipdata/dm_tabel.h"
#include "core/shipdata/tabel_controle.h"
#include "core/session/session.h"
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

Ijkeninvoerform::Ijkeninvoerform(session::Session& session, const forms::Services& services, ModalOpener open_modal)
    : forms::Form("ijkeninvoerform", "CM", Rect{300, 40, 440, 600}), session_(session), services_(services), open_modal_(std::move(open_modal)) {
    build_layout();
    on_close = [this] { formclose(); };
    session_.subscribe([this](session::Change change) {
        if (change == session::Change::ship_deleted) vergeet_schip(session_.deleted_ship());
    });
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
    if (!open_modal_) throw std::logic_error("No modal display to show \"" + name() + "\" in");
    open_modal_(*this, std::move(then));
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
    get<forms::UpDown>("eerstecm").set_position(session_.survey().Min_inzinking);
    get<forms::UpDown>("laatstecm").set_position(session_.survey().Max_inzinking);
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
    const bool ander_schip = neem_schip(session_.ship_id());
    {
        // Extension rows below the table become zero rows again, those above it go. The up-down
        // is read only when the table has no row with a tonnage: it may hold what cannot be read.
        const auto opgeslagen = session_.unextended_gauge_table(schip_, [this] { return eerste_cm(); });
        if (opgeslagen) {
            const int eerste = opgeslagen->first;
            const int laatste = opgeslagen->last;
            const double top_tonnage = opgeslagen->top_tonnage;
            // The whole table at once; the decimetre rows take their tonnages from it.
            const std::map<int, double>& tabel = opgeslagen->rows;
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
            get<forms::UpDown>("eerstecm").set_position(session_.survey().Min_inzinking);
            get<forms::UpDown>("laatstecm").set_position(session_.survey().Max_inzinking);
        }
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
    if (services_.dialogs) {
        const long long opgeslagen = opgeslagen_rijen();
        const auto nieuw = static_cast<long long>(rijen.size());
        if (verliest_tabel(opgeslagen, nieuw) &&
            !services_.dialogs->confirm(minder_vraag(opgeslagen, nieuw, controle_teksten()), forms::Answer::no))
            return;
    }

    // A table with what looks like a typing error is stored only when the user says so; No goes
    // back to the grid with nothing stored.
    if (const auto bevindingen = controleer_tabel(rijen); !bevindingen.empty() && services_.dialogs) {
        if (!services_.dialogs->confirm(controle_vraag(bevindingen, controle_teksten()), forms::Answer::no))
            return;
    }

    // One transaction: the old table goes and the new one comes together, or neither does. A
    // failure on the way keeps the stored table and the grid, so storing can simply be repeated.
    // The session recomputes the survey shown when the table is the selected ship's.
    std::vector<std::pair<int, double>> tabel;
    tabel.reserve(rijen.size());
    for (const TabelRij& rij : rijen) tabel.emplace_back(rij.inzinking, rij.tonnage);
    session_.store_gauge_table(schip_, tabel, eerste, laatste);
}

long long Ijkeninvoerform::opgeslagen_rijen() const {
    return session_.stored_gauge_rows(schip_);
}

void Ijkeninvoerform::afsluitenclick() {
    close();
}

void Ijkeninvoerform::formclose() {
    // The main window comes back through the program that opened this one, and the session has
    // already computed the survey shown anew with a stored table.
}

}  // namespace ijken::shipdata
