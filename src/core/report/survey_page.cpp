#include "core/report/survey_page.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>
#include <utility>

#include "core/pdf/pdf_output.h"
#include "core/text/numbers.h"

namespace ijken::report {

namespace {

using text::format_fixed;
using text::format_int;

// The captions of the page by number (1 to 24) in Dutch, French and German, Windows-1252.
const char* const kCaptions[24][3] = {
    {"Bedrijf", "Chargeur", "Verlader"},
    {"Plaats", "Ville", "Platz"},
    {"Telefoon nr", "T\xE9l\xE9phone", "Telefon  Nr."},
    {"Lading", "Marchandise", "Ladung"},
    {"Ontvanger", "Destinataire", "Empf\xE4nger"},
    {"Losplaats", "Ville", "L\xF6schplatz"},
    {"Leeg", "Vide", "Leer"},
    {"Vol", "Charg\xE9", "Beladen"},
    {"Voor ijk", "Avant", "Vorne"},
    {"Midden ijk", "Milieu", "Mitte"},
    {"Achter ijk", "Arri\xE8re", "Hinten"},
    {"Totaal", "Total", "Total"},
    {"Gedeeld door", "Divis\xE9 par", "Teilen durch"},
    {"Gemiddeld", "Moyenne", "Gemittelt"},
    {"Maximum inzinking", "Enfoncement maxi", "Maximum Tiefgang"},
    {"Gemeten ", "Jaug\xE9", "Gemessen"},
    {"Blijft", "Reste", "\334brig "},  // octal: a hex escape would swallow the "b"
    {"Meetbrief", "D\xE9placement", "Eichschein"},
    {"Toename per CM", "Accroissement en CM", "Zunahme pro ZM"},
    {"Inzinking", "Enfoncement", "Einsenkungs marke"},
    {"Verlies", "Perte", "Verlust"},
    {"Winst", "Gagner", "Gewinn"},
    {"Totaal geladen", "Total charg\xE9", "Total geladen"},
    {"Meetbrief nummer", "Num\xE9ro de certificat de jaugeage", "Eichschein nummer"},
};

// A reading as the page shows it: "%5.1f CM" of the four-decimal value, an exact half going to
// the even tenth (12.25 shows as 12.2, 12.35 as 12.4).
std::string reading_text(std::int64_t ten_thousandths) {
    std::int64_t tenths = ten_thousandths / 1000;
    const std::int64_t rest = ten_thousandths % 1000;
    const bool odd = tenths % 2 != 0;
    if (rest > 500 || (rest == 500 && odd)) ++tenths;
    if (rest < -500 || (rest == -500 && odd)) --tenths;
    return format_fixed(text::ext_div(static_cast<double>(tenths), 10), 1, 5) + " CM";
}

std::string cm_text(double value, int width) {
    return format_fixed(value, 1, width) + " CM";
}

std::string ton_text(double value, int width) {
    return format_fixed(value, 3, width) + " Ton";
}

// A page built once on a fresh page, in a fresh document.
void start_survey_report(PReport& report, SurveyPage& page, const survey::SurveyValue& survey,
                         const survey::ShipParticulars& ship, int print_language,
                         std::function<pdf::DateTime()> clock) {
    page.build(survey, ship, print_language);
    prepare_survey_report(report);
    if (clock) report.SetClock(std::move(clock));
    report.StartDocument();
    report.PrintPage(page.page());
}

}  // namespace

int page_language(int print_language) {
    return print_language == 0 ? 0 : print_language == 1 ? 1 : 2;
}

SurveyPage::SurveyPage() : page_("PRPage1") {
    build_page();
    index_components();
}

void SurveyPage::index_components() {
    // The page keeps its components for its life, so their names can be keys.
    std::function<void(PRControl&)> index = [&](PRControl& c) {
        components_.emplace(c.Name(), &c);
        for (const auto& child : c.Children()) index(*child);
    };
    index(page_);
    for (auto [columns, state, sum, heading, rule, arrow] :
         {std::tuple{&empty_columns_, "l", "_l_tot", "leeg_label", "streep_leeg_", "pijlleeg"},
          std::tuple{&loaded_columns_, "v", "_v_tot", "vol_label", "streep_vol_", "pijlvol"}}) {
        for (int n = 0; n < 5; ++n) {
            const std::string suffix = std::string("_") + state + "_" + format_int(n + 1);
            columns->port[n] = &component<PRLabel>("ijk_bb" + suffix);
            columns->starboard[n] = &component<PRLabel>("ijk_sb" + suffix);
        }
        for (int n = 0; n < 6; ++n) columns->arrows[n] = &component<PRLabel>(arrow + format_int(n + 1));
        columns->port_sum = &component<PRLabel>(std::string("bb") + sum);
        columns->starboard_sum = &component<PRLabel>(std::string("sb") + sum);
        columns->heading = &component<PRLabel>(heading);
        columns->port_rule = &component<PRLabel>(std::string(rule) + "bb");
        columns->starboard_rule = &component<PRLabel>(std::string(rule) + "sb");
    }
}

void SurveyPage::build(const survey::SurveyValue& survey, const survey::ShipParticulars& ship,
                       int print_language) {
    // Every reading is converted first, so that nothing on the page changes when one fails.
    std::array<std::int64_t, 20> readings{};
    for (std::size_t i = 0; i < 20; ++i) readings[i] = survey::waarde_uit_tekst(survey.readings[i]);
    const int taal = page_language(print_language);
    auto caption = [&](int n) { return std::string(kCaptions[n - 1][taal]); };

    lay_out_header(ship, taal);
    const auto& parties = survey.parties;
    component<PRText>("verlader_text")
        .SetLines({" ", ": " + parties[0], ": " + parties[1], ": " + parties[2], ": " + parties[3]});
    component<PRText>("ontvanger_text").SetLines({" ", ": " + parties[4], ": " + parties[5], ": " + parties[6]});

    auto lbl = [&](std::string_view name) -> PRLabel& { return component<PRLabel>(name); };
    lbl("leeg_label").SetCaption(caption(7));
    lbl("vol_label").SetCaption(caption(8));
    lbl("lbl1").SetCaption(caption(9));
    for (const char* name : {"lbl2", "lbl3", "lbl4"}) lbl(name).SetCaption(caption(10));
    lbl("lbl5").SetCaption(caption(11));
    const std::pair<const char*, int> captioned[] = {
        {"totaal_label", 12},        {"gedeelddoor_label", 13},   {"gemiddeld_label", 14},
        {"maxinzinking_label", 15},  {"gemeten_label", 16},       {"inzinking_label", 17},
        {"velplaatsing_label1", 18}, {"velplaatsing_label2", 18}, {"perCM_label", 19},
        {"Inzinking_label1", 20},    {"Inzinking_label2", 20},    {"totaalGeladen_label", 23},
    };
    for (const auto& [name, n] : captioned) lbl(name).SetCaption(caption(n));

    for (int n = 0; n < 5; ++n) {
        component<PRLayoutPanel>("regel" + format_int(n + 1)).SetHeight(survey.rows_shown[n] ? 20 : 0);
    }
    lay_out_figures(survey, readings, taal);
}

// The ship's name, its certificate and its eight lines, and the parties' captions.
void SurveyPage::lay_out_header(const survey::ShipParticulars& ship, int taal) {
    auto caption = [&](int n) { return std::string(kCaptions[n - 1][taal]); };
    auto lbl = [&](std::string_view name) -> PRLabel& { return component<PRLabel>(name); };
    lbl("naam_veld").SetCaption(ship.name);
    lbl("Meetbrief_text").SetCaption(caption(24) + " : " + ship.meetbrief);
    component<PRText>("verlader_titel").SetLines({" ", caption(1), caption(2), caption(3), caption(4)});
    component<PRText>("ontvanger_titel").SetLines({" ", caption(5), caption(6), caption(3)});
    for (int i = 0; i < 8; ++i) lbl("veld" + format_int(i + 1)).SetCaption(ship.veld[i]);
    // The widest of the four right-hand lines ends at the header's right edge.
    int widest = 0;
    for (int i = 5; i <= 8; ++i) widest = std::max(widest, lbl("veld" + format_int(i)).GetTextWidth());
    component<PRLayoutPanel>("koprechtsPanel").SetLeft(512 - widest);
}

// The readings, sums and results of both states, and the loss or gain.
void SurveyPage::lay_out_figures(const survey::SurveyValue& survey, const std::array<std::int64_t, 20>& readings,
                                 int taal) {
    lay_out_state(empty_columns_, &readings[0], &readings[5]);
    lay_out_state(loaded_columns_, &readings[10], &readings[15]);
    auto lbl = [&](std::string_view name) -> PRLabel& { return component<PRLabel>(name); };
    const survey::IjkResultaat& leeg = survey.resultaat_leeg;
    const survey::IjkResultaat& vol = survey.resultaat_vol;
    lbl("sb_v_tot").SetCaption(cm_text(vol.som_sb, 6));
    lbl("bb_v_tot").SetCaption(cm_text(vol.som_bb, 6));
    lbl("sb_l_tot").SetCaption(cm_text(leeg.som_sb, 6));
    lbl("bb_l_tot").SetCaption(cm_text(leeg.som_bb, 6));
    lbl("Totaal_leeg").SetCaption(cm_text(leeg.totaal, 6));
    lbl("Totaal_vol").SetCaption(cm_text(vol.totaal, 6));
    lbl("aantalijken_leeg").SetCaption(format_int(2LL * survey.Aantal_ijken));
    lbl("aantalijken_vol").SetCaption(lbl("aantalijken_leeg").Caption());
    lbl("leeg_gemiddeld").SetCaption(cm_text(leeg.gemiddeld, 6));
    lbl("vol_gemiddeld").SetCaption(cm_text(vol.gemiddeld, 6));
    lbl("maxinzinking_leeg").SetCaption(format_int(survey.Max_inzinking, 4) + ".0 CM");
    lbl("maxinzinking_vol").SetCaption(lbl("maxinzinking_leeg").Caption());
    lbl("gemeten_vol").SetCaption(lbl("vol_gemiddeld").Caption());
    lbl("gemeten_leeg").SetCaption(lbl("leeg_gemiddeld").Caption());
    lbl("Inzinking_vol").SetCaption(cm_text(vol.inzinking, 5));
    lbl("Inzinking_leeg").SetCaption(cm_text(leeg.inzinking, 5));
    lbl("per_cm_L_1").SetCaption(ton_text(leeg.tonnage_laag, 5));
    lbl("per_cm_L_2").SetCaption(ton_text(leeg.tonnage_hoog, 5));
    lbl("per_cm_L_T_2").SetCaption(format_int(leeg.cm_hoog, 3) + " CM <=>");
    lbl("per_cm_L_T_1").SetCaption(format_int(leeg.cm_laag, 3) + " CM <=>");
    lbl("per_cm_L").SetCaption(ton_text(leeg.per_cm, 8));
    lbl("per_cm_V_1").SetCaption(ton_text(vol.tonnage_laag, 5));
    lbl("per_cm_V_2").SetCaption(ton_text(vol.tonnage_hoog, 5));
    lbl("per_cm_V_T_1").SetCaption(format_int(vol.cm_laag, 3) + " CM <=>");
    lbl("per_cm_V_T_2").SetCaption(format_int(vol.cm_hoog, 3) + " CM <=>");
    lbl("per_cm_V").SetCaption(ton_text(vol.per_cm, 8));
    lbl("leeg_mm").SetCaption(cm_text(leeg.fractie, 5) + " <=>");
    lbl("leeg_mm_ton").SetCaption(ton_text(leeg.fractie_tonnage, 5));
    lbl("leeg_cm").SetCaption(format_int(leeg.cm_laag) + " CM <=>");
    lbl("leeg_cm_ton").SetCaption(ton_text(leeg.tonnage_laag, 5));
    lbl("leeg_cm_totaal").SetCaption(ton_text(leeg.tonnage, 5));
    lbl("vol_mm").SetCaption(cm_text(vol.fractie, 5) + " <=>");
    lbl("vol_mm_ton").SetCaption(ton_text(vol.fractie_tonnage, 5));
    lbl("vol_cm").SetCaption(format_int(vol.cm_laag) + " CM <=>");
    lbl("vol_cm_ton").SetCaption(ton_text(vol.tonnage_laag, 5));
    lbl("vol_cm_totaal").SetCaption(ton_text(vol.tonnage, 5));
    lbl("winstVerlies_label").SetCaption(kCaptions[(leeg.tonnage > 0 ? 21 : 22) - 1][taal]);
    lbl("Verlies_winst").SetCaption(ton_text(std::abs(leeg.tonnage), 5));
    lbl("Totaal").SetCaption(ton_text(text::ext_sub(vol.tonnage, leeg.tonnage), 5));
}

// The readings of one state and the layout of its columns: the arrow stands five units left of the
// widest starboard text (that of the side sum as the previous build left it included), the port
// column three units left of the arrow, the heading centred over it.
void SurveyPage::lay_out_state(const StateColumns& c, const std::int64_t* port_readings,
                               const std::int64_t* starboard_readings) {
    for (int n = 0; n < 5; ++n) c.port[n]->SetCaption(reading_text(port_readings[n]));
    for (int n = 0; n < 5; ++n) c.starboard[n]->SetCaption(reading_text(starboard_readings[n]));
    int w = 0;
    for (PRLabel* label : c.starboard) w = std::max(w, label->GetTextWidth());
    w = std::max(w, c.starboard_sum->GetTextWidth());

    c.port_rule->SetCaption("-- +");
    while (c.port_rule->GetTextWidth() < w) c.port_rule->SetCaption("-" + c.port_rule->Caption());
    c.starboard_rule->SetCaption(c.port_rule->Caption());

    const int p = c.starboard[0]->Left() + c.starboard[0]->Width() - w - 5;
    c.heading->SetLeft(p - c.heading->GetTextWidth() / 2);
    c.arrows[0]->SetLeft(p - 5);
    for (int n = 1; n <= 5; ++n) c.arrows[n]->SetLeft(p);
    for (PRLabel* label : c.port) label->SetLeft(p - 68);
    c.port_sum->SetLeft(p - 68);
    c.port_rule->SetLeft(p - 68);
}

void prepare_survey_report(PReport& report) {
    report.SetFileName("default.pdf");
    // 28 April 2011, 08:53:16: every report carries this creation date, whatever the day.
    report.SetCreationDate(40661.3703296412);
}

void write_page(PReport& report, PRPage& page, const std::string& file_name) {
    report.SetFileName(file_name);
    report.StartDocument();
    report.PrintPage(page);
    report.EndDocument();
}

void write_survey_report(const survey::SurveyValue& survey, const survey::ShipParticulars& ship,
                         int print_language, const std::string& file_name,
                         std::function<pdf::DateTime()> clock) {
    SurveyPage page;
    PReport report;
    start_survey_report(report, page, survey, ship, print_language, std::move(clock));
    report.SetFileName(file_name);
    report.EndDocument();
}

std::string survey_report_pdf(const survey::SurveyValue& survey, const survey::ShipParticulars& ship,
                              int print_language, std::function<pdf::DateTime()> clock) {
    SurveyPage page;
    PReport report;
    start_survey_report(report, page, survey, ship, print_language, std::move(clock));
    pdf::MemoryStream bytes;
    report.EndDocument(bytes);
    return bytes.data();
}

}  // namespace ijken::report
