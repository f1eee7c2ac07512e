#pragma once
// Extra > "Naar kantoor versturen…": the main window's way to push its database to the office.
#include <functional>
#include <optional>
#include <string>

#include "core/forms/services.h"
#include "core/session/session.h"

namespace ijken::app {

// What the main window's Extra menu items do. The first push asks for the connection and
// remembers it in the user's own settings (never in the database); "Kantoorverbinding
// instellen…" changes it. The session and the dialogs must outlive the actions.
struct OfficeActions {
    std::function<void()> push;
    std::function<void()> connection;
};
// The office connection remembered in the user's settings, if any.
std::optional<std::string> remembered_office_connection();

OfficeActions office_actions(const session::Session& session, forms::Dialogs& dialogs);

}  // namespace ijken::app
