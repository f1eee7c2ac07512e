#include "core/program/program_windows.h"

#include "core/about/aboutform.h"
#include "core/lang/editor.h"
#include "core/main_window/form1.h"
#include "core/main_window/survey_list_form.h"
#include "core/report/print_form.h"
#include "core/shipdata/ijkeninvoerform.h"
#include "core/shipdata/schipinvoer.h"

namespace ijken::program {

namespace {

// The program's other windows, as created.
struct Windows {
    shipdata::Ijkeninvoerform& gauge_table;
    report::Print_form& report;
    shipdata::Schipinvoer& ship;
    about::Aboutform& about;
    lang::Editor& editor;
    survey::SurveyListForm& survey_list;
};

// Creates a window and appends it to the main window's list (which the translation walks).
template <class W, class... Args>
W& add(survey::Form1& form1, const char* section, Args&&... args) {
    return static_cast<W&>(form1.add_window(std::make_unique<W>(std::forward<Args>(args)...), section));
}

// What the main window's menu items open.
void wire_menu(survey::Form1& form1, const Windows& w) {
    survey::Form1::WindowActions actions;
    // After the ship window closes the ships may have changed: menus and ship are loaded anew.
    actions.invoeren1click = [&form1, &w = w.ship] { w.OpenNew([&form1] { form1.reload_ships(); }); };
    actions.scheepsgegevensclick = [&form1, &w = w.ship] {
        w.OpenSelected([&form1] { form1.reload_ships(); });
    };
    actions.invoer1click = [&form1, &w = w.gauge_table] { w.OpenForNewTable(form1.session().ship_id()); };
    actions.Wijzigen2Click = [&w = w.gauge_table] { w.OpenForEdit(); };
    actions.afdrukken1click = [&form1, &w = w.report] { form1.open_modal(w); };
    actions.cTarvik1Click = [&form1, &w = w.about] { form1.open_modal(w); };
    // Beside the main window, not modal: the user switches between the two.
    actions.taaleditor1Click = [&w = w.editor] { w.show(); };
    // Beside the main window too: the main window stays visible to show the survey opened from
    // the list, and its formshow (which goes back to the newest survey) does not run.
    actions.Opnamelijst1Click = [&w = w.survey_list] { w.open(); };
    form1.set_window_actions(std::move(actions));
}

}  // namespace

void create_windows(survey::Form1& form1) {
    session::Session& session = form1.session();
    // The gauge table and ship windows show in place of the main window, which comes back when
    // they close.
    auto in_place_of_main = [&form1](forms::Form& window, std::function<void()> then) {
        form1.open_modal(window, std::move(then));
    };
    auto& gauge_table =
        add<shipdata::Ijkeninvoerform>(form1, "ijkeninvoer", session, form1.services, in_place_of_main);
    auto& report = add<report::Print_form>(form1, "print", session, form1.services,
                                           [&form1] { return form1.own_files(); });
    auto& ship = add<shipdata::Schipinvoer>(form1, "schipinvoer", session, form1.services, in_place_of_main);
    // A new ship's gauge certificate comes next; the ship window closes when that one has.
    ship.open_gauge_table = [&gauge_table](int ship_id, std::function<void()> then) {
        gauge_table.OpenForNewTable(ship_id, std::move(then));
    };
    // The about box and the language editor are not translated.
    auto& about = add<about::Aboutform>(form1, "", form1.services);
    // The language editor is shown beside the main window, not modally; what it saves translates
    // every window again.
    auto& editor = add<lang::Editor>(form1, "", session.taal(), [&form1] { form1.Vertaal(); });
    // Beside the design: the survey list, translated by a section of its own.
    auto& survey_list = add<survey::SurveyListForm>(form1, "opnamelijst", session);
    wire_menu(form1, Windows{gauge_table, report, ship, about, editor, survey_list});
}

}  // namespace ijken::program
