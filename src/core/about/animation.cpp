#include "core/about/animation.h"

namespace ijken::about {

Animation::Animation(std::string name, forms::Control* parent, forms::Timers* timers)
    : forms::Control(static_kind, std::move(name), parent, forms::Rect{0, 0, 30, 30}), timers_(timers) {}

Animation::~Animation() = default;

void Animation::start_timer() {
    timer_.reset();
    if (!play_ || interval_ <= 0 || timers_ == nullptr) return;
    timer_ = timers_->create();
    // The tick may stop the timer (play false), which destroys it while it runs; the timer
    // services allow that and deliver no further tick.
    timer_->on_tick = [this] { step(); };
    timer_->start(interval_);
}

void Animation::set_interval(int interval) {
    if (interval == interval_) return;
    interval_ = interval;
    start_timer();
}

void Animation::set_play(bool play) {
    if (play == play_) return;
    play_ = play;
    start_timer();
}

void Animation::set_frame(int frame) {
    // A count below 1 would leave no frame to show (and the modulo undefined): one frame then.
    const int count = framecount_ < 1 ? 1 : framecount_;
    const int shown = frame < 0 ? count - 1 : frame % count;
    if (shown == frame_) return;
    frame_ = shown;
    if (auto handler = onchangeframe) handler(*this);
    notify();
}

void Animation::set_bitmap(const forms::Bitmap& bitmap) {
    bitmap_ = bitmap;
    forms::Rect r = geometry();
    r.h = bitmap_.height() == 0 ? 30 : bitmap_.height();
    set_geometry(r);
    notify();
}

void Animation::set_transparentcolor(int colour) {
    assign(transparentcolor_, colour);
}

void Animation::step() {
    const int last = (framecount_ < 1 ? 1 : framecount_) - 1;
    if (!reverse_) {
        set_frame(frame_ + 1);
        if (frame_ == last && !loop_) set_play(false);
    } else {
        set_frame(frame_ - 1);
        if (frame_ == 0 && !loop_) set_play(false);
    }
}

forms::Bitmap Animation::picture() const {
    const forms::Rect& r = geometry();
    forms::Bitmap shown(r.w, r.h, forms::colour_white);
    if (bitmap_.height() <= 0) return shown;
    const forms::Rect source{r.w * frame_, 0, r.w, r.h};
    if (has_transparentcolor()) {
        shown.fill(colour());
        shown.copy_keyed(bitmap_, source, {0, 0}, transparentcolor_, colour());
    } else {
        shown.copy(bitmap_, source, {0, 0});
    }
    return shown;
}

}  // namespace ijken::about
