// The report's page as designed, with every component at its designed place. Positions are page
// units within the component's parent.
#include <string>

#include "core/report/survey_page.h"
#include "core/text/numbers.h"

namespace ijken::report {

namespace {

using pdf::Alignment;
using text::format_int;

constexpr Alignment kLeft = Alignment::taLeftJustify;
constexpr Alignment kRight = Alignment::taRightJustify;
constexpr Alignment kCentre = Alignment::taCenter;

// The value columns of the body: x and width.
constexpr int kEmptyPortX = 100, kEmptyPortW = 65;
constexpr int kEmptyCmX = 130, kCmW = 93;
constexpr int kEmptyX = 220, kEmptyW = 70;
constexpr int kLoadedCmX = 300;
constexpr int kLoadedPortX = 330, kLoadedPortW = 65;
constexpr int kLoadedX = 405, kLoadedW = 65;
constexpr int kCaptionX = 15;

PRLayoutPanel& panel(PRControl& parent, const std::string& name, Align align, int height) {
    auto& p = parent.Add<PRLayoutPanel>(name);
    p.SetHeight(height);
    p.SetAlign(align);
    return p;
}

PRLabel& label(PRControl& parent, const std::string& name, int x, int y, int w, int h, Alignment alignment,
               std::string caption) {
    auto& l = parent.Add<PRLabel>(name);
    l.SetBounds(x, y, w, h);
    l.SetAlignment(alignment);
    l.SetCaption(std::move(caption));
    return l;
}

// A number of the body: 15 high at the top of its part, right-aligned.
PRLabel& value(PRControl& parent, const std::string& name, int x, int w, std::string placeholder) {
    return label(parent, name, x, 0, w, 15, kRight, std::move(placeholder));
}

// A rule under a column of numbers. The addition rules under the readings and the one under the
// measured mean are raised into the thin part above them (y -4, 12 high); every other rule stands
// like any item of the body, at the top of its part and 15 high.
enum class RuleHeight { raised, plain };
PRLabel& rule(PRControl& parent, const std::string& name, int x, int w, std::string text,
              RuleHeight height = RuleHeight::raised) {
    if (height == RuleHeight::plain) return value(parent, name, x, w, std::move(text));
    return label(parent, name, x, -4, w, 12, kRight, std::move(text));
}

// The grey arrows between the port and starboard readings.
PRLabel& arrow(PRControl& parent, const std::string& name, int x, int y, int w, Alignment alignment,
               std::string text) {
    auto& l = label(parent, name, x, y, w, 22, alignment, std::move(text));
    l.SetFontColor(clGray);
    l.SetFontSize(22);
    return l;
}

// A part of the body: a caption and an empty and a loaded value.
PRLayoutPanel& value_part(PRControl& body, const std::string& name, int height, const std::string& caption,
                          const std::string& empty, const std::string& loaded,
                          const std::string& placeholder) {
    auto& part = panel(body, name, Align::alTop, height);
    label(part, caption, kCaptionX, 0, 178, 15, kLeft, caption);
    value(part, empty, kEmptyX, kEmptyW, placeholder);
    value(part, loaded, kLoadedX, kLoadedW, placeholder);
    return part;
}

// A part of five columns: caption, empty centimetres and tonnage, loaded centimetres and tonnage.
void centimetre_part(PRControl& body, const std::string& name, const std::string& caption,
                     const std::string& empty_cm, const std::string& empty_ton, const std::string& loaded_cm,
                     const std::string& loaded_ton) {
    auto& part = panel(body, name, Align::alTop, 20);
    label(part, caption, kCaptionX, 0, 140, 15, kLeft, caption);
    value(part, empty_cm, kEmptyCmX, kCmW, "180 CM <=>");
    value(part, empty_ton, kEmptyX, kEmptyW, "409.270 Ton");
    value(part, loaded_cm, kLoadedCmX, kCmW, "180 CM <=>");
    value(part, loaded_ton, kLoadedX, kLoadedW, "409.270 Ton");
}

void rules(PRControl& body, const std::string& name, const std::string& empty, const std::string& loaded,
           const std::string& text, RuleHeight height = RuleHeight::plain) {
    auto& part = panel(body, name, Align::alTop, 8);
    if (!empty.empty()) rule(part, empty, kEmptyX, kEmptyW, text, height);
    rule(part, loaded, kLoadedX, kLoadedW, text, height);
}

}  // namespace

void SurveyPage::build_page() {
    PRPage& page = page_;
    page.SetBounds(0, 0, 546, 842);
    page.SetMarginTop(15);
    page.SetMarginLeft(15);
    page.SetMarginRight(17);
    page.SetMarginBottom(15);

    // ---- header: the ship's name, and its particulars in a left and a right column ----
    auto& header = panel(page, "KopLayout", Align::alTop, 121);
    auto& name_panel = panel(header, "PRLayoutPanel4", Align::alTop, 30);
    auto& name_label = name_panel.Add<PRLabel>("naam_veld");
    name_label.SetAlign(Align::alClient);
    name_label.SetFontBold(true);
    name_label.SetFontSize(25);
    name_label.SetAlignment(kCentre);
    name_label.SetCaption("naam_veld");
    auto& left = panel(header, "PRLayoutPanel2", Align::alTop, 91);
    for (int i = 1; i <= 4; ++i) {
        auto& line = left.Add<PRLabel>("veld" + format_int(i));
        line.SetHeight(22);
        line.SetAlign(Align::alTop);
        line.SetCaption(line.Name());
    }
    auto& right = header.Add<PRLayoutPanel>("koprechtsPanel");
    right.SetBounds(39, 25, 473, 111);
    for (int i = 5; i <= 8; ++i) {
        auto& line = right.Add<PRLabel>("veld" + format_int(i));
        line.SetHeight(22);
        line.SetAlign(Align::alTop);
        line.SetCaption(line.Name());
    }

    // ---- body: the survey worked out, parts stacked from the top ----
    auto& body = panel(page, "PRLayoutPanel1", Align::alClient, 689);
    auto& double_rule = body.Add<PRRect>("PRRect2");
    double_rule.SetHeight(2);
    double_rule.SetAlign(Align::alTop);
    panel(body, "PRLayoutPanel29", Align::alTop, 8);
    auto& meetbrief = body.Add<PRLabel>("Meetbrief_text");
    meetbrief.SetHeight(20);
    meetbrief.SetAlign(Align::alTop);
    meetbrief.SetCaption("Meetbrief_text");

    auto& parties = panel(body, "PRLayoutPanel5", Align::alTop, 85);
    struct Half {
        const char* panel;
        Align align;
        int width;
        const char* title;
        int title_width;
        const char* text;
    };
    for (const Half& h :
         {Half{"PRLayoutPanel6", Align::alLeft, 281, "verlader_titel", 81, "verlader_text"},
          Half{"PRLayoutPanel7", Align::alClient, 231, "ontvanger_titel", 73, "ontvanger_text"}}) {
        auto& half = parties.Add<PRLayoutPanel>(h.panel);
        half.SetWidth(h.width);
        half.SetAlign(h.align);
        auto& title = half.Add<PRText>(h.title);
        title.SetWidth(h.title_width);
        title.SetAlign(Align::alLeft);
        auto& text = half.Add<PRText>(h.text);
        text.SetAlign(Align::alClient);
    }

    auto& headings = panel(body, "PRLayoutPanel10", Align::alTop, 20);
    label(headings, "leeg_label", 220, 0, 80, 15, kLeft, "Leeg");
    label(headings, "vol_label", 400, 0, 80, 15, kLeft, "Vol");
    auto& arrows = panel(body, "PRLayoutPanel17", Align::alTop, 20);
    arrow(arrows, "pijlleeg1", 169, 2, 12, kCentre, "/\\");
    arrow(arrows, "pijlvol1", 399, 2, 12, kCentre, "/\\");

    for (int n = 1; n <= 5; ++n) {
        const std::string nr = format_int(n);
        auto& row = panel(body, "regel" + nr, Align::alTop, 20);
        label(row, "lbl" + nr, kCaptionX, 0, 80, 15, kLeft, "lbl" + nr);
        value(row, "ijk_bb_l_" + nr, kEmptyPortX, kEmptyPortW, "210.1 CM");
        arrow(row, "pijlleeg" + format_int(n + 1), 174, -2, 5, kRight, "|");
        value(row, "ijk_sb_l_" + nr, kEmptyX, kEmptyW, "210.1 CM");
        value(row, "ijk_bb_v_" + nr, kLoadedPortX, kLoadedPortW, "212.0 CM");
        arrow(row, "pijlvol" + format_int(n + 1), 404, 0, 5, kRight, "|");
        value(row, "ijk_sb_v_" + nr, kLoadedX, kLoadedW, "212.0 CM");
    }

    auto& sum_rules = panel(body, "PRLayoutPanel18", Align::alTop, 8);
    rule(sum_rules, "streep_leeg_bb", kEmptyPortX, kEmptyPortW, "------- +");
    rule(sum_rules, "streep_leeg_sb", kEmptyX, kEmptyW, "------- +");
    rule(sum_rules, "streep_vol_bb", kLoadedPortX, kLoadedPortW, "------- +");
    rule(sum_rules, "streep_vol_sb", kLoadedX, kLoadedW, "------- +");
    auto& sums = panel(body, "PRLayoutPanel16", Align::alTop, 35);
    value(sums, "bb_l_tot", kEmptyPortX, kEmptyPortW, "210.1 CM");
    // These two are read before they are replaced: their width at the first build comes from here.
    value(sums, "sb_l_tot", kEmptyX, kEmptyW, "210.1 CM");
    value(sums, "bb_v_tot", kLoadedPortX, kLoadedPortW, "212.0 CM");
    value(sums, "sb_v_tot", kLoadedX, kLoadedW, "212.0 CM");

    value_part(body, "PRLayoutPanel13", 20, "totaal_label", "Totaal_leeg", "Totaal_vol", "1260.6 CM");
    value_part(body, "PRLayoutPanel11", 20, "gedeelddoor_label", "aantalijken_leeg", "aantalijken_vol", "6");
    value_part(body, "PRLayoutPanel8", 35, "gemiddeld_label", "leeg_gemiddeld", "vol_gemiddeld", "210.1 CM");
    value_part(body, "PRLayoutPanel12", 20, "maxinzinking_label", "maxinzinking_leeg", "maxinzinking_vol",
               "251.0 CM");
    value_part(body, "PRLayoutPanel14", 20, "gemeten_label", "gemeten_leeg", "gemeten_vol", "210.1 CM");
    rules(body, "PRLayoutPanel21", "PRLabel2", "PRLabel4", "------------ -", RuleHeight::raised);
    value_part(body, "PRLayoutPanel15", 35, "inzinking_label", "Inzinking_leeg", "Inzinking_vol", "40.9 CM");

    centimetre_part(body, "PRLayoutPanel20", "velplaatsing_label1", "per_cm_L_T_2", "per_cm_L_2",
                    "per_cm_V_T_2", "per_cm_V_2");
    centimetre_part(body, "PRLayoutPanel24", "velplaatsing_label2", "per_cm_L_T_1", "per_cm_L_1",
                    "per_cm_V_T_1", "per_cm_V_1");
    rules(body, "PRLayoutPanel22", "PRLabel1", "PRLabel3", "------------ -");
    auto& per_cm = panel(body, "PRLayoutPanel19", Align::alTop, 35);
    label(per_cm, "perCM_label", kCaptionX, 0, 140, 15, kLeft, "perCM_label");
    value(per_cm, "per_cm_L", kEmptyX, kEmptyW, "2.170 Ton");
    value(per_cm, "per_cm_V", kLoadedX, kLoadedW, "2.170 Ton");
    centimetre_part(body, "PRLayoutPanel25", "Inzinking_label1", "leeg_mm", "leeg_mm_ton", "vol_mm",
                    "vol_mm_ton");
    centimetre_part(body, "PRLayoutPanel27", "Inzinking_label2", "leeg_cm", "leeg_cm_ton", "vol_cm",
                    "vol_cm_ton");
    rules(body, "PRLayoutPanel28", "PRLabel7", "PRLabel8", "------------ +");
    auto& displacement = panel(body, "PRLayoutPanel23", Align::alTop, 20);
    value(displacement, "leeg_cm_totaal", kEmptyX, kEmptyW, "409.270 Ton");
    value(displacement, "vol_cm_totaal", kLoadedX, kLoadedW, "409.270 Ton");
    auto& gain = panel(body, "PRLayoutPanel3", Align::alTop, 20);
    label(gain, "winstVerlies_label", 300, 0, 93, 15, kLeft, "winstVerlies_label");
    value(gain, "Verlies_winst", kLoadedX, kLoadedW, "409.270 Ton");
    rules(body, "PRLayoutPanel30", "", "PRLabel9", "------------ +/-");
    auto& geladen = panel(body, "PRLayoutPanel9", Align::alTop, 20);
    label(geladen, "totaalGeladen_label", 300, 0, 93, 15, kLeft, "totaalGeladen_label");
    value(geladen, "Totaal", kLoadedX, kLoadedW, "409.270 Ton");
    rules(body, "PRLayoutPanel31", "", "PRLabel11", "=============");
}

}  // namespace ijken::report
