#include "core/shipdata/ijkeninvoerform.h"

#include <map>
#include <optional>
#include <stdexcept>

#include "core/session/session.h"
#include "core/shipdata/decimetre_table.h"
#include "core/shipdata/table_check.h"
#include "core/survey/warnings.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using forms::Rect;
using text::format_int;

namespace {

struct CheckLabel {
    const char* name;
    std::string TableCheckTexts::*field;
};
constexpr CheckLabel kCheckLabels[] = {
    {"tc_kop", &TableCheckTexts::heading},    {"tc_daalt", &TableCheckTexts::falls},
    {"tc_sprong", &TableCheckTexts::jump},    {"tc_meer", &TableCheckTexts::more},
    {"tc_vraag", &TableCheckTexts::question}, {"tc_minder", &TableCheckTexts::fewer},
};

}  // namespace

Ijkeninvoerform::Ijkeninvoerform(session::Session& session, const forms::Services& services, ModalOpener open_modal)
    : forms::Form("ijkeninvoerform", "CM", Rect{300, 40, 440, 600}), session_(session), services_(services), open_modal_(std::move(open_modal)) {
    build_layout();
    on_close = [this] { formclose(); };
    session_.subscribe([this](session::Change change) {
        if (change == session::Change::ship_deleted) forget_ship(session_.deleted_ship());
    });
    formcreate();
}

void Ijkeninvoerform::build_layout() {
    using namespace forms;
    auto& box1 = add<GroupBox>("groupbox1", nullptr, Rect{8, 8, 201, 113});
    add<Label>("label1", &box1, Rect{8, 20, 100, 13}, "1ste ingevulde CM");
    auto& first_edit = add<Edit>("eerstecm_t", &box1, Rect{120, 16, 49, 21}, "52");
    add<UpDown>("eerstecm", &box1, Rect{169, 16, 16, 21}, &first_edit, 0, 500);
    add<Label>("label2", &box1, Rect{8, 52, 100, 13}, "Laatste CM");
    auto& last_edit = add<Edit>("laatstecm_t", &box1, Rect{120, 48, 49, 21}, "252");
    add<UpDown>("laatstecm", &box1, Rect{169, 48, 16, 21}, &last_edit, 0, 500);
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
    const TableCheckTexts texts;
    for (const CheckLabel& l : kCheckLabels) {
        add<Label>(l.name, nullptr, Rect{0, 0, 0, 0}, texts.*(l.field)).set_visible(false);
    }
    // And the refusal of a range the centimetre table was not made for.
    add<Label>("tc_bereik", nullptr, Rect{0, 0, 0, 0},
               "De IJK tabel is gemaakt van %1 tot %2 cm, maar de 1ste ingevulde CM en de laatste CM zijn nu %3 en "
               "%4. Maak de CM tabel opnieuw, of zet ze terug; er is niets opgeslagen.")
        .set_visible(false);
    // What a screen reader calls the arrows of the two up-downs, in the interface language.
    auto name_arrows = [this](forms::Control&) {
        for (const char* up_down : {"eerstecm", "laatstecm"})
            get<UpDown>(up_down).set_arrow_names(get<Label>("an_hoger").caption(), get<Label>("an_lager").caption());
    };
    for (const auto& [name, word] : {std::pair{"an_hoger", "hoger"}, std::pair{"an_lager", "lager"}}) {
        auto& label = add<Label>(name, nullptr, Rect{0, 0, 0, 0}, word);
        label.set_visible(false);
        label.add_observer(name_arrows);
    }
}

TableCheckTexts Ijkeninvoerform::check_texts() const {
    TableCheckTexts texts;
    for (const CheckLabel& l : kCheckLabels) texts.*(l.field) = get<forms::Label>(l.name).caption();
    return texts;
}

void Ijkeninvoerform::formcreate() {
    // Numbers here are always written and read with "." (the numbers module knows no other), so
    // there is no separator to set.
}

namespace {

// The up-down's number; a text that is no whole number in its range is refused rather than read
// as 0 or as the nearest bound, which would make another table than the one typed.
int centimeter(const forms::UpDown& up_down, const char* what) {
    const std::string& typed = up_down.associate()->text();
    const auto value = text::parse_int(typed);
    if (!value || *value < up_down.minimum() || *value > up_down.maximum()) {
        throw TableError(std::string(what) + " \"" + text::excerpt(typed) + "\" is geen heel getal van " +
                         format_int(up_down.minimum()) + " tot " + format_int(up_down.maximum()));
    }
    return static_cast<int>(*value);
}

}  // namespace

int Ijkeninvoerform::first_cm() const {
    return centimeter(get<forms::UpDown>("eerstecm"), "De 1ste ingevulde CM");
}

int Ijkeninvoerform::last_cm() const {
    return centimeter(get<forms::UpDown>("laatstecm"), "De laatste CM");
}

void Ijkeninvoerform::open(std::function<void()> then) {
    if (!open_modal_) throw std::logic_error("No modal display to show \"" + name() + "\" in");
    open_modal_(*this, std::move(then));
}

bool Ijkeninvoerform::take_ship(int ship_id) {
    ship_id_ = ship_id;
    if (grids_ship_ == ship_id) return false;
    // Another ship's rows, kept, would be stored as this ship's table by the next "Opslaan".
    for (forms::StringGrid* grid : {dmklad_, ijkengrid_}) {
        grid->set_row_count(2);
        grid->set_row(1, {"", ""});
        grid->set_top_row(1);
    }
    grids_ship_ = ship_id;
    cm_range_.reset();
    return true;
}

void Ijkeninvoerform::forget_ship(int ship_id) {
    if (grids_ship_ == ship_id) grids_ship_.reset();
}

void Ijkeninvoerform::OpenForNewTable(int ship_id, std::function<void()> then) {
    take_ship(ship_id);
    get<forms::UpDown>("eerstecm").set_position(session_.survey().Min_inzinking);
    get<forms::UpDown>("laatstecm").set_position(session_.survey().Max_inzinking);
    open(std::move(then));
}

void Ijkeninvoerform::set_decimetre_rows(int first, int last) {
    const std::vector<int> rows = decimetre_immersions(first, last);
    dmklad_->set_row_count(static_cast<int>(rows.size()) + 1);
    for (std::size_t i = 0; i < rows.size(); ++i)
        dmklad_->set_cell(0, static_cast<int>(i) + 1, format_int(rows[i]));
}

void Ijkeninvoerform::maakdm_tabelclick() {
    const int first = first_cm();
    const int last = last_cm();
    check_range(first, last);
    set_decimetre_rows(first, last);
}

void Ijkeninvoerform::button1click() {
    const int first = first_cm();
    const int last = last_cm();
    std::vector<DecimetreRow> rows;
    for (int r = 1; r < dmklad_->row_count(); ++r) rows.push_back({dmklad_->cell(0, r), dmklad_->cell(1, r)});
    // Checked and computed whole before the grid changes: a refused table leaves the grid as it was.
    const CentimetreTable table = expand(first, last, rows);
    ijkengrid_->set_row_count(last + 2);
    for (int c = 0; c <= last; ++c) {
        ijkengrid_->set_row(c + 1, {format_int(c), table.tonnages[static_cast<std::size_t>(c)]});
    }
    if (rows.size() >= 2) ijkengrid_->set_top_row(table.top_row);
    cm_range_ = Range{first, last};
}

void Ijkeninvoerform::OpenForEdit(std::function<void()> then) {
    const bool other_ship = take_ship(session_.ship_id());
    {
        // Extension rows below the table become zero rows again, those above it go. The up-down
        // is read only when the table has no row with a tonnage: it may hold what cannot be read.
        const auto stored = session_.unextended_gauge_table(ship_id_, [this] { return first_cm(); });
        if (stored) {
            const int first = stored->first;
            const int last = stored->last;
            const double top_tonnage = stored->top_tonnage;
            // The whole table at once; the decimetre rows take their tonnages from it.
            const std::map<int, double>& table = stored->rows;
            auto shown = [](double t) { return t > 0 ? tonnage_text(t) : std::string("0.000"); };

            get<forms::UpDown>("eerstecm").set_position(first);
            get<forms::UpDown>("laatstecm").set_position(last);
            set_decimetre_rows(first, last);
            const int last_dm_row = dmklad_->row_count() - 1;
            for (int r = 1; r < last_dm_row; ++r) {
                const auto found = table.find(static_cast<int>(*text::parse_int(dmklad_->cell(0, r))));
                if (found != table.end()) dmklad_->set_cell(1, r, shown(found->second));
            }
            if (last_dm_row >= 1) dmklad_->set_cell(1, last_dm_row, shown(top_tonnage));

            // Each stored row goes to the row of its own immersion; rows outside 0 to L (the
            // zeroed extension below 0) are not shown, and a centimetre without a stored row shows
            // no tonnage instead of what an earlier table left there.
            ijkengrid_->set_row_count(last + 2);
            for (int c = 0; c <= last; ++c) {
                const auto found = table.find(c);
                ijkengrid_->set_row(
                    c + 1, {format_int(c), found == table.end() ? std::string() : shown(found->second)});
            }
            cm_range_ = Range{first, last};
        } else if (other_ship) {
            // Nothing stored to load, and the emptied grids start from the ship's own range.
            get<forms::UpDown>("eerstecm").set_position(session_.survey().Min_inzinking);
            get<forms::UpDown>("laatstecm").set_position(session_.survey().Max_inzinking);
        }
    }
    open(std::move(then));
}

void Ijkeninvoerform::check_cm_range(int first, int last) const {
    // The range is stored with the rows: a range the rows were not made for would make the survey
    // look up tonnages the table does not have.
    if (cm_range_ && (cm_range_->first != first || cm_range_->last != last)) {
        throw TableError(survey::fill_template(get<forms::Label>("tc_bereik").caption(),
                                               {format_int(cm_range_->first), format_int(cm_range_->last),
                                                format_int(first), format_int(last)}));
    }
}

std::vector<TableRow> Ijkeninvoerform::grid_rows() const {
    // Every row is checked before the database is touched.
    std::vector<TableRow> rows;
    for (int r = 1; r < ijkengrid_->row_count(); ++r) {
        const std::string& tonnage = ijkengrid_->cell(1, r);
        const auto immersion = text::parse_int(ijkengrid_->cell(0, r));
        if (!immersion) {
            if (tonnage.find_first_not_of(' ') == std::string::npos) continue;
            throw TableError("Regel " + format_int(r) + " van de IJK tabel heeft geen hele inzinking: \"" +
                             text::excerpt(ijkengrid_->cell(0, r)) + "\"; maak de CM tabel opnieuw");
        }
        if (const auto value = cm_tonnage(tonnage, static_cast<int>(*immersion)))
            rows.push_back({static_cast<int>(*immersion), *value});
    }
    return rows;
}

void Ijkeninvoerform::opslaanclick() {
    const int first = first_cm();
    const int last = last_cm();
    check_range(first, last);
    check_cm_range(first, last);
    const std::vector<TableRow> rows = grid_rows();

    // A table that would throw away most of the stored one (an empty grid: all of it) is stored
    // only when the user says so; Return answers No.
    if (services_.dialogs) {
        const long long stored = stored_rows();
        const auto proposed = static_cast<long long>(rows.size());
        if (loses_table(stored, proposed) &&
            !services_.dialogs->confirm(fewer_rows_question(stored, proposed, check_texts()),
                                        forms::Answer::no))
            return;
    }

    // A table with what looks like a typing error is stored only when the user says so; No goes
    // back to the grid with nothing stored.
    if (const auto findings = check_table(rows); !findings.empty() && services_.dialogs) {
        if (!services_.dialogs->confirm(check_question(findings, check_texts()), forms::Answer::no)) return;
    }

    // One transaction: the old table goes and the new one comes together, or neither does. A
    // failure on the way keeps the stored table and the grid, so storing can simply be repeated.
    // The session recomputes the survey shown when the table is the selected ship's.
    std::vector<std::pair<int, double>> table;
    table.reserve(rows.size());
    for (const TableRow& row : rows) table.emplace_back(row.immersion, row.tonnage);
    session_.store_gauge_table(ship_id_, table, first, last);
}

long long Ijkeninvoerform::stored_rows() const {
    return session_.stored_gauge_rows(ship_id_);
}

void Ijkeninvoerform::afsluitenclick() {
    close();
}

void Ijkeninvoerform::formclose() {
    // The main window comes back through the program that opened this one, and the session has
    // already computed the survey shown anew with a stored table.
}

}  // namespace ijken::shipdata
