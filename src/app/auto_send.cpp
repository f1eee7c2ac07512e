#include "app/auto_send.h"

#include <QThread>

#include "core/forms/label.h"
#include "core/forms/menu_item.h"
#include "core/main_window/form1.h"
#include "core/survey/warnings.h"
#include "core/text/cp1252.h"
#include "fleet/pg_connection.h"

namespace ijken::app {

namespace {

// How long a probe of the office may take; libpq's shortest connect_timeout is 2 s.
constexpr int kProbeSeconds = 3;
// A reason is one line the menu can hold: its first line (libpq's advice follows on the next),
// cut at this many characters.
constexpr std::size_t kReasonLength = 110;

// The menu item's own text and the status are parted by a tab: the menu shows what follows it
// where a shortcut would stand, so the item's own text stays where it was designed.
constexpr char kStatusSeparator = '\t';

std::string one_line_cp1252(const std::string& utf8) {
    std::string line;
    for (char c : utf8.substr(0, utf8.find('\n'))) line += (c == '\r' || c == '\t') ? ' ' : c;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::string bytes;
    try {
        bytes = text::utf8_to_cp1252(line);
    } catch (const std::exception&) {
        // A character Windows-1252 cannot hold: the message in plain ASCII rather than none.
        for (unsigned char c : line) bytes += c < 0x80 ? static_cast<char>(c) : '?';
    }
    if (bytes.size() > kReasonLength) bytes = bytes.substr(0, kReasonLength - 1) + '\x85';
    // An "&" would mark an accelerator in the menu.
    std::string shown;
    for (char c : bytes) shown += c == '&' ? std::string("&&") : std::string(1, c);
    return shown;
}

}  // namespace

AutoSend::AutoSend(survey::Form1& form, SendSettings settings, fleet::SendTimings timings)
    : form_(form), settings_(std::move(settings)), schedule_(timings) {
    schedule_.set_enabled(settings_.enabled(), now());
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { wake(); });
    form_.session().on_stored([this] { stored(); });
    auto& item = form_.get<forms::MenuItem>("Kantoor1");
    base_caption_ = item.caption();
    // The translation sets the item's caption anew (a language switched): that is its new own
    // text, and the status goes behind it again.
    caption_observer_ = item.add_observer([this](forms::Control& c) {
        if (showing_) return;
        const std::string& caption = c.caption();
        base_caption_ = caption.substr(0, caption.find(kStatusSeparator));
        show_status();
    });
    auto& automatic = form_.get<forms::MenuItem>("KantoorAuto1");
    automatic.set_checked(schedule_.enabled());
    automatic.on_click = [this] { set_enabled(!schedule_.enabled()); };
}

AutoSend::~AutoSend() {
    form_.get<forms::MenuItem>("Kantoor1").remove_observer(caption_observer_);
    if (probe_ != nullptr) {
        probe_->wait();
        delete probe_;
    }
    // The pusher's own destructor cancels a push still running and waits for it.
}

fleet::Millis AutoSend::now() {
    return std::chrono::duration_cast<fleet::Millis>(std::chrono::steady_clock::now().time_since_epoch());
}

void AutoSend::start() {
    schedule_.started(now());
    wake();
}

void AutoSend::stored() {
    schedule_.changed(now());
    wake();
}

bool AutoSend::send_now(Finished done) {
    if (schedule_.pushing()) return false;
    manual_done_ = std::move(done);
    schedule_.send_now(now());
    wake();
    return true;
}

void AutoSend::connection_changed() {
    // As a change: a debounce later, when sending by itself is on.
    schedule_.changed(now());
    wake();
}

void AutoSend::set_enabled(bool enabled) {
    schedule_.set_enabled(enabled, now());
    settings_.set_enabled(enabled);
    form_.get<forms::MenuItem>("KantoorAuto1").set_checked(enabled);
    wake();
}

// Starts what the schedule says is due and sets the timer for the next thing it waits for.
void AutoSend::wake() {
    timer_.stop();
    // Without a connection nothing is sent, and nothing waits: setting one sends at once.
    if (settings_.connection().empty()) {
        show_status();
        return;
    }
    const fleet::Millis at = now();
    switch (schedule_.poll(at)) {
        case fleet::SendSchedule::Action::push:
            run_push();
            break;
        case fleet::SendSchedule::Action::probe:
            run_probe();
            break;
        case fleet::SendSchedule::Action::none:
            break;
    }
    if (const auto next = schedule_.next_wakeup()) {
        const long long wait = std::max<long long>(0, (*next - now()).count());
        timer_.start(static_cast<int>(std::min<long long>(wait, 24LL * 3600 * 1000)));
    }
    show_status();
}

void AutoSend::run_push() {
    pusher_.start(
        form_.session().database(), settings_.connection(),
        [this](const PushOutcome& o) {
            // The reason is kept as the status shows it: Windows-1252, one line.
            std::string reason;
            if (!o.done) reason = o.cancelled ? form_.get<forms::Label>("tx_kantoor_gestopt").caption() : one_line_cp1252(o.error);
            if (o.done) last_arrival_ = QDateTime::currentDateTime();
            schedule_.push_ended(now(), o.done, reason);
            if (manual_done_) std::exchange(manual_done_, nullptr)(o);
            wake();
        },
        false);
}

void AutoSend::run_probe() {
    const std::string connection = settings_.connection();
    probe_answer_ = std::make_shared<bool>(false);
    probe_ = QThread::create([connection, answer = probe_answer_] {
        *answer = !connection.empty() && fleet::office_answers(connection, kProbeSeconds);
    });
    QObject::connect(probe_, &QThread::finished, &context_, [this] {
        probe_->wait();
        delete probe_;
        probe_ = nullptr;
        schedule_.probe_ended(now(), *probe_answer_);
        wake();
    }, Qt::QueuedConnection);
    probe_->start();
}

std::string AutoSend::when(const QDateTime& at) const {
    const QString format = at.date() == QDate::currentDate() ? "HH:mm" : "d-M HH:mm";
    return at.toString(format).toStdString();
}

std::string AutoSend::status_text() const {
    // Without a connection there is no office to speak of.
    if (settings_.connection().empty()) return {};
    auto text = [this](const char* label, const std::vector<std::string>& values = {}) {
        return survey::fill_template(form_.get<forms::Label>(label).caption(), values);
    };
    const fleet::SendStatus s = schedule_.status();
    std::string status;
    if (s.sending) {
        status = text("tx_kantoor_bezig");
    } else if (s.failed) {
        status = text("tx_kantoor_mislukt", {s.reason});
    } else if (!s.unsent && s.last_arrival) {
        return text("tx_kantoor_alles", {when(last_arrival_)});
    } else {
        status = text("tx_kantoor_wacht");
    }
    if (!s.enabled && !s.sending) status += "; " + text("tx_kantoor_uit");
    if (last_arrival_.isValid()) status += "; " + text("tx_kantoor_laatst", {when(last_arrival_)});
    return status;
}

void AutoSend::show_status() {
    auto& item = form_.get<forms::MenuItem>("Kantoor1");
    const std::string status = status_text();
    const std::string caption = status.empty() ? base_caption_ : base_caption_ + kStatusSeparator + status;
    if (item.caption() == caption) return;
    showing_ = true;
    item.set_caption(caption);
    showing_ = false;
}

}  // namespace ijken::app
