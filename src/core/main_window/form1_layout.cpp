// The main window's controls and menu as designed: names, positions and sizes in pixels at 96 dpi,
// captions and hints. Controls are added in tab order.
#include <string>

#include "core/text/numbers.h"
#include "core/main_window/form1.h"
#include "core/survey/ship_drawing.h"

namespace ijken::survey {

using forms::Button;
using forms::Drawing;
using forms::Edit;
using forms::GroupBox;
using forms::Label;
using forms::LabeledEdit;
using forms::MaskEdit;
using forms::MenuItem;
using forms::Panel;
using forms::RadioGroup;
using forms::Rect;
using forms::Slider;
using forms::UpDown;

namespace {

// Reading columns (port empty, starboard empty, port loaded, starboard loaded) and the rows of
// gauge points 1 to 5.
constexpr int kColumnX[4] = {8, 185, 348, 529};
constexpr int kRowY[5] = {100, 135, 171, 206, 242};
// Panel prefix, side and state of each column, in tab order.
struct Column {
    const char* panel;  // "lb_bb"
    char side;          // 'b' port, 's' starboard
    char state;         // 'l' empty, 'v' loaded
};
constexpr Column kColumns[4] = {
    {"lb_bb", 'b', 'l'}, {"lb_sb", 's', 'l'}, {"lg_bb", 'b', 'v'}, {"lg_sb", 's', 'v'}};

std::string reading_name(char side, char state, int point) {
    return std::string("ijk_") + side + "b_" + state + "_" + text::format_int(point);
}

// Index of a reading in the order of the survey's columns: port empty, starboard empty, port
// loaded, starboard loaded, points 1 to 5 in each.
int reading_index(char side, char state, int point) {
    const int block = (state == 'l' ? 0 : 2) + (side == 'b' ? 0 : 1);
    return block * 5 + (point - 1);
}

constexpr int kBigFont = -21;
constexpr int kButtonFont = -16;

}  // namespace

void Form1::build_layout() {
    auto& naam = add<Label>("LabelNaam", nullptr, Rect{192, 8, 233, 24});
    naam.set_alignment(forms::Alignment::center);
    naam.set_font_height(kBigFont);
    auto& meetbrief = add<Label>("LabelMeetbrief", nullptr, Rect{192, 40, 233, 24});
    meetbrief.set_alignment(forms::Alignment::center);
    meetbrief.set_font_height(kBigFont);

    auto& image1 = add<Drawing>("Image1", nullptr, Rect{88, 30, 80, 307});
    image1.set_stretch(true);
    image1.set_accessible_name("schip leeg");
    // The pictures mark the gauge points the ship uses; zet_ijkpunten repaints them.
    image1.paint = [this](forms::Painter& p, int w, int h) {
        paint_ship(p, w, h, HoldState::empty, points_in_use(session_->survey().Aantal_ijken));
    };
    auto& image2 = add<Drawing>("Image2", nullptr, Rect{440, 30, 80, 307});
    image2.set_stretch(true);
    image2.set_accessible_name("schip vol");
    image2.paint = [this](forms::Painter& p, int w, int h) {
        paint_ship(p, w, h, HoldState::loaded, points_in_use(session_->survey().Aantal_ijken));
    };

    // Reading panels: the empty columns first, row by row (port then starboard), then the loaded.
    for (int pair = 0; pair < 2; ++pair) {
        for (int point = 1; point <= 5; ++point) {
            for (int c = pair * 2; c < pair * 2 + 2; ++c) {
                const Column& col = kColumns[c];
                const std::string suffix = text::format_int(point);
                auto& panel = add<Panel>(std::string(col.panel) + "_" + suffix, nullptr,
                                         Rect{kColumnX[c], kRowY[point - 1], 73, 25});
                panel.set_borderless(true);
                const std::string name = reading_name(col.side, col.state, point);
                auto& edit = add<Edit>(name, &panel, Rect{0, 4, 57, 21}, "0");
                // Named in the interface language by name_for_screen_readers; Dutch until then.
                edit.set_accessible_name(std::string(col.side == 'b' ? "bakboord" : "stuurboord") +
                                         (col.state == 'l' ? " leeg " : " vol ") + suffix);
                add<UpDown>("updown" + name.substr(3), &panel, Rect{57, 4, 16, 21}, &edit, -25, 500);
                const int i = reading_index(col.side, col.state, point);
                readings_[i] = &edit;
                panels_[i] = &panel;
            }
        }
    }

    auto& box1 = add<GroupBox>("GroupBox1", nullptr, Rect{8, 336, 185, 113}, "Lading");
    add<LabeledEdit>("Verlader_Naam", &box1, Rect{70, 16, 110, 21}, "Naam");
    add<LabeledEdit>("Verlader_Plaats", &box1, Rect{70, 40, 110, 21}, "Plaats");
    add<LabeledEdit>("Verlader_telefoon", &box1, Rect{70, 64, 110, 21}, "Telefoon");
    add<LabeledEdit>("Lading", &box1, Rect{70, 88, 110, 21}, "Lading");

    auto& box2 = add<GroupBox>("GroupBox2", nullptr, Rect{200, 336, 185, 113}, "Bestemming");
    add<LabeledEdit>("Ontvanger_naam", &box2, Rect{70, 16, 110, 21}, "Naam");
    add<LabeledEdit>("Ontvanger_plaats", &box2, Rect{70, 40, 110, 21}, "Plaats");
    add<LabeledEdit>("Ontvanger_telefoon", &box2, Rect{70, 64, 110, 21}, "Telefoon");
    auto& label8 = add<Label>("Label8", &box2, Rect{0, 92, 67, 13}, "Correctie");
    label8.set_alignment(forms::Alignment::right);
    auto& zout = add<MaskEdit>("ZoutMaskEdit", &box2, Rect{70, 88, 41, 21}, "!0.000;1;_", "1.000");
    zout.set_max_length(5);
    label8.set_focus_control(&zout);

    auto& taal = add<RadioGroup>("TaalKeuze", nullptr, Rect{8, 448, 185, 81}, "Afdruk taal",
                                 std::vector<std::string>{"Nederlands", "Frans", "Duits"});
    taal.set_item_index(0);

    auto& panel1 = add<Panel>("Panel1", nullptr, Rect{208, 464, 177, 41});
    struct ButtonDesign {
        const char* name;
        int x;
        const char* caption;
        const char* hint;
    };
    constexpr ButtonDesign buttons[] = {
        {"sltb_prev", 8, "<", "Vorige"},
        {"sltb_next", 40, ">", "Volgende"},
        {"sltb_del", 72, "x", "Verwijderen"},
        {"sltb_add", 104, "+", "Toevoegen"},
        {"sltb_save", 136, "o", "Wijzigingen opslaan"},
    };
    for (const ButtonDesign& b : buttons) {
        auto& button = add<Button>(b.name, &panel1, Rect{b.x, 8, 30, 25}, b.caption);
        button.set_hint(b.hint);
        button.set_font_height(kButtonFont);
        button.set_bold(true);
    }

    // The result grid: caption cells in column 0, the empty ship in column 1, the loaded ship in
    // column 2; rows 4 and 5 have only column 2. formcreate gives the caption cells their texts.
    auto& box3 = add<GroupBox>("GroupBox3", nullptr, Rect{392, 336, 209, 177});
    for (int row = 0; row <= 5; ++row) {
        const int y = 16 + 24 * row;
        const std::string r = text::format_int(row);
        add<Label>("e" + r + "0", &box3, Rect{8, y, row == 5 ? 137 : 65, 13});
        if (row <= 3)
            add<Label>("e" + r + "1", &box3, Rect{80, y, 50, 13}).set_alignment(forms::Alignment::right);
        add<Label>("e" + r + "2", &box3, Rect{135, y, 50, 13}).set_alignment(forms::Alignment::right);
    }

    add<Slider>("TrackbarLeeg", nullptr, Rect{163, 80, 17, 245}, 0, 200, 200).set_accessible_name("leeg");
    add<Slider>("TrackBarVol", nullptr, Rect{424, 80, 17, 245}, 0, 200, 200).set_accessible_name("vol");
}

void Form1::build_menu() {
    MenuItem& bar = menu();
    auto& schepen = add<MenuItem>("Schepen", &bar, "Schepen");
    add<MenuItem>("Invoeren1", &schepen, "Nieuw schip");
    add<MenuItem>("Wijzigen1", &schepen, "Schip selecteren");
    add<MenuItem>("Verwijderen1", &schepen, "Verwijderen");
    add<MenuItem>("Maaktaalfile1", &schepen, "Maak taal file").set_visible(false);
    add<MenuItem>("taaleditor1", &schepen, "taal editor").set_visible(false);

    auto& naam = add<MenuItem>("Naam1", &bar, "Naam");
    auto& meetbrief = add<MenuItem>("Meetbrief1", &naam, "Meetbrief");
    add<MenuItem>("Invoer1", &meetbrief, "Invoeren");
    add<MenuItem>("meetbriefwijzigen", &meetbrief, "Wijzigen");
    add<MenuItem>("ScheepsGegevens", &naam, "Scheeps gegevens");

    add<MenuItem>("Afdrukken1", &bar, "Afdrukken");
    add<MenuItem>("Einde1", &bar, "Einde").set_shortcut("Ctrl+Q");
    add<MenuItem>("NL1", &bar, "NL");
    add<MenuItem>("FR1", &bar, "FR");
    add<MenuItem>("DE1", &bar, "DE").set_visible(false);
    add<MenuItem>("cTarvik1", &bar, "(c)");
}

forms::Edit& Form1::reading(char side, char state, int point) const {
    return *readings_.at(static_cast<std::size_t>(reading_index(side, state, point)));
}

}  // namespace ijken::survey
