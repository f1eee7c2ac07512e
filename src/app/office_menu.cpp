#include "app/office_menu.h"

#include <QApplication>
#include <QInputDialog>
#include <QSettings>

#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/pg_connection.h"
#include "fleet/push.h"

namespace ijken::app {

namespace {

const char* const kSettingsKey = "office/connection";

QSettings user_settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken");
}

// Asks for the connection, proposing the one remembered; nothing when the user cancels.
std::optional<std::string> ask_connection(const QString& current) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        QApplication::activeWindow(), QString::fromUtf8("Verbinding met het kantoor"),
        QString::fromUtf8("De kantoordatabase (PostgreSQL), bijvoorbeeld\n"
                          "host=kantoor.example.nl dbname=vloot user=schip_anna sslmode=require\n"
                          "Het wachtwoord staat in ~/.pgpass, niet hier."),
        QLineEdit::Normal, current, &ok);
    if (!ok || text.trimmed().isEmpty()) return std::nullopt;
    user_settings().setValue(kSettingsKey, text.trimmed());
    return text.trimmed().toStdString();
}

std::string count(long long n, const char* one, const char* many) {
    return text::format_int(n) + " " + (n == 1 ? one : many);
}

void push_to_office(survey::Form1& form, forms::Dialogs& dialogs) {
    const QString stored = user_settings().value(kSettingsKey).toString();
    const auto connection = stored.isEmpty() ? ask_connection(stored) : std::optional(stored.toStdString());
    if (!connection) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const fleet::PushSummary s = fleet::push(form.db_pad, *connection);
        QApplication::restoreOverrideCursor();
        std::string message = "Naar kantoor verstuurd: " + count(s.ships, "schip", "schepen") + " en " +
                              count(s.surveys, "opname", "opnames") + ".\n" +
                              count(s.surveys_changed, "opname", "opnames") + " nieuw of gewijzigd, " +
                              text::format_int(s.surveys_deleted) + " als verwijderd gemarkeerd, " +
                              count(s.tables_replaced, "ijktabel", "ijktabellen") + " nieuw of vervangen.";
        for (const std::string& p : s.problems) message += "\nZonder uitkomst verstuurd: " + p;
        dialogs.information(text::utf8_to_cp1252(message));
    } catch (const std::exception& e) {
        QApplication::restoreOverrideCursor();
        const auto* fleet_error = dynamic_cast<const fleet::FleetError*>(&e);
        // A connection the program cannot even read is asked for again next time.
        if (fleet_error && fleet_error->exit_status() == 2) user_settings().remove(kSettingsKey);
        const std::string reason = fleet_error ? e.what() : text::cp1252_to_utf8(e.what());
        dialogs.error_utf8("Versturen naar kantoor is niet gelukt; er is niets veranderd.\n" + reason);
    }
}

}  // namespace

void add_office_menu(survey::Form1& form, forms::Dialogs& dialogs) {
    form.office_push = [&form, &dialogs] { push_to_office(form, dialogs); };
    form.office_connection = [] { ask_connection(user_settings().value(kSettingsKey).toString()); };
}

}  // namespace ijken::app
