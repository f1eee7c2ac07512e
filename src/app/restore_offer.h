#pragma once
// A barge computer that starts without its database, where an office is configured: the window
// offers to take the database back from the office (ijken restore) before it makes a new one.
#include <string>

#include "core/forms/services.h"

namespace ijken::app {

// Whether to offer it: no file at db_pad, and an office connection remembered in the settings.
bool restore_offered(const std::string& db_pad);

// Asks the skipper; on yes, restores the database at db_pad from the office, showing that it works
// and letting it be cancelled, and asks again after a failure. On no (or once the skipper gives up)
// nothing is written and the program makes its new database as ever. Needs the application.
void offer_restore(const std::string& db_pad, forms::Dialogs& dialogs);

}  // namespace ijken::app
