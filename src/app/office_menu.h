#pragma once
// Extra > "Naar kantoor versturen…": the main window's way to push its database to the office.
#include "core/forms/services.h"
#include "core/main_window/form1.h"

namespace ijken::app {

// Adds the items to the main form's Extra menu. The first push asks for the connection and
// remembers it in the user's own settings (never in the database); "Kantoorverbinding
// instellen…" changes it.
void add_office_menu(survey::Form1& form, forms::Dialogs& dialogs);

}  // namespace ijken::app
