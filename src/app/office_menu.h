#pragma once
// Extra > "Naar kantoor versturen…": the main window's way to push its database to the office.
#include <functional>
#include <optional>
#include <string>

#include "core/forms/services.h"
#include "core/session/session.h"
#include "fleet/send_schedule.h"

namespace ijken::survey {
class Form1;
}

namespace ijken::app {

// What the main window's Extra menu items do. The first push asks for the connection and
// remembers it in the user's own settings (never in the database); "Kantoorverbinding
// instellen…" changes it. The session and the dialogs must outlive the actions.
struct OfficeActions {
    std::function<void()> push;
    std::function<void()> connection;
};

// With an office connection the program also sends by itself after every stored change (see
// app/auto_send.h), and the send of the menu goes the same way: it never holds the window, its
// progress shows in the menu item's caption, and choosing the item while a send runs offers to
// stop it. "Automatisch naar kantoor versturen" switches sending by itself off and on,
// remembered in the settings. The form must outlive the actions.
OfficeActions office_actions(survey::Form1& form, forms::Dialogs& dialogs, fleet::SendTimings timings = {});

// The office connection remembered in the user's settings, if any.
std::optional<std::string> remembered_office_connection();

}  // namespace ijken::app
