#pragma once
// The window's push to the office, run on a thread of its own: the window stays responsive, a
// progress dialog shows that the push goes on, and its "Annuleren" ends the push within a tenth of
// a second with nothing changed at the office (unless the commit had gone out: then the outcome
// is open, and said so).
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include "fleet/push.h"

class QThread;

namespace ijken::forms {
class Dialogs;
}

namespace ijken::app {

// The office windows' own texts (given in Dutch, UTF-8) in the interface language of the dialogs
// last given to set_office_language; Dutch before.
QString office_text(const char* dutch);
void set_office_language(const forms::Dialogs* dialogs);

// What a push in the background ended with: the summary, or the reason it failed.
struct PushOutcome {
    bool done = false;
    bool cancelled = false;
    int exit_status = 0;
    std::string error;  // UTF-8
    fleet::PushSummary summary;
};

class BackgroundPush {
  public:
    using Finished = std::function<void(const PushOutcome&)>;

    BackgroundPush();
    // Cancels a push still running and waits for its thread.
    ~BackgroundPush();
    BackgroundPush(const BackgroundPush&) = delete;
    BackgroundPush& operator=(const BackgroundPush&) = delete;

    // Starts the push and, with_progress, shows the progress dialog; `finished` runs on the
    // window's thread once the push has ended. Returns false (and starts nothing) while a push is
    // still running.
    bool start(const std::string& db_pad, const std::string& conninfo, Finished finished,
               bool with_progress = true);
    bool running() const { return thread_ != nullptr; }
    // What "Annuleren" does.
    void cancel();
    QProgressDialog* progress() const { return progress_; }

  private:
    // Where the thread's end is queued to when no dialog stands over the window.
    QObject context_;
    void end();

    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<PushOutcome> outcome_;
    QThread* thread_ = nullptr;
    // Owned by the window it stands over, which may go first at the end of the program.
    QPointer<QProgressDialog> progress_;
    Finished finished_;
};

}  // namespace ijken::app
