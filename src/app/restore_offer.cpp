#include "app/restore_offer.h"

#include <atomic>
#include <filesystem>
#include <memory>

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>

#include "app/office_menu.h"
#include "app/office_push.h"
#include "core/text/cp1252.h"
#include "fleet/conninfo.h"
#include "fleet/restore.h"

namespace ijken::app {

namespace {

struct Attempt {
    bool done = false;
    std::string error;  // UTF-8
};

// The restore on a thread of its own, while a progress dialog with "Annuleren" stands: the office
// may be far away on a slow link. Cancelling closes the connection; nothing is written then.
Attempt restore_with_progress(const std::string& db_pad, const std::string& conninfo) {
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    auto attempt = std::make_shared<Attempt>();
    QThread* thread = QThread::create([db_pad, conninfo, cancel, attempt] {
        try {
            fleet::PgConnection db(conninfo, fleet::kReadLimits, cancel.get());
            fleet::restore_installation(db, std::nullopt, db_pad);
            attempt->done = true;
        } catch (const std::exception& e) {
            attempt->error = fleet::one_line(e.what());
        }
    });
    QProgressDialog progress(office_text("De database wordt van het kantoor teruggehaald…"), office_text("Annuleren"),
                             0, 0);
    progress.setWindowTitle(office_text("Terughalen van het kantoor"));
    progress.setMinimumDuration(0);
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    QObject::connect(&progress, &QProgressDialog::canceled, [cancel] { cancel->store(true); });
    thread->start();
    progress.show();
    loop.exec();
    thread->wait();
    delete thread;
    if (cancel->load() && !attempt->done) attempt->error.clear();
    return *attempt;
}

std::string shown(const std::string& utf8) {
    try {
        return text::utf8_to_cp1252(utf8);
    } catch (const std::exception&) {
        return "?";
    }
}

}  // namespace

bool restore_offered(const std::string& db_pad) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(db_pad, ec))) return false;
    return remembered_office_connection().has_value();
}

void offer_restore(const std::string& db_pad, forms::Dialogs& dialogs) {
    const auto conninfo = remembered_office_connection();
    if (!conninfo) return;
    const std::string office = shown(fleet::mask_passwords(*conninfo, *conninfo));
    if (!dialogs.confirm("Er is hier geen database (" + shown(db_pad) + ").\n"
                         "Wilt u de schepen, ijktabellen en opnames terughalen van het kantoor (" + office +
                         ")?\nKies Nee voor een nieuwe database met voorbeeldschepen.",
                         forms::Answer::yes)) {
        return;
    }
    while (true) {
        const Attempt a = restore_with_progress(db_pad, *conninfo);
        if (a.done) {
            dialogs.information("De database is van het kantoor teruggehaald.");
            return;
        }
        if (a.error.empty()) return;  // cancelled: a new database, as the skipper chose to go on
        dialogs.error_utf8("Terughalen van het kantoor is niet gelukt.\n" + a.error);
        if (!dialogs.confirm("Opnieuw proberen? Kies Nee voor een nieuwe database met voorbeeldschepen.",
                             forms::Answer::yes)) {
            return;
        }
    }
}

}  // namespace ijken::app
