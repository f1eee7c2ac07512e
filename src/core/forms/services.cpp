#include "core/forms/services.h"

#include <algorithm>

#include "core/forms/form.h"

namespace ijken::forms {

// ---- ScriptedDialogs --------------------------------------------------------------------------

void ScriptedDialogs::information(const std::string& text) {
    shown_.push_back({Kind::information, text});
}

bool ScriptedDialogs::confirm(const std::string& text, Answer default_answer) {
    shown_.push_back({Kind::confirm, text, default_answer});
    if (answers_.empty()) throw ScriptError("No answer scripted for the question \"" + text + "\"");
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

void ScriptedDialogs::error(const std::string& text) {
    shown_.push_back({Kind::error, text});
}

std::vector<std::string> ScriptedDialogs::texts(Kind kind) const {
    std::vector<std::string> result;
    for (const Shown& s : shown_) {
        if (s.kind == kind) result.push_back(s.text);
    }
    return result;
}

// ---- ScriptedModalDisplay ---------------------------------------------------------------------

void ScriptedModalDisplay::show_modal(Form& form, std::function<void()> when_closed) {
    shown_.push_back(&form);
    form.show_modal(std::move(when_closed));
}

// ---- ManualTimers -----------------------------------------------------------------------------

namespace {
class ManualTimer;
}

struct ManualTimers::State {
    std::int64_t now = 0;
    int next_serial = 0;
    std::vector<ManualTimer*> timers;  // every live timer, in order of creation
};

namespace {

class ManualTimer : public Timer {
  public:
    explicit ManualTimer(std::shared_ptr<ManualTimers::State> state)
        : state_(std::move(state)), serial_(state_->next_serial++) {
        state_->timers.push_back(this);
    }
    ~ManualTimer() override { std::erase(state_->timers, this); }

    void start(int interval_ms) override {
        if (interval_ms <= 0) {
            stop();
            return;
        }
        interval_ = interval_ms;
        due_ = state_->now + interval_ms;
        active_ = true;
    }
    void stop() override { active_ = false; }
    bool active() const override { return active_; }

    std::int64_t due() const { return due_; }
    int serial() const { return serial_; }

    // Delivers one tick; the next one falls an interval later. The timer may be stopped or
    // destroyed by on_tick.
    void tick() {
        due_ += interval_;
        if (auto handler = on_tick) handler();
    }

  private:
    std::shared_ptr<ManualTimers::State> state_;
    int serial_;
    int interval_ = 0;
    std::int64_t due_ = 0;
    bool active_ = false;
};

}  // namespace

ManualTimers::ManualTimers() : state_(std::make_shared<State>()) {}
ManualTimers::~ManualTimers() = default;

std::unique_ptr<Timer> ManualTimers::create() {
    return std::make_unique<ManualTimer>(state_);
}

void ManualTimers::advance(std::int64_t ms) {
    const std::int64_t target = state_->now + ms;
    for (;;) {
        ManualTimer* next = nullptr;
        for (ManualTimer* t : state_->timers) {
            if (!t->active() || t->due() > target) continue;
            if (next == nullptr || t->due() < next->due() ||
                (t->due() == next->due() && t->serial() < next->serial())) {
                next = t;
            }
        }
        if (next == nullptr) break;
        state_->now = next->due();
        next->tick();
    }
    state_->now = target;
}

std::int64_t ManualTimers::now() const {
    return state_->now;
}

int ManualTimers::active_count() const {
    return static_cast<int>(std::count_if(state_->timers.begin(), state_->timers.end(),
                                          [](const ManualTimer* t) { return t->active(); }));
}

// ---- ScriptedFileDialogs ----------------------------------------------------------------------

std::optional<std::filesystem::path> ScriptedFileDialogs::save_file(const SaveFileRequest& request) {
    requests_.push_back(request);
    if (answers_.empty())
        throw ScriptError("No answer scripted for the save-file dialog \"" + request.title + "\"");
    auto answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

}  // namespace ijken::forms
