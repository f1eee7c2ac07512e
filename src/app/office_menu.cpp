#include "app/office_menu.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QSettings>

#include "app/auto_send.h"
#include "app/office_push.h"
#include "core/forms/label.h"
#include "core/main_window/form1.h"
#include "core/text/cp1252.h"
#include "core/text/numbers.h"
#include "fleet/conninfo.h"
#include "fleet/pg_connection.h"

namespace ijken::app {

namespace {

const char* const kSettingsKey = "office/connection";
const char* const kAutomaticKey = "office/send_automatically";

QSettings user_settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "ijken", "ijken");
}

// The settings name the office and its user: the file is the user's alone (0600), from before the
// first byte goes in until after the last.
void remember(const char* key, const QVariant& value) {
    const QString file = user_settings().fileName();
    QDir().mkpath(QFileInfo(file).path());
    const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) ::close(fd);
    const QFileDevice::Permissions own = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile::setPermissions(file, own);
    {
        QSettings settings = user_settings();
        settings.setValue(key, value);
        settings.sync();
    }
    QFile::setPermissions(file, own);
}

// Asks for the connection, proposing the one remembered; nothing when the user cancels. A
// connection holding a password is refused: the settings file is plain text, and libpq reads the
// password from ~/.pgpass.
std::optional<std::string> ask_connection(const QString& current, forms::Dialogs& dialogs) {
    QString proposed = current;
    while (true) {
        bool ok = false;
        const QString text = QInputDialog::getText(
            QApplication::activeWindow(), office_text("Verbinding met het kantoor"),
            office_text("De kantoordatabase (PostgreSQL), bijvoorbeeld\n"
                        "host=kantoor.example.nl dbname=vloot user=schip_anna sslmode=require\n"
                        "Het wachtwoord staat in ~/.pgpass, niet hier."),
            QLineEdit::Normal, proposed, &ok);
        if (!ok || text.trimmed().isEmpty()) return std::nullopt;
        const std::string connection = text.trimmed().toStdString();
        if (!fleet::holds_password(connection)) {
            remember(kSettingsKey, text.trimmed());
            return connection;
        }
        dialogs.error_utf8(
            "Een wachtwoord wordt niet bewaard: de instellingen zijn een gewoon tekstbestand.\n"
            "Zet het wachtwoord in ~/.pgpass (host:poort:database:gebruiker:wachtwoord, alleen voor u "
            "leesbaar: chmod 600 ~/.pgpass) en laat het hier weg.");
        proposed = QString::fromStdString(fleet::mask_passwords(connection, connection));
    }
}

std::string count(long long n, const char* one, const char* many) {
    return text::format_int(n) + " " + (n == 1 ? one : many);
}

void report(const PushOutcome& o, forms::Dialogs& dialogs) {
    if (o.done) {
        const fleet::PushSummary& s = o.summary;
        std::string message = "Naar kantoor verstuurd: " + count(s.ships, "schip", "schepen") + " en " +
                              count(s.surveys, "opname", "opnames") + ".\n" +
                              count(s.surveys_changed, "opname", "opnames") + " nieuw of gewijzigd, " +
                              text::format_int(s.surveys_deleted) + " als verwijderd gemarkeerd, " +
                              count(s.tables_replaced, "ijktabel", "ijktabellen") + " nieuw of vervangen.";
        for (const std::string& p : s.problems) message += "\nZonder uitkomst verstuurd: " + p;
        dialogs.information(text::utf8_to_cp1252(message));
        return;
    }
    if (o.cancelled) {
        dialogs.information(text::utf8_to_cp1252("Versturen afgebroken; op kantoor is niets veranderd."));
        return;
    }
    // The answer to the commit did not come: the office may hold the surveys or not.
    if (o.error.find(fleet::kOutcomeUnknown) != std::string::npos) {
        dialogs.error_utf8("Het is niet bekend of het kantoor dit ontvangen heeft; verstuur opnieuw: nogmaals "
                           "versturen verandert niets twee keer.\n" + o.error);
        return;
    }
    // A connection the program cannot even read is asked for again next time.
    if (o.exit_status == 2) user_settings().remove(kSettingsKey);
    dialogs.error_utf8("Versturen naar kantoor is niet gelukt; er is niets veranderd.\n" + o.error);
}

void push_to_office(survey::Form1& form, forms::Dialogs& dialogs, AutoSend& sender) {
    if (sender.sending()) {
        // The window stays usable while a send runs; the item is the way to stop it.
        if (dialogs.confirm(form.get<forms::Label>("tx_kantoor_afbreken").caption(), forms::Answer::no)) {
            sender.cancel();
        }
        return;
    }
    const QString stored = user_settings().value(kSettingsKey).toString();
    const auto connection = stored.isEmpty() ? ask_connection(stored, dialogs) : std::optional(stored.toStdString());
    if (!connection) return;
    sender.send_now([&dialogs](const PushOutcome& o) { report(o, dialogs); });
}

}  // namespace

std::optional<std::string> remembered_office_connection() {
    const QString stored = user_settings().value(kSettingsKey).toString();
    if (stored.isEmpty()) return std::nullopt;
    return stored.toStdString();
}

OfficeActions office_actions(survey::Form1& form, forms::Dialogs& dialogs, fleet::SendTimings timings) {
    // One push at a time, for as long as the program runs; a push still going at the end is
    // cancelled and waited for.
    SendSettings settings{
        [] { return user_settings().value(kSettingsKey).toString().trimmed().toStdString(); },
        [] { return user_settings().value(kAutomaticKey, true).toBool(); },
        [](bool on) { remember(kAutomaticKey, on); }};
    set_office_language(&dialogs);
    auto sender = std::make_shared<AutoSend>(form, std::move(settings), timings);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [weak = std::weak_ptr<AutoSend>(sender)] {
        if (auto s = weak.lock()) s->cancel();
    });
    sender->start();
    return {[&form, &dialogs, sender] { push_to_office(form, dialogs, *sender); },
            [&dialogs, sender] {
                if (ask_connection(user_settings().value(kSettingsKey).toString(), dialogs)) sender->connection_changed();
            }};
}

}  // namespace ijken::app
