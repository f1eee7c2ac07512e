#include "core/program/program_windows.h"

#include "core/about/aboutform.h"
#include "core/lang/editor.h"
#include "core/report/print_form.h"
#include "core/shipdata/ijkeninvoerform.h"
#include "core/shipdata/schipinvoer.h"
#include "core/main_window/form1.h"
#include "core/main_window/opnamelijstform.h"

namespace ijken::program {

namespace {

// What the main window's menu items open: each finds its window in the main window's list.
void wire_menu(survey::Form1& form1) {
    auto& actions = form1.window_actions;
    // After the ship window closes the ships may have changed: menus and ship are loaded anew.
    actions.invoeren1click = [&form1] {
        if (auto* w = form1.window<shipdata::Schipinvoer>()) w->OpenNew([&form1] { form1.herlaad_schepen(); });
    };
    actions.scheepsgegevensclick = [&form1] {
        if (auto* w = form1.window<shipdata::Schipinvoer>()) w->OpenSelected([&form1] { form1.herlaad_schepen(); });
    };
    actions.invoer1click = [&form1] {
        if (auto* w = form1.window<shipdata::Ijkeninvoerform>()) w->OpenForNewTable(form1.session().ship_id());
    };
    actions.Wijzigen2Click = [&form1] {
        if (auto* w = form1.window<shipdata::Ijkeninvoerform>()) w->OpenForEdit();
    };
    actions.afdrukken1click = [&form1] {
        if (auto* w = form1.window<report::Print_form>()) form1.open_modal(*w);
    };
    actions.cTarvik1Click = [&form1] {
        if (auto* w = form1.window<about::Aboutform>()) form1.open_modal(*w);
    };
    // Beside the main window, not modal: the user switches between the two.
    actions.taaleditor1Click = [&form1] {
        if (auto* w = form1.window<lang::Editor>()) w->show();
    };
    // Beside the main window too: the main window stays visible to show the survey opened from
    // the list, and its formshow (which goes back to the newest survey) does not run.
    actions.Opnamelijst1Click = [&form1] {
        if (auto* w = form1.window<survey::Opnamelijstform>()) w->open();
    };
}

}  // namespace

void create_windows(survey::Form1& form1) {
    session::Session& session = form1.session();
    // The gauge table and ship windows show in place of the main window, which comes back when
    // they close.
    auto in_place_of_main = [&form1](forms::Form& window, std::function<void()> then) {
        form1.open_modal(window, std::move(then));
    };
    form1.add_window(std::make_unique<shipdata::Ijkeninvoerform>(session, form1.services, in_place_of_main),
                     "ijkeninvoer");
    form1.add_window(std::make_unique<report::Print_form>(session, form1.services,
                                                          [&form1] { return form1.own_files(); }),
                     "print");
    auto& schipinvoer = static_cast<shipdata::Schipinvoer&>(form1.add_window(
        std::make_unique<shipdata::Schipinvoer>(session, form1.services, in_place_of_main), "schipinvoer"));
    // A new ship's gauge certificate comes next; the ship window closes when that one has.
    schipinvoer.open_gauge_table = [&form1](int schip_id, std::function<void()> then) {
        if (auto* w = form1.window<shipdata::Ijkeninvoerform>()) w->OpenForNewTable(schip_id, std::move(then));
        else if (then) then();
    };
    // The about box and the language editor are not translated.
    form1.add_window(std::make_unique<about::Aboutform>(form1.services), "");
    // The language editor is shown beside the main window, not modally; what it saves translates
    // every window again.
    form1.add_window(std::make_unique<lang::Editor>(session.taal(), [&form1] { form1.Vertaal(); }), "");
    // Beside the design: the survey list, translated by a section of its own.
    form1.add_window(std::make_unique<survey::Opnamelijstform>(session), "opnamelijst");
    wire_menu(form1);
}

}  // namespace ijken::program
