#include "gui/qt_timers.h"

#include <QPointer>
#include <QTimer>

namespace ijken::gui {

namespace {

class QtTimer : public forms::Timer {
  public:
    explicit QtTimer(forms::Dialogs& dialogs) : timer_(new QTimer) {
        QObject::connect(timer_, &QTimer::timeout, timer_, [this, &dialogs] {
            // A copy: the tick may replace on_tick or destroy this timer.
            if (auto handler = on_tick) forms::dispatch(dialogs, handler);
        });
    }

    // The QTimer may be the one whose tick is running; it goes when the tick is over.
    ~QtTimer() override {
        timer_->stop();
        QObject::disconnect(timer_, nullptr, nullptr, nullptr);
        timer_->deleteLater();
    }

    void start(int interval_ms) override {
        if (interval_ms <= 0) {
            stop();
            return;
        }
        timer_->start(interval_ms);
    }
    void stop() override { timer_->stop(); }
    bool active() const override { return timer_->isActive(); }

  private:
    QTimer* timer_;
};

}  // namespace

std::unique_ptr<forms::Timer> QtTimers::create() {
    return std::make_unique<QtTimer>(dialogs_);
}

}  // namespace ijken::gui
