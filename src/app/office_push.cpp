#include "app/office_push.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>

#include "core/forms/services.h"
#include "core/text/cp1252.h"
#include "fleet/pg_connection.h"

namespace ijken::app {

namespace {
const forms::Dialogs* office_language = nullptr;
}

void set_office_language(const forms::Dialogs* dialogs) {
    office_language = dialogs;
}

QString office_text(const char* dutch) {
    if (office_language == nullptr) return QString::fromUtf8(dutch);
    return QString::fromUtf8(text::cp1252_to_utf8(office_language->in_language(text::utf8_to_cp1252(dutch))));
}

BackgroundPush::BackgroundPush() = default;

BackgroundPush::~BackgroundPush() {
    if (thread_ == nullptr) return;
    cancel_->store(true);
    thread_->wait();
    delete thread_;
    delete progress_;
}

bool BackgroundPush::start(const std::string& db_pad, const std::string& conninfo, Finished finished,
                           bool with_progress) {
    if (thread_ != nullptr) return false;
    finished_ = std::move(finished);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    outcome_ = std::make_shared<PushOutcome>();
    // The thread owns copies of everything it reads: the window may go on meanwhile.
    thread_ = QThread::create([db_pad, conninfo, cancel = cancel_, outcome = outcome_] {
        try {
            outcome->summary = fleet::push(db_pad, conninfo, cancel.get());
            outcome->done = true;
        } catch (const fleet::FleetError& e) {
            outcome->error = e.what();
            outcome->exit_status = e.exit_status();
        } catch (const std::exception& e) {
            outcome->error = text::cp1252_to_utf8(e.what());
            outcome->exit_status = 1;
        }
        // Cancelled with nothing changed; a cancel after the commit went out is an open outcome.
        outcome->cancelled = !outcome->done && cancel->load() && outcome->error == fleet::kCancelled;
    });
    if (!with_progress) {
        QObject::connect(thread_, &QThread::finished, &context_, [this] { end(); }, Qt::QueuedConnection);
        thread_->start();
        return true;
    }
    progress_ = new QProgressDialog(office_text("Naar kantoor versturen…"), office_text("Annuleren"), 0, 0,
                                    QApplication::activeWindow());
    progress_->setWindowTitle(office_text("Naar kantoor versturen"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(0);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    QObject::connect(progress_, &QProgressDialog::canceled, progress_, [this] { cancel(); });
    // Queued to the window's thread, where the dialog and the window live.
    QObject::connect(thread_, &QThread::finished, progress_, [this] { end(); }, Qt::QueuedConnection);
    thread_->start();
    progress_->show();
    return true;
}

void BackgroundPush::cancel() {
    if (thread_ == nullptr) return;
    cancel_->store(true);
    if (progress_) progress_->setLabelText(office_text("Wordt afgebroken…"));
}

void BackgroundPush::end() {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    const PushOutcome outcome = *outcome_;
    if (finished_) finished_(outcome);
}

}  // namespace ijken::app
