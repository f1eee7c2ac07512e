// The warnings beside the result grid: what the last recomputation found doubtful, in a pale
// yellow strip below the survey buttons, with the templates in hidden labels that the language
// files can reword.
#include "core/main_window/form1.h"

namespace ijken::survey {

using forms::Label;
using forms::Rect;

namespace {

// The hidden labels that hold the warning templates, and the template each one starts with.
struct TemplateLabel {
    const char* name;
    std::string WarningTexts::*text;
};
constexpr TemplateLabel kTemplateLabels[] = {
    {"wt_leeg", &WarningTexts::empty},
    {"wt_vol", &WarningTexts::loaded},
    {"wt_buiten_tabel", &WarningTexts::outside_table},
    {"wt_verschil", &WarningTexts::side_difference},
    {"wt_nul_bb", &WarningTexts::zero_port},
    {"wt_nul_sb", &WarningTexts::zero_starboard},
    {"wt_geen_rij", &WarningTexts::no_table_row},
};

// Pale yellow (0x00BBGGRR), the colour of a note, so that a warning stands out from the results.
constexpr int kWarningColour = 0x00E1FFFF;

// What the warnings strip shows: one line per state, and every warning in full in its hint, since
// the strip holds two lines and a long one may be cut off there.
struct StripText {
    std::string caption;
    std::string hint;
};
StripText strip_text(const std::vector<Warning>& warnings, const ShipParams& ship,
                     const WarningTexts& texts) {
    StripText s;
    for (const std::string& line : warning_lines(warnings, ship, texts)) {
        if (!s.caption.empty()) s.caption += '\n';
        s.caption += line;
    }
    for (const Warning& w : warnings) {
        if (!s.hint.empty()) s.hint += '\n';
        s.hint += full_warning_text(w, ship, texts);
    }
    return s;
}

}  // namespace

void Form1::build_warning_strip() {
    // Beside the result grid, below it and the survey buttons: the one free strip of the window.
    // Hidden while there is nothing to say.
    auto& label = add<Label>("LabelWaarschuwing", nullptr, Rect{200, 516, 437, 32});
    label.set_colour(kWarningColour);
    label.set_visible(false);
    label.set_accessible_name("Waarschuwingen");
    // The strip's texts are the warnings, whatever else sets them: translating the window by name
    // would otherwise put a language file's stale text there.
    label.add_observer([this](forms::Control& c) {
        const StripText strip =
            strip_text(session().warnings(), session().survey().ship_params(), warning_texts());
        if (c.caption() != strip.caption || c.hint() != strip.hint) show_warnings();
    });

    const WarningTexts defaults;
    for (const TemplateLabel& t : kTemplateLabels) {
        auto& text = add<Label>(t.name, nullptr, Rect{0, 0, 0, 0}, defaults.*(t.text));
        text.set_visible(false);
        // A translated template shows at once, not only at the next recomputation.
        text.add_observer([this](forms::Control&) {
            if (!session().warnings().empty()) show_warnings();
        });
    }
}

WarningTexts Form1::warning_texts() const {
    WarningTexts texts;
    for (const TemplateLabel& t : kTemplateLabels) texts.*(t.text) = get<Label>(t.name).caption();
    return texts;
}

void Form1::show_warnings() {
    const StripText strip = strip_text(session().warnings(), session().survey().ship_params(), warning_texts());
    auto& label = get<Label>("LabelWaarschuwing");
    label.set_caption(strip.caption);
    label.set_hint(strip.hint);
    label.set_visible(!session().warnings().empty());
}

}  // namespace ijken::survey
