// The main window's list of the program's other windows, and the menu items that open them: the
// program creates the windows and says what each item does (program/program_windows.cpp).
#include <stdexcept>

#include "core/main_window/form1.h"

namespace ijken::survey {

forms::Form& Form1::add_window(std::unique_ptr<forms::Form> form, std::string section) {
    windows_.push_back(OtherWindow{std::move(form), std::move(section)});
    return *windows_.back().form;
}

void Form1::open_modal(forms::Form& form, std::function<void()> then) {
    if (services.modal == nullptr) throw std::logic_error("No modal display to show \"" + form.name() + "\" in");
    hide();
    services.modal->show_modal(form, [this, then = std::move(then)] {
        show();
        if (then) then();
    });
}

namespace {

void run(const std::function<void()>& action) {
    if (action) action();
}

}  // namespace

void Form1::invoeren1click() {
    run(window_actions_.invoeren1click);
}

void Form1::invoer1click() {
    run(window_actions_.invoer1click);
}

void Form1::Wijzigen2Click() {
    run(window_actions_.Wijzigen2Click);
}

void Form1::scheepsgegevensclick() {
    run(window_actions_.scheepsgegevensclick);
}

void Form1::reload_ships() {
    bouw_schepenmenu();
    laad_schip();
}

void Form1::afdrukken1click() {
    run(window_actions_.afdrukken1click);
}

void Form1::cTarvik1Click() {
    run(window_actions_.cTarvik1Click);
}

void Form1::taaleditor1Click() {
    run(window_actions_.taaleditor1Click);
}

}  // namespace ijken::survey
