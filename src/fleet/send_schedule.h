#pragma once
// When the running program sends its database to the office by itself: the decisions alone, with
// the time given by the caller (milliseconds on a steady clock), so that a test can walk through
// hours in a table. The window's driver asks poll() what to do whenever next_wakeup() comes or
// something happened, starts what it is told, and reports back how it ended.
//
// - A stored change is sent a short while after the last change of a burst (debounce), but never
//   later than max_delay after the first change of that burst.
// - At most one push runs; a change during a push is sent by one more push after it.
// - A failed push is tried again later, the wait doubling from first_retry up to max_retry; while
//   failed, a cheap probe of the office runs every probe_every, and a probe that reaches the
//   office starts the push at once. When a push that a probe started fails again, the office
//   answered and still took nothing (a refusal, say): a probe then starts a push only after
//   another probe found the office unreachable, and otherwise the retry waits its turn, so that
//   an office that refuses is not pushed to every few seconds.
// - Switched off, changes wait (they are still counted as not sent) and nothing starts by itself;
//   send_now() still sends.
#include <chrono>
#include <optional>
#include <string>

namespace ijken::fleet {

using Millis = std::chrono::milliseconds;

struct SendTimings {
    // The send at start waits this long, so that it does not compete with the window's start.
    Millis start_delay{5000};
    Millis debounce{3000};
    Millis max_delay{30000};
    Millis first_retry{15000};
    Millis max_retry{15 * 60 * 1000};
    Millis probe_every{10000};
};

// What the skipper is shown.
struct SendStatus {
    bool enabled = true;
    bool sending = false;
    bool failed = false;       // the last push failed (reason says why)
    bool unsent = true;        // something stored may not be at the office yet
    std::string reason;        // UTF-8, one line
    std::optional<Millis> last_arrival;  // when the last push succeeded
    std::optional<Millis> next_try;      // when a push is due next, if one is
};

class SendSchedule {
  public:
    enum class Action { none, push, probe };

    explicit SendSchedule(SendTimings timings = {}) : t_(timings) {}

    // The program started: what it holds is sent start_delay later (the office may lack it).
    void started(Millis now);
    // Something the office holds was stored on board.
    void changed(Millis now);
    // The skipper asked to send now.
    void send_now(Millis now);
    void set_enabled(bool enabled, Millis now);
    bool enabled() const { return enabled_; }

    // What to start now; a push or probe returned counts as running until its end is reported.
    Action poll(Millis now);
    // A push the skipper stopped ends as a failure with its reason, and is tried again so.
    void push_ended(Millis now, bool ok, const std::string& reason = {});
    void probe_ended(Millis now, bool reachable);

    // When poll() may next have something to do; none while nothing is waiting (or a push runs:
    // its end is the next event).
    std::optional<Millis> next_wakeup() const;
    bool pushing() const { return pushing_; }
    SendStatus status() const;

  private:
    void schedule_after_change(Millis now);

    SendTimings t_;
    bool enabled_ = true;
    bool unsent_ = false;           // changes not yet at the office
    bool changed_during_push_ = false;
    bool pushing_ = false;
    bool probing_ = false;
    bool failed_ = false;
    bool link_down_ = false;        // the failure may be the link's: a probe reaching the office pushes
    bool probe_push_ = false;       // the push due (or running) was started by a probe
    std::string reason_;
    Millis retry_wait_{0};
    std::optional<Millis> due_;          // a push starts at this time
    std::optional<Millis> burst_start_;  // the first change not yet sent by a push that started
    std::optional<Millis> last_change_;
    std::optional<Millis> next_probe_;
    std::optional<Millis> last_arrival_;
};

}  // namespace ijken::fleet
