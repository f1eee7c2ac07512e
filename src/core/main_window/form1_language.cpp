// The main window's interface languages: translating every window, switching the language.
#include <filesystem>
#include <utility>
#include <vector>

#include "core/lang/builtin_texts.h"
#include "core/main_window/form1.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

// The windows the language files translate, with their sections: the main window, then the
// gauge table, the ship particulars and the report, then any other window that has a section,
// in the order of the list.
std::vector<std::pair<std::string, forms::Form*>> translated_windows(Form1& main) {
    std::vector<std::pair<std::string, forms::Form*>> result{{"form1", &main}};
    const char* const designed[] = {"ijkeninvoer", "schipinvoer", "print"};
    for (const char* section : designed) {
        for (const auto& w : main.windows()) {
            if (w.section == section) result.emplace_back(w.section, w.form.get());
        }
    }
    for (const auto& w : main.windows()) {
        if (w.section.empty()) continue;
        if (w.section == designed[0] || w.section == designed[1] || w.section == designed[2]) continue;
        result.emplace_back(w.section, w.form.get());
    }
    // The messages' templates, last: no window of its own, but translated as one.
    result.emplace_back(lang::MessageForm::kSection, &main.messages());
    return result;
}

}  // namespace

void Form1::configure_languages() {
    // German windows without rebuilding: language 3 is there when its file is (the program puts a
    // delivered copy here at start); without it the menu stays as designed.
    lang::Taal& taal = session().taal();
    std::error_code ec;
    if (!std::filesystem::exists(taal.directory() + "tld.tln", ec)) return;
    taal.set_TaalFile3("tld.tln");
    get<forms::MenuItem>("DE1").set_visible(true);
}

void Form1::Vertaal() {
    translate_windows();
    // The language is remembered with the ship (when there is one).
    session().remember_language();
}

void Form1::translate_windows() {
    const lang::Taal& taal = session().taal();
    taal.translate_forms(translated_windows(*this));
    name_for_screen_readers();
    if (services.language != nullptr)
        services.language->set_language(lang::language_code(taal.ActiveTaalFile()));

    auto& choice = get<forms::RadioGroup>("TaalKeuze");
    if (taal.ActiveTaalFile() == 1) {
        choice.set_items({"Nederlands", "Frans", "Duits"});
    } else if (taal.ActiveTaalFile() == 2) {
        // Windows-1252: \351 is "é", \347 is "ç".
        choice.set_items({"N\351erlandais", "Fran\347ais", "Allemand"});
    } else if (taal.ActiveTaalFile() == 3) {
        // \344 is "ä", \366 is "ö".
        choice.set_items({"Niederl\344ndisch", "Franz\366sisch", "Deutsch"});
    }
}

void Form1::translate_other_windows() {
    auto windows = translated_windows(*this);
    windows.erase(windows.begin());  // the main window itself
    if (!windows.empty()) session().taal().translate_forms(windows);
}

// The session stores the language with the ship and tells; the windows are translated then.
void Form1::NL1Click() {
    session().switch_language(1);
}

void Form1::FR1Click() {
    session().switch_language(2);
}

void Form1::DE1Click() {
    session().switch_language(3);
}

void Form1::Maaktaalfile1Click() {
    for (const auto& [section, form] : translated_windows(*this)) session().taal().SaveFormTexts(section, *form);
}

}  // namespace ijken::survey
