#include "core/shipdata/schipinvoer.h"

#include <algorithm>
#include <stdexcept>

#include "core/session/session.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using forms::Rect;
using text::format_int;

namespace {

constexpr int kGroteLetter = -16;
constexpr int kPaneelBreedte = 521;
constexpr int kLinkerKolom = 240;

}  // namespace

Schipinvoer::Schipinvoer(session::Session& session, const forms::Services& services, ModalOpener open_modal)
    : forms::Form("schipinvoer", "SchipInvoer", Rect{250, 120, 553, 440}), session_(session), services_(services), open_modal_(std::move(open_modal)) {
    build_layout();
    formcreate();
}

void Schipinvoer::build_layout() {
    using namespace forms;
    auto& meetbrief = add<LabeledEdit>("meetbrief", nullptr, Rect{124, 12, 121, 21}, "Meetbrief Nr");
    meetbrief.set_max_length(meetbrief_lengte);
    auto& naam = add<LabeledEdit>("naam_veld", nullptr, Rect{124, 42, 280, 27}, "Scheepsnaam", "Schip 1");
    naam.set_font_height(kGroteLetter);
    naam.set_max_length(naam_lengte);
    naam.on_change = [this] { naam_veldchange(); };
    auto& aantal = add<RadioGroup>("aantal_ijken", nullptr, Rect{8, 78, 280, 41}, "Aantal ijken",
                                   std::vector<std::string>{"1", "2", "3", "4", "5"});
    aantal.set_columns(5);
    aantal.set_item_index(2);

    for (int i = 0; i < 8; ++i) {
        const int kolom = i / 4;
        const int rij = i % 4;
        auto& veld = add<Edit>("veld" + format_int(i + 1), nullptr, Rect{8 + kolom * 264, 128 + rij * 26, 257, 21},
                               "Veld " + format_int(i + 1));
        veld.set_max_length(veld_lengte);
        veld.on_change = [this] { naam_veldchange(); };
        velden_[static_cast<std::size_t>(i)] = &veld;
    }
    add<Button>("opslaan", nullptr, Rect{356, 372, 85, 25}, "Opslaan").on_click = [this] { opslaan_klik(); };
    add<Button>("button3", nullptr, Rect{449, 372, 85, 25}, "Terug").on_click = [this] { button3click(); };

    auto& paneel = add<Panel>("panel1", nullptr, Rect{8, 236, kPaneelBreedte, 128});
    paneel.set_colour(colour_white);
    auto& label_naam = add<Label>("label_naam", &paneel, Rect{0, 8, kPaneelBreedte, 24});
    label_naam.set_alignment(Alignment::center);
    label_naam.set_font_height(kGroteLetter);
    for (int i = 0; i < 8; ++i) {
        const int y = 40 + (i % 4) * 20;
        auto& label = add<Label>("label_veld" + format_int(i + 1), &paneel, Rect{8, y, kLinkerKolom, 13});
        // Lines 5 to 8 size themselves to their text; the preview places them.
        if (i >= 4) label.set_auto_size(true);
        voorbeeld_[static_cast<std::size_t>(i)] = &label;
    }
}

void Schipinvoer::formcreate() {
    nieuw_ = false;
    naam_veldchange();
}

void Schipinvoer::naam_veldchange() {
    for (std::size_t i = 0; i < 8; ++i) voorbeeld_[i]->set_caption(velden_[i]->text());
    get<forms::Label>("label_naam").set_caption(get<forms::Edit>("naam_veld").text());

    // Lines 5 to 8 form a right-hand column whose widest line ends rechter_marge pixels from the
    // panel's right edge.
    forms::FixedWidthMeasure gok;
    forms::TextMeasure& maat = services_.measure != nullptr ? *services_.measure : gok;
    std::array<int, 4> breedte{};
    int breedste = 0;
    for (std::size_t i = 4; i < 8; ++i) {
        const forms::Label& l = *voorbeeld_[i];
        breedte[i - 4] = maat.text_width(l.caption(), l.font_height(), l.bold());
        breedste = std::max(breedste, breedte[i - 4]);
    }
    const int links = get<forms::Panel>("panel1").geometry().w - (breedste + rechter_marge);
    for (std::size_t i = 4; i < 8; ++i) {
        const forms::Rect r = voorbeeld_[i]->geometry();
        voorbeeld_[i]->set_geometry(Rect{links, r.y, breedte[i - 4], r.h});
    }
}

void Schipinvoer::OpenNew(std::function<void()> then) {
    nieuw_ = true;
    open(std::move(then));
}

void Schipinvoer::OpenSelected(std::function<void()> then) {
    laad_geselecteerd_schip();
    nieuw_ = false;
    naam_veldchange();
    open(std::move(then));
}

void Schipinvoer::open(std::function<void()> then) {
    if (!open_modal_) throw std::logic_error("No modal display to show \"" + name() + "\" in");
    open_modal_(*this, std::move(then));
}

void Schipinvoer::laad_geselecteerd_schip() {
    // Read whole before any field changes: a missing ship leaves the fields as they were.
    const session::ShipEntry schip = session_.particulars(session_.ship_id());
    const int aantal = schip.aantal_ijken;

    get<forms::Edit>("meetbrief").set_text(schip.texts[0]);
    for (std::size_t i = 0; i < 8; ++i) velden_[i]->set_text(schip.texts[i + 2]);
    get<forms::Edit>("naam_veld").set_text(schip.texts[1]);
    // A count outside 1 to 5 (NULL reads as 0) selects nothing.
    get<forms::RadioGroup>("aantal_ijken").set_item_index(aantal >= 1 && aantal <= 5 ? static_cast<int>(aantal) - 1 : -1);
}

void Schipinvoer::opslaan_klik() {
    try {
        opslaanclick();
    } catch (...) {
        close();
        throw;
    }
}

void Schipinvoer::opslaanclick() {
    struct Veld {
        const char* naam;
        const char* wat;
        int lengte;
    };
    // The columns are declared this wide; the fields let no more be typed, and a longer text set
    // some other way is refused before anything is stored.
    const Veld te_controleren[] = {{"meetbrief", "Het meetbriefnummer", meetbrief_lengte},
                                   {"naam_veld", "De scheepsnaam", naam_lengte}};
    for (const Veld& v : te_controleren) {
        if (get<forms::Edit>(v.naam).text().size() > static_cast<std::size_t>(v.lengte))
            throw std::runtime_error(std::string(v.wat) + " mag ten hoogste " + format_int(v.lengte) + " tekens hebben");
    }
    for (std::size_t i = 0; i < 8; ++i) {
        if (velden_[i]->text().size() > static_cast<std::size_t>(veld_lengte))
            throw std::runtime_error("Veld " + format_int(static_cast<long long>(i) + 1) + " mag ten hoogste " +
                                     format_int(veld_lengte) + " tekens hebben");
    }

    session::ShipEntry schip;
    schip.aantal_ijken = get<forms::RadioGroup>("aantal_ijken").item_index() + 1;
    schip.taal = session_.language();
    schip.texts = {get<forms::Edit>("meetbrief").text(), get<forms::Edit>("naam_veld").text()};
    for (const forms::Edit* veld : velden_) schip.texts.push_back(veld->text());
    int nieuw_id = 0;
    if (nieuw_) nieuw_id = session_.create_ship(schip);
    else session_.store_particulars(schip);
    // Told only once the commit went through: a commit refused by a lock would otherwise follow a
    // report of success with nothing stored.
    services_.dialogs->information("Scheepsgegevens opgeslagen");
    if (!nieuw_) {
        close();
        return;
    }
    nieuw_id_ = nieuw_id;
    // The new ship's gauge certificate comes next; this window closes when that one has.
    if (!open_gauge_table) {
        close();
        return;
    }
    open_gauge_table(nieuw_id, [this] { close(); });
}

void Schipinvoer::button3click() {
    close();
}

}  // namespace ijken::shipdata
