// Extra > Reservekopie maken: a checked copy of the database to a file the user chooses.
#include <ctime>

#include "core/data/database_backup.h"
#include "core/data/own_files.h"
#include "core/main_window/form1.h"
#include "core/text/file_writer.h"
#include "core/text/numbers.h"

namespace ijken::survey {

namespace {

// Today's local date as YYYY-MM-DD, for the proposed name of a backup.
std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return text::format_int(local.tm_year + 1900) + "-" + (local.tm_mon < 9 ? "0" : "") +
           text::format_int(local.tm_mon + 1) + "-" + (local.tm_mday < 10 ? "0" : "") +
           text::format_int(local.tm_mday);
}

}  // namespace

// Asks for a file first; a run without the save-file dialog (a headless test) offers nothing.
void Form1::Backup1Click() {
    if (services.files == nullptr) return;
    const auto file = services.files->save_file(
        {message_text("tx_reservekopie"), "ijken-" + today() + ".db", message_text("tx_db_filter") + "|*.db", "db"});
    if (!file) return;
    data::refuse_own_file(*file, own_files());
    data::backup_database(session().database(), *file);
    dialogs_.information(message_text("tx_opgeslagen", {text::display_path(*file)}));
}

}  // namespace ijken::survey
