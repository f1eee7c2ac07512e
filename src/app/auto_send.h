#pragma once
// The window's sending by itself: a thin Qt driver of fleet::SendSchedule. It listens for what the
// session stores, runs the pushes (one at a time, on a thread of their own, no dialog) and the
// probes of a failed link, and says how things stand in the Extra menu's "send to the office" item,
// in the interface language. The menu's "send automatically" item switches it on and off.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include "app/office_push.h"
#include "fleet/send_schedule.h"

class QThread;

namespace ijken::survey {
class Form1;
}

namespace ijken::app {

// Where the driver keeps what it needs between runs (the user's own settings in the program).
struct SendSettings {
    std::function<std::string()> connection;  // empty when none is configured
    std::function<bool()> enabled;
    std::function<void(bool)> set_enabled;
};

class AutoSend {
  public:
    using Finished = BackgroundPush::Finished;

    // form and settings must outlive the driver. Nothing is sent before start().
    AutoSend(survey::Form1& form, SendSettings settings, fleet::SendTimings timings = {});
    // Cancels a push still running and waits for it and for a probe (a few seconds at most).
    ~AutoSend();
    AutoSend(const AutoSend&) = delete;
    AutoSend& operator=(const AutoSend&) = delete;

    // The program is up: what it holds goes to the office now, when sending by itself is on.
    void start();
    // The skipper asked to send: done hears how this push ended. False while a push runs.
    bool send_now(Finished done);
    bool sending() const { return schedule_.pushing(); }
    // Stops the push that runs; it ends as a failure within a tenth of a second.
    void cancel() { pusher_.cancel(); }
    // The connection was set or changed: sent to as after a stored change.
    void connection_changed();
    void set_enabled(bool enabled);
    const fleet::SendSchedule& schedule() const { return schedule_; }
    // What the office menu item adds to its caption now (Windows-1252).
    std::string status_text() const;

  private:
    static fleet::Millis now();
    void stored();
    void wake();
    void run_push();
    void run_probe();
    void show_status();
    std::string when(const QDateTime& at) const;

    survey::Form1& form_;
    SendSettings settings_;
    fleet::SendSchedule schedule_;
    BackgroundPush pusher_;
    Finished manual_done_;
    QDateTime last_arrival_;
    QTimer timer_;
    QObject context_;
    QThread* probe_ = nullptr;
    std::shared_ptr<bool> probe_answer_;
    std::string base_caption_;
    bool showing_ = false;
    int caption_observer_ = -1;
};

}  // namespace ijken::app
