#include "core/shipdata/schipinvoer.h"

#include <algorithm>
#include <stdexcept>

#include "core/session/session.h"
#include "core/text/numbers.h"

namespace ijken::shipdata {

using forms::Rect;
using text::format_int;

namespace {

constexpr int kLargeFont = -16;
constexpr int kPanelWidth = 521;
constexpr int kLeftColumn = 240;

}  // namespace

Schipinvoer::Schipinvoer(session::Session& session, const forms::Services& services, ModalOpener open_modal)
    : forms::Form("schipinvoer", "SchipInvoer", Rect{250, 120, 553, 440}), session_(session), services_(services), open_modal_(std::move(open_modal)) {
    build_layout();
    formcreate();
}

void Schipinvoer::build_layout() {
    using namespace forms;
    auto& certificate = add<LabeledEdit>("meetbrief", nullptr, Rect{124, 12, 121, 21}, "Meetbrief Nr");
    certificate.set_max_length(kCertificateLength);
    auto& name_edit =
        add<LabeledEdit>("naam_veld", nullptr, Rect{124, 42, 280, 27}, "Scheepsnaam", "Schip 1");
    name_edit.set_font_height(kLargeFont);
    name_edit.set_max_length(kNameLength);
    name_edit.on_change = [this] { naam_veldchange(); };
    auto& points = add<RadioGroup>("aantal_ijken", nullptr, Rect{8, 78, 280, 41}, "Aantal ijken",
                                   std::vector<std::string>{"1", "2", "3", "4", "5"});
    points.set_columns(5);
    points.set_item_index(2);

    for (int i = 0; i < 8; ++i) {
        const int column = i / 4;
        const int row = i % 4;
        auto& line = add<Edit>("veld" + format_int(i + 1), nullptr,
                               Rect{8 + column * 264, 128 + row * 26, 257, 21}, "Veld " + format_int(i + 1));
        line.set_max_length(kLineLength);
        line.on_change = [this] { naam_veldchange(); };
        line_edits_[static_cast<std::size_t>(i)] = &line;
    }
    add<Button>("opslaan", nullptr, Rect{356, 372, 85, 25}, "Opslaan").on_click = [this] {
        save_then_close();
    };
    add<Button>("button3", nullptr, Rect{449, 372, 85, 25}, "Terug").on_click = [this] { button3click(); };

    auto& panel = add<Panel>("panel1", nullptr, Rect{8, 236, kPanelWidth, 128});
    panel.set_colour(colour_white);
    auto& label_naam = add<Label>("label_naam", &panel, Rect{0, 8, kPanelWidth, 24});
    label_naam.set_alignment(Alignment::center);
    label_naam.set_font_height(kLargeFont);
    for (int i = 0; i < 8; ++i) {
        const int y = 40 + (i % 4) * 20;
        auto& label = add<Label>("label_veld" + format_int(i + 1), &panel, Rect{8, y, kLeftColumn, 13});
        // Lines 5 to 8 size themselves to their text; the preview places them.
        if (i >= 4) label.set_auto_size(true);
        preview_labels_[static_cast<std::size_t>(i)] = &label;
    }
}

void Schipinvoer::formcreate() {
    new_ship_ = false;
    naam_veldchange();
}

void Schipinvoer::naam_veldchange() {
    for (std::size_t i = 0; i < 8; ++i) preview_labels_[i]->set_caption(line_edits_[i]->text());
    get<forms::Label>("label_naam").set_caption(get<forms::Edit>("naam_veld").text());

    // Lines 5 to 8 form a right-hand column whose widest line ends kRightMargin pixels from the
    // panel's right edge.
    forms::FixedWidthMeasure fallback;
    forms::TextMeasure& measure = services_.measure != nullptr ? *services_.measure : fallback;
    std::array<int, 4> widths{};
    int widest = 0;
    for (std::size_t i = 4; i < 8; ++i) {
        const forms::Label& l = *preview_labels_[i];
        widths[i - 4] = measure.text_width(l.caption(), l.font_height(), l.bold());
        widest = std::max(widest, widths[i - 4]);
    }
    const int left = get<forms::Panel>("panel1").geometry().w - (widest + kRightMargin);
    for (std::size_t i = 4; i < 8; ++i) {
        const forms::Rect r = preview_labels_[i]->geometry();
        preview_labels_[i]->set_geometry(Rect{left, r.y, widths[i - 4], r.h});
    }
}

void Schipinvoer::OpenNew(std::function<void()> then) {
    new_ship_ = true;
    open(std::move(then));
}

void Schipinvoer::OpenSelected(std::function<void()> then) {
    load_selected_ship();
    new_ship_ = false;
    naam_veldchange();
    open(std::move(then));
}

void Schipinvoer::open(std::function<void()> then) {
    if (!open_modal_) throw std::logic_error("No modal display to show \"" + name() + "\" in");
    open_modal_(*this, std::move(then));
}

void Schipinvoer::load_selected_ship() {
    // Read whole before any field changes: a missing ship leaves the fields as they were.
    const session::ShipEntry ship = session_.particulars(session_.ship_id());
    const int points = ship.gauge_points;

    get<forms::Edit>("meetbrief").set_text(ship.texts[0]);
    for (std::size_t i = 0; i < 8; ++i) line_edits_[i]->set_text(ship.texts[i + 2]);
    get<forms::Edit>("naam_veld").set_text(ship.texts[1]);
    // A count outside 1 to 5 (NULL reads as 0) selects nothing.
    get<forms::RadioGroup>("aantal_ijken")
        .set_item_index(points >= 1 && points <= 5 ? static_cast<int>(points) - 1 : -1);
}

void Schipinvoer::save_then_close() {
    try {
        opslaanclick();
    } catch (...) {
        close();
        throw;
    }
}

void Schipinvoer::opslaanclick() {
    struct Field {
        const char* control;
        const char* what;
        int max_length;
    };
    // The columns are declared this wide; the fields let no more be typed, and a longer text set
    // some other way is refused before anything is stored.
    const Field checked[] = {{"meetbrief", "Het meetbriefnummer", kCertificateLength},
                             {"naam_veld", "De scheepsnaam", kNameLength}};
    for (const Field& v : checked) {
        if (get<forms::Edit>(v.control).text().size() > static_cast<std::size_t>(v.max_length))
            throw std::runtime_error(std::string(v.what) + " mag ten hoogste " + format_int(v.max_length) +
                                     " tekens hebben");
    }
    for (std::size_t i = 0; i < 8; ++i) {
        if (line_edits_[i]->text().size() > static_cast<std::size_t>(kLineLength))
            throw std::runtime_error("Veld " + format_int(static_cast<long long>(i) + 1) +
                                     " mag ten hoogste " + format_int(kLineLength) + " tekens hebben");
    }

    session::ShipEntry ship;
    ship.gauge_points = get<forms::RadioGroup>("aantal_ijken").item_index() + 1;
    ship.language = session_.language();
    ship.texts = {get<forms::Edit>("meetbrief").text(), get<forms::Edit>("naam_veld").text()};
    for (const forms::Edit* line : line_edits_) ship.texts.push_back(line->text());
    int new_id = 0;
    if (new_ship_)
        new_id = session_.create_ship(ship);
    else
        session_.store_particulars(ship);
    // Told only once the commit went through: a commit refused by a lock would otherwise follow a
    // report of success with nothing stored.
    services_.dialogs->information("Scheepsgegevens opgeslagen");
    if (!new_ship_) {
        close();
        return;
    }
    new_ship_id_ = new_id;
    // The new ship's gauge certificate comes next; this window closes when that one has.
    if (!open_gauge_table) {
        close();
        return;
    }
    open_gauge_table(new_id, [this] { close(); });
}

void Schipinvoer::button3click() {
    close();
}

}  // namespace ijken::shipdata
