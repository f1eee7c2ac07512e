#include "fleet/send_schedule.h"

#include <algorithm>

namespace ijken::fleet {

void SendSchedule::started(Millis now) {
    unsent_ = true;
    if (enabled_) due_ = now + t_.start_delay;
}

void SendSchedule::changed(Millis now) {
    unsent_ = true;
    last_change_ = now;
    if (pushing_) {
        // The running push may have read the board before this change.
        changed_during_push_ = true;
        return;
    }
    if (!burst_start_) burst_start_ = now;
    if (enabled_) schedule_after_change(now);
}

// A burst is sent debounce after its last change, at the latest max_delay after its first; while
// failed, not before the retry that is due (the probe brings it forward when the link is back).
void SendSchedule::schedule_after_change(Millis now) {
    Millis at = now + t_.debounce;
    if (burst_start_) at = std::min(at, std::max(now, *burst_start_ + t_.max_delay));
    if (failed_ && due_) at = std::max(at, *due_);
    due_ = at;
}

void SendSchedule::send_now(Millis now) {
    due_ = now;
    probe_push_ = false;
}

void SendSchedule::set_enabled(bool enabled, Millis now) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!enabled) {
        due_.reset();
        return;
    }
    // Switched on again: whatever waited goes now.
    if (unsent_ && !pushing_) due_ = now;
}

SendSchedule::Action SendSchedule::poll(Millis now) {
    if (pushing_) return Action::none;
    if (due_ && now >= *due_) {
        due_.reset();
        pushing_ = true;
        changed_during_push_ = false;
        burst_start_.reset();
        return Action::push;
    }
    if (failed_ && enabled_ && !probing_ && next_probe_ && now >= *next_probe_) {
        probing_ = true;
        next_probe_.reset();
        return Action::probe;
    }
    return Action::none;
}

void SendSchedule::push_ended(Millis now, bool ok, const std::string& reason) {
    pushing_ = false;
    if (ok) {
        failed_ = false;
        link_down_ = false;
        probe_push_ = false;
        reason_.clear();
        retry_wait_ = Millis{0};
        next_probe_.reset();
        last_arrival_ = now;
        unsent_ = changed_during_push_;
        if (changed_during_push_) {
            burst_start_ = *last_change_;
            if (enabled_) due_ = std::max(now, *last_change_ + t_.debounce);
        }
        changed_during_push_ = false;
        return;
    }
    failed_ = true;
    link_down_ = !probe_push_;
    probe_push_ = false;
    unsent_ = true;
    reason_ = reason;
    changed_during_push_ = false;
    retry_wait_ = retry_wait_.count() == 0 ? t_.first_retry : std::min(retry_wait_ * 2, t_.max_retry);
    if (enabled_) {
        due_ = now + retry_wait_;
        next_probe_ = now + t_.probe_every;
    } else {
        due_.reset();
    }
}

void SendSchedule::probe_ended(Millis now, bool reachable) {
    probing_ = false;
    if (!failed_ || pushing_) return;
    if (!reachable) {
        link_down_ = true;
        next_probe_ = now + t_.probe_every;
        return;
    }
    // The office answers: a link that was down is back, so the push goes now. After a push that a
    // probe started failed too, the link did not cause the failure, and the retry keeps its wait.
    if (link_down_ && enabled_) {
        due_ = now;
        probe_push_ = true;
    }
    link_down_ = false;
    next_probe_.reset();
}

std::optional<Millis> SendSchedule::next_wakeup() const {
    if (pushing_) return std::nullopt;
    std::optional<Millis> at = due_;
    if (failed_ && enabled_ && !probing_ && next_probe_) at = at ? std::min(*at, *next_probe_) : *next_probe_;
    return at;
}

SendStatus SendSchedule::status() const {
    SendStatus s;
    s.enabled = enabled_;
    s.sending = pushing_;
    s.failed = failed_;
    s.unsent = unsent_;
    s.reason = reason_;
    s.last_arrival = last_arrival_;
    s.next_try = due_;
    return s;
}

}  // namespace ijken::fleet
