#include "core/main_window/survey_list_form.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "core/data/sqlite_database.h"
#include "core/data/sqlite_table.h"
#include "core/session/session.h"
#include "core/store/surveys.h"
#include "core/survey/gauge_lookup.h"
#include "core/survey/warnings.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using forms::Rect;
using text::format_int;

namespace {

// The hidden labels holding the column headers, in column order, and the count line's template.
constexpr const char* kHeaderLabels[SurveyListForm::column_count] = {
    "kop_datum", "kop_verlader", "kop_ontvanger", "kop_lading", "kop_geladen"};
constexpr const char* kHeaderTexts[SurveyListForm::column_count] = {"Datum", "Verlader", "Ontvanger",
                                                                    "Lading", "Geladen (t)"};
constexpr int kColumnWidths[SurveyListForm::column_count] = {112, 150, 150, 120, 84};

// The entry time is stored by SQLite in UTC ("YYYY-MM-DD HH:MM:SS"); the user reads local time.
// A text of another form is shown as stored.
std::string local_date(const std::string& utc) {
    std::tm t{};
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (std::sscanf(utc.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &year, &month, &day, &hour, &minute, &second) !=
        6)
        return utc;
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    const std::time_t moment = timegm(&t);
    std::tm local{};
    if (moment == static_cast<std::time_t>(-1) || localtime_r(&moment, &local) == nullptr) return utc;
    // Built piece by piece: GCC 12 warns falsely (-Wrestrict) about "0" + a string in a Release build.
    auto two_digits = [](int v) {
        std::string s;
        if (v < 10) s.push_back('0');
        s += format_int(v);
        return s;
    };
    return format_int(local.tm_year + 1900) + "-" + two_digits(local.tm_mon + 1) + "-" +
           two_digits(local.tm_mday) + " " + two_digits(local.tm_hour) + ":" + two_digits(local.tm_min);
}

}  // namespace

SurveyListForm::SurveyListForm(session::Session& session)
    : forms::Form("opnamelijstform", "Opnamelijst", Rect{180, 120, 648, 452}), session_(session) {
    build_layout();
}

void SurveyListForm::build_layout() {
    using namespace forms;
    add<Label>("zoeklabel", nullptr, Rect{8, 12, 52, 13}, "Zoeken:");
    auto& search = add<Edit>("zoek", nullptr, Rect{64, 8, 240, 21});
    search.on_change = [this] { zoekchange(); };
    add<Label>("aantal", nullptr, Rect{316, 12, 316, 13});

    grid_ = &add<StringGrid>("lijst", nullptr, Rect{8, 36, 624, 340}, column_count, 1);
    grid_->set_fixed(0, 1);
    grid_->set_row_select(true);
    grid_->set_default_row_height(18);
    for (int k = 0; k < column_count; ++k) grid_->set_col_width(k, kColumnWidths[k]);
    grid_->on_header_click = [this](int col) { sort_by(col); };
    grid_->on_activate = [this](int row) { show_row(row); };
    grid_->on_select = [this](int) { show_selected_warnings(); };
    // Where the selected survey's tonnage rests on no table row or on an extrapolation, the line
    // below the list says so; hidden while there is nothing to say.
    auto& warning = add<Label>("waarschuwing", nullptr, Rect{8, 392, 424, 13});
    warning.set_visible(false);

    add<Button>("tonen", nullptr, Rect{440, 386, 92, 25}, "&Tonen").on_click = [this] { tonenclick(); };
    auto& close_button = add<Button>("sluiten", nullptr, Rect{540, 386, 92, 25}, "&Sluiten");
    close_button.on_click = [this] { sluitenclick(); };
    close_button.set_cancel(true);

    // Header texts and the count line in hidden labels, so that a language file reaches them by
    // name; a translated text shows at once.
    for (int k = 0; k < column_count; ++k) {
        auto& header = add<Label>(kHeaderLabels[k], nullptr, Rect{0, 0, 0, 0}, kHeaderTexts[k]);
        header.set_visible(false);
        header.add_observer([this](Control&) { fill_header(); });
    }
    auto& count_label = add<Label>("tekst_aantal", nullptr, Rect{0, 0, 0, 0}, "%1 van %2 opnames");
    count_label.set_visible(false);
    count_label.add_observer([this](Control&) { show_rows(); });
    // The warning templates, as the main window has them; a translated one shows at once.
    const WarningTexts defaults;
    for (const auto& [name, text] : {std::pair{"wt_leeg", defaults.empty}, std::pair{"wt_vol", defaults.loaded},
                                     std::pair{"wt_buiten_tabel", defaults.outside_table},
                                     std::pair{"wt_geen_rij", defaults.no_table_row}}) {
        auto& label = add<Label>(name, nullptr, Rect{0, 0, 0, 0}, text);
        label.set_visible(false);
        label.add_observer([this](Control&) { show_selected_warnings(); });
    }
    // The hints of the search field and the list in hidden labels as well: the translation
    // passes edits and grids over.
    const struct {
        const char* label;
        Control* target;
        const char* text;
    } hints[] = {
        {"hint_zoek", &search,
         "Toont alleen de opnames met deze tekst in datum, verlader, ontvanger, lading of tonnage"},
        {"hint_lijst", grid_, "Klik op een kop om te sorteren; dubbelklik of Enter toont de opname"},
    };
    for (const auto& h : hints) {
        auto& label = add<Label>(h.label, nullptr, Rect{0, 0, 0, 0}, h.text);
        label.set_visible(false);
        h.target->set_hint(h.text);
        label.add_observer([target = h.target](Control& c) { target->set_hint(c.caption()); });
    }
    fill_header();
    on_resize = [this] { follow_width(); };
}

void SurveyListForm::follow_width() {
    // Wider than designed (the list's columns asked for room, or the user widened it), the list
    // takes the width and the buttons and the count line keep to the right edge. The designed
    // client area is 640 wide, where this gives the designed places.
    const int w = std::max(client_width(), 240);
    auto place = [this](const char* name, int x, int width) {
        forms::Control* c = find(name);
        forms::Rect r = c->geometry();
        r.x = x;
        r.w = width;
        c->set_geometry(r);
    };
    place("lijst", 8, w - 16);
    place("aantal", 316, std::max(w - 324, 0));
    place("waarschuwing", 8, std::max(w - 216, 0));
    place("tonen", w - 200, 92);
    place("sluiten", w - 100, 92);
}

void SurveyListForm::fill_header() {
    for (int k = 0; k < column_count; ++k)
        grid_->set_cell(k, 0, get<forms::Label>(kHeaderLabels[k]).caption());
    grid_->set_sort_indicator(sort_column_, ascending_);
}

void SurveyListForm::open() {
    load();
    show();
}

void SurveyListForm::load() {
    ship_id_ = session_.ship_id();
    const ShipParams ship = session_.survey().ship_params();
    ship_ = ship;
    std::unique_ptr<data::SQLiteTable> t;
    {
        data::SQLiteDatabase db(session_.database(), data::OpenMode::existing);
        t = store::ship_surveys_in_order(db, ship.SchipID);
    }
    MemoryGaugeTable table = MemoryGaugeTable::read(session_.database(), ship.SchipID);

    std::vector<ListedSurvey> surveys;
    surveys.reserve(static_cast<std::size_t>(t->RowCount()));
    if (t->RowCount() > 0) {
        const int col_id = t->FieldIndex("Opnameid");
        const int col_date = t->FieldIndex("InvoerDatum");
        const int col_shipper = t->FieldIndex("Verlader_Naam");
        const int col_consignee = t->FieldIndex("Ontvanger_Naam");
        const int col_cargo = t->FieldIndex("Lading");
        const int col_salt = t->FieldIndex("ZoutCorrectie");
        std::array<int, 20> col_readings{};
        for (std::size_t i = 0; i < 20; ++i) col_readings[i] = t->FieldIndex(reading_columns()[i]);

        for (; !t->AtEnd(); t->Next()) {
            ListedSurvey o;
            o.survey_id = static_cast<int>(t->AsInteger(col_id));
            o.entered_at = t->AsString(col_date);
            o.cells[date] = local_date(o.entered_at);
            o.cells[shipper] = t->AsString(col_shipper);
            o.cells[consignee] = t->AsString(col_consignee);
            o.cells[cargo] = t->AsString(col_cargo);
            SurveyInput input;
            for (std::size_t i = 0; i < 20; ++i) input.readings[i] = t->AsString(col_readings[i]);
            input.salt_correction = text::format_fixed(t->AsFloat(col_salt), 3, 5);
            try {
                const Recomputation r = recompute(table, ship, input);
                o.cells[loaded] = r.cells.e42;
                o.loaded = text::ext_sub(r.vol.tonnage, r.leeg.tonnage);
                o.computed = true;
                for (Warning& w : find_warnings(ship, input, r)) {
                    if (w.kind == WarningKind::no_table_row || w.kind == WarningKind::outside_table)
                        o.warnings.push_back(w);
                }
            } catch (const std::exception&) {
                // The main window would show this survey's error when it is opened; the list
                // leaves the tonnage empty and sorts it below every number.
            }
            // Searching and sorting ignore case: both work on the cells folded to upper case once.
            for (int k = 0; k < column_count; ++k) {
                o.keys[k] = data::upper_case(o.cells[k]);
                o.search_text += o.keys[k] + '\x01';
            }
            surveys.push_back(std::move(o));
        }
    }
    surveys_ = std::move(surveys);
    sort_surveys();
}

void SurveyListForm::sort_by(int column) {
    if (column < 0 || column >= column_count) return;
    if (column == sort_column_) {
        ascending_ = !ascending_;
    } else {
        sort_column_ = column;
        // Dates and tonnages newest and largest first; names from A.
        ascending_ = !(column == date || column == loaded);
    }
    fill_header();
    sort_surveys();
}

void SurveyListForm::sort_surveys() {
    const int k = sort_column_;
    auto less = [k](const ListedSurvey& a, const ListedSurvey& b) {
        switch (k) {
            case date:
                if (a.entered_at != b.entered_at) return a.entered_at < b.entered_at;
                break;
            case loaded:
                if (a.computed != b.computed) return !a.computed;
                if (a.computed && a.loaded != b.loaded) return a.loaded < b.loaded;
                break;
            default:
                if (a.keys[k] != b.keys[k]) return a.keys[k] < b.keys[k];
                break;
        }
        // Equal keys keep the order of entry, so the order never depends on the sort before.
        if (a.entered_at != b.entered_at) return a.entered_at < b.entered_at;
        return a.survey_id < b.survey_id;
    };
    if (ascending_)
        std::sort(surveys_.begin(), surveys_.end(), less);
    else
        std::sort(surveys_.begin(), surveys_.end(),
                  [&](const ListedSurvey& a, const ListedSurvey& b) { return less(b, a); });
    show_rows();
}

void SurveyListForm::show_rows() {
    if (grid_ == nullptr) return;
    const int was = grid_->selected_row();
    const int was_id = was >= 1 && static_cast<std::size_t>(was - 1) < shown_.size() ? shown_[was - 1] : -1;

    const std::string search = data::upper_case(get<forms::Edit>("zoek").text());
    shown_.clear();
    std::vector<std::vector<std::string>> rows;
    for (const ListedSurvey& o : surveys_) {
        if (!search.empty() && o.search_text.find(search) == std::string::npos) continue;
        shown_.push_back(o.survey_id);
        rows.push_back(std::vector<std::string>(o.cells.begin(), o.cells.end()));
    }
    grid_->set_rows(1, rows);
    // The survey selected before stays selected when it is still shown; else the first row.
    int chosen = shown_.empty() ? -1 : 1;
    for (std::size_t i = 0; i < shown_.size(); ++i) {
        if (shown_[i] == was_id) chosen = static_cast<int>(i) + 1;
    }
    grid_->set_selected_row(chosen);
    show_selected_warnings();
    get<forms::Label>("aantal").set_caption(fill_template(
        get<forms::Label>("tekst_aantal").caption(), {format_int(static_cast<long long>(shown_.size())),
                                                      format_int(static_cast<long long>(surveys_.size()))}));
}

void SurveyListForm::show_selected_warnings() {
    if (grid_ == nullptr) return;
    const int row = grid_->selected_row();
    std::string line;
    if (row >= 1 && static_cast<std::size_t>(row - 1) < shown_.size()) {
        const int id = shown_[static_cast<std::size_t>(row) - 1];
        for (const ListedSurvey& o : surveys_) {
            if (o.survey_id != id) continue;
            WarningTexts texts;
            texts.empty = get<forms::Label>("wt_leeg").caption();
            texts.loaded = get<forms::Label>("wt_vol").caption();
            texts.outside_table = get<forms::Label>("wt_buiten_tabel").caption();
            texts.no_table_row = get<forms::Label>("wt_geen_rij").caption();
            line = warnings_field(o.warnings, ship_, texts);
        }
    }
    auto& label = get<forms::Label>("waarschuwing");
    label.set_caption(line);
    label.set_hint(line);
    label.set_visible(!line.empty());
}

void SurveyListForm::zoekchange() {
    show_rows();
}

std::vector<int> SurveyListForm::shown_surveys() const {
    return shown_;
}

void SurveyListForm::show_row(int row) {
    if (row < 1 || static_cast<std::size_t>(row - 1) >= shown_.size()) return;
    const int survey_id = shown_[static_cast<std::size_t>(row) - 1];
    if (ship_id_ != session_.ship_id()) {
        load();
        throw std::runtime_error(
            "Er is intussen een ander schip geselecteerd; de lijst toont nu zijn opnames");
    }
    if (!session_.show_survey(survey_id)) {
        load();
        throw std::runtime_error("Opname " + format_int(survey_id) +
                                 " bestaat niet meer; de lijst is opnieuw geladen");
    }
}

void SurveyListForm::tonenclick() {
    show_row(grid_->selected_row());
}

void SurveyListForm::sluitenclick() {
    close();
}

}  // namespace ijken::survey
