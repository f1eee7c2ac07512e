#include "core/main_window/opnamelijstform.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "core/data/sqlite_database.h"
#include "core/data/sqlite_table.h"
#include "core/store/surveys.h"
#include "core/session/session.h"
#include "core/survey/gauge_lookup.h"
#include "core/survey/warnings.h"
#include "core/text/numbers.h"

namespace ijken::survey {

using forms::Rect;
using text::format_int;

namespace {

// The hidden labels holding the column headers, in column order, and the count line's template.
constexpr const char* kKopLabels[Opnamelijstform::kolommen] = {"kop_datum", "kop_verlader", "kop_ontvanger",
                                                               "kop_lading", "kop_geladen"};
constexpr const char* kKopTeksten[Opnamelijstform::kolommen] = {"Datum", "Verlader", "Ontvanger", "Lading",
                                                                "Geladen (t)"};
constexpr int kBreedtes[Opnamelijstform::kolommen] = {112, 150, 150, 120, 84};

// The entry time is stored by SQLite in UTC ("YYYY-MM-DD HH:MM:SS"); the user reads local time.
// A text of another form is shown as stored.
std::string lokale_datum(const std::string& utc) {
    std::tm t{};
    int jaar = 0, maand = 0, dag = 0, uur = 0, minuut = 0, seconde = 0;
    if (std::sscanf(utc.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &jaar, &maand, &dag, &uur, &minuut, &seconde) != 6)
        return utc;
    t.tm_year = jaar - 1900;
    t.tm_mon = maand - 1;
    t.tm_mday = dag;
    t.tm_hour = uur;
    t.tm_min = minuut;
    t.tm_sec = seconde;
    const std::time_t moment = timegm(&t);
    std::tm lokaal{};
    if (moment == static_cast<std::time_t>(-1) || localtime_r(&moment, &lokaal) == nullptr) return utc;
    // Built piece by piece: GCC 12 warns falsely (-Wrestrict) about "0" + a string in a Release build.
    auto twee = [](int v) {
        std::string s;
        if (v < 10) s.push_back('0');
        s += format_int(v);
        return s;
    };
    return format_int(lokaal.tm_year + 1900) + "-" + twee(lokaal.tm_mon + 1) + "-" + twee(lokaal.tm_mday) + " " +
           twee(lokaal.tm_hour) + ":" + twee(lokaal.tm_min);
}

}  // namespace

Opnamelijstform::Opnamelijstform(session::Session& session)
    : forms::Form("opnamelijstform", "Opnamelijst", Rect{180, 120, 648, 452}), session_(session) {
    build_layout();
}

void Opnamelijstform::build_layout() {
    using namespace forms;
    add<Label>("zoeklabel", nullptr, Rect{8, 12, 52, 13}, "Zoeken:");
    auto& zoek = add<Edit>("zoek", nullptr, Rect{64, 8, 240, 21});
    zoek.on_change = [this] { zoekchange(); };
    add<Label>("aantal", nullptr, Rect{316, 12, 316, 13});

    lijst_ = &add<StringGrid>("lijst", nullptr, Rect{8, 36, 624, 340}, kolommen, 1);
    lijst_->set_fixed(0, 1);
    lijst_->set_row_select(true);
    lijst_->set_default_row_height(18);
    for (int k = 0; k < kolommen; ++k) lijst_->set_col_width(k, kBreedtes[k]);
    lijst_->on_header_click = [this](int col) { sorteer(col); };
    lijst_->on_activate = [this](int row) { toon_rij(row); };

    add<Button>("tonen", nullptr, Rect{440, 386, 92, 25}, "&Tonen").on_click = [this] { tonenclick(); };
    add<Button>("sluiten", nullptr, Rect{540, 386, 92, 25}, "&Sluiten").on_click = [this] { sluitenclick(); };

    // Header texts and the count line in hidden labels, so that a language file reaches them by
    // name; a translated text shows at once.
    for (int k = 0; k < kolommen; ++k) {
        auto& kop = add<Label>(kKopLabels[k], nullptr, Rect{0, 0, 0, 0}, kKopTeksten[k]);
        kop.set_visible(false);
        kop.add_observer([this](Control&) { vul_kop(); });
    }
    auto& aantal = add<Label>("tekst_aantal", nullptr, Rect{0, 0, 0, 0}, "%1 van %2 opnames");
    aantal.set_visible(false);
    aantal.add_observer([this](Control&) { toon(); });
    // The hints of the search field and the list in hidden labels as well: the translation
    // passes edits and grids over.
    const struct {
        const char* label;
        Control* target;
        const char* text;
    } hints[] = {
        {"hint_zoek", &zoek,
         "Toont alleen de opnames met deze tekst in datum, verlader, ontvanger, lading of tonnage"},
        {"hint_lijst", lijst_, "Klik op een kop om te sorteren; dubbelklik of Enter toont de opname"},
    };
    for (const auto& h : hints) {
        auto& label = add<Label>(h.label, nullptr, Rect{0, 0, 0, 0}, h.text);
        label.set_visible(false);
        h.target->set_hint(h.text);
        label.add_observer([target = h.target](Control& c) { target->set_hint(c.caption()); });
    }
    vul_kop();
}

void Opnamelijstform::vul_kop() {
    for (int k = 0; k < kolommen; ++k) lijst_->set_cell(k, 0, get<forms::Label>(kKopLabels[k]).caption());
    lijst_->set_sort_indicator(sorteer_kolom_, oplopend_);
}

void Opnamelijstform::open() {
    laad();
    show();
}

void Opnamelijstform::laad() {
    schip_ = session_.ship_id();
    const ShipParams ship = session_.survey().ship_params();
    std::unique_ptr<data::SQLiteTable> t;
    {
        data::SQLiteDatabase db(session_.database(), data::OpenMode::existing);
        t = store::ship_surveys_in_order(db, ship.SchipID);
    }
    MemoryGaugeTable tabel = MemoryGaugeTable::read(session_.database(), ship.SchipID);

    std::vector<Opname> opnames;
    opnames.reserve(static_cast<std::size_t>(t->RowCount()));
    if (t->RowCount() > 0) {
        const int c_id = t->FieldIndex("Opnameid");
        const int c_datum = t->FieldIndex("InvoerDatum");
        const int c_verlader = t->FieldIndex("Verlader_Naam");
        const int c_ontvanger = t->FieldIndex("Ontvanger_Naam");
        const int c_lading = t->FieldIndex("Lading");
        const int c_zout = t->FieldIndex("ZoutCorrectie");
        std::array<int, 20> c_aflezing{};
        for (std::size_t i = 0; i < 20; ++i) c_aflezing[i] = t->FieldIndex(reading_columns()[i]);

        for (; !t->AtEnd(); t->Next()) {
            Opname o;
            o.opnameid = static_cast<int>(t->AsInteger(c_id));
            o.invoerdatum = t->AsString(c_datum);
            o.cellen[datum] = lokale_datum(o.invoerdatum);
            o.cellen[verlader] = t->AsString(c_verlader);
            o.cellen[ontvanger] = t->AsString(c_ontvanger);
            o.cellen[lading] = t->AsString(c_lading);
            SurveyInput input;
            for (std::size_t i = 0; i < 20; ++i) input.readings[i] = t->AsString(c_aflezing[i]);
            input.zout_correctie = text::format_fixed(t->AsFloat(c_zout), 3, 5);
            try {
                const Recomputation r = herbereken(tabel, ship, input);
                o.cellen[geladen] = r.cells.e42;
                o.geladen = text::ext_sub(r.vol.tonnage, r.leeg.tonnage);
                o.berekend = true;
            } catch (const std::exception&) {
                // The main window would show this survey's error when it is opened; the list
                // leaves the tonnage empty and sorts it below every number.
            }
            // Searching and sorting ignore case: both work on the cells folded to upper case once.
            for (int k = 0; k < kolommen; ++k) {
                o.sleutels[k] = data::upper_case(o.cellen[k]);
                o.zoektekst += o.sleutels[k] + '\x01';
            }
            opnames.push_back(std::move(o));
        }
    }
    opnames_ = std::move(opnames);
    sorteer_opnames();
}

void Opnamelijstform::sorteer(int kolom) {
    if (kolom < 0 || kolom >= kolommen) return;
    if (kolom == sorteer_kolom_) {
        oplopend_ = !oplopend_;
    } else {
        sorteer_kolom_ = kolom;
        // Dates and tonnages newest and largest first; names from A.
        oplopend_ = !(kolom == datum || kolom == geladen);
    }
    vul_kop();
    sorteer_opnames();
}

void Opnamelijstform::sorteer_opnames() {
    const int k = sorteer_kolom_;
    auto kleiner = [k](const Opname& a, const Opname& b) {
        switch (k) {
            case datum:
                if (a.invoerdatum != b.invoerdatum) return a.invoerdatum < b.invoerdatum;
                break;
            case geladen:
                if (a.berekend != b.berekend) return !a.berekend;
                if (a.berekend && a.geladen != b.geladen) return a.geladen < b.geladen;
                break;
            default:
                if (a.sleutels[k] != b.sleutels[k]) return a.sleutels[k] < b.sleutels[k];
                break;
        }
        // Equal keys keep the order of entry, so the order never depends on the sort before.
        if (a.invoerdatum != b.invoerdatum) return a.invoerdatum < b.invoerdatum;
        return a.opnameid < b.opnameid;
    };
    if (oplopend_) std::sort(opnames_.begin(), opnames_.end(), kleiner);
    else std::sort(opnames_.begin(), opnames_.end(), [&](const Opname& a, const Opname& b) { return kleiner(b, a); });
    toon();
}

void Opnamelijstform::toon() {
    if (lijst_ == nullptr) return;
    const int was = lijst_->selected_row();
    const int was_id = was >= 1 && static_cast<std::size_t>(was - 1) < getoond_.size() ? getoond_[was - 1] : -1;

    const std::string zoek = data::upper_case(get<forms::Edit>("zoek").text());
    getoond_.clear();
    std::vector<std::vector<std::string>> rijen;
    for (const Opname& o : opnames_) {
        if (!zoek.empty() && o.zoektekst.find(zoek) == std::string::npos) continue;
        getoond_.push_back(o.opnameid);
        rijen.push_back(std::vector<std::string>(o.cellen.begin(), o.cellen.end()));
    }
    lijst_->set_rows(1, rijen);
    // The survey selected before stays selected when it is still shown; else the first row.
    int kies = getoond_.empty() ? -1 : 1;
    for (std::size_t i = 0; i < getoond_.size(); ++i) {
        if (getoond_[i] == was_id) kies = static_cast<int>(i) + 1;
    }
    lijst_->set_selected_row(kies);
    get<forms::Label>("aantal").set_caption(fill_template(
        get<forms::Label>("tekst_aantal").caption(),
        {format_int(static_cast<long long>(getoond_.size())), format_int(static_cast<long long>(opnames_.size()))}));
}

void Opnamelijstform::zoekchange() {
    toon();
}

std::vector<int> Opnamelijstform::getoonde_opnames() const {
    return getoond_;
}

void Opnamelijstform::toon_rij(int row) {
    if (row < 1 || static_cast<std::size_t>(row - 1) >= getoond_.size()) return;
    const int opnameid = getoond_[static_cast<std::size_t>(row) - 1];
    if (schip_ != session_.ship_id()) {
        laad();
        throw std::runtime_error("Er is intussen een ander schip geselecteerd; de lijst toont nu zijn opnames");
    }
    if (!session_.show_survey(opnameid)) {
        laad();
        throw std::runtime_error("Opname " + format_int(opnameid) + " bestaat niet meer; de lijst is opnieuw geladen");
    }
}

void Opnamelijstform::tonenclick() {
    toon_rij(lijst_->selected_row());
}

void Opnamelijstform::sluitenclick() {
    close();
}

}  // namespace ijken::survey
