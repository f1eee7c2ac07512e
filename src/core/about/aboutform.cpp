#include "core/about/aboutform.h"

namespace ijken::about {

namespace {

// The designed client area is 345 x 218; the form's geometry is the outer window, which adds the
// frame that the window layer takes off again.
constexpr int kClientWidth = 345;
constexpr int kClientHeight = 218;
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 34;

constexpr int kTimer1Interval = 1000;
// animation2 stands over the first hold until animation1 shows frame 3, then over the second.
constexpr int kFirstHoldLeft = 141;
constexpr int kSecondHoldLeft = 206;
// animation2 is seen while animation1 shows a frame below this one.
constexpr int kGrabSeenBelow = 5;
// animation2's frame at which the grab has come down and animation1 moves on.
constexpr int kGrabDownFrame = 6;

Animation& make_animation(forms::Form& form, const char* name, const forms::Services& services,
                          forms::Rect geometry) {
    auto& animation = form.add<Animation>(name, nullptr, services.timers);
    animation.set_geometry(geometry);
    return animation;
}

}  // namespace

Aboutform::Aboutform(const forms::Services& services)
    : forms::Form("aboutform", "About",
                  forms::Rect{0, 0, kClientWidth + kFrameWidth, kClientHeight + kFrameHeight}),
      animation1_(make_animation(*this, "animation1", services, forms::Rect{48, 48, 250, 78})),
      animation2_(make_animation(*this, "animation2", services, forms::Rect{141, 48, 25, 40})) {
    set_centred(true);
    set_dialog_frame(true);

    animation1_.set_interval(0);
    animation1_.set_framecount(11);
    animation1_.set_loop(false);
    animation1_.set_transparentcolor(forms::colour_white);

    animation2_.set_interval(250);
    animation2_.set_framecount(12);
    animation2_.set_loop(true);
    animation2_.set_transparentcolor(forms::colour_white);
    animation2_.onchangeframe = [this](Animation& sender) { animation2changeframe(sender); };

    if (services.pictures != nullptr) {
        animation1_.set_bitmap(services.pictures->picture(barge_picture));
        animation2_.set_bitmap(services.pictures->picture(grab_picture));
    }

    auto& label23 = add<forms::Label>("label23", nullptr, forms::Rect{56, 144, 53, 13}, "versie 4.0");
    label23.set_auto_size(true);

    auto& label6 = add<forms::Label>("label6", nullptr, forms::Rect{98, 64, 159, 45}, "TARVIK");
    label6.set_font_name("Times New Roman");
    label6.set_font_height(-40);
    label6.set_bold(true);
    label6.set_visible(false);

    auto& button1 = add<forms::Button>("button1", nullptr, forms::Rect{128, 176, 75, 25}, "Okee");
    button1.on_click = [this] { button1click(); };
    button1.set_cancel(true);

    if (services.timers != nullptr) {
        timer1_ = services.timers->create();
        timer1_->on_tick = [this] { timer1timer(); };
    }
    on_activate = [this] { formactivate(); };
}

Aboutform::~Aboutform() = default;

void Aboutform::formactivate() {
    // Enabling an enabled timer leaves it running: activating twice does not put the start off.
    if (timer1_ != nullptr && !timer1_->active()) timer1_->start(kTimer1Interval);
}

void Aboutform::timer1timer() {
    if (timer1_ != nullptr) timer1_->stop();
    animation2_.set_play(true);
}

void Aboutform::animation2changeframe(Animation& sender) {
    if (sender.frame() == 0) {
        forms::Rect r = sender.geometry();
        if (animation1_.frame() == 0) r.x = kFirstHoldLeft;
        if (animation1_.frame() == 3) r.x = kSecondHoldLeft;
        sender.set_geometry(r);
        sender.set_visible(animation1_.frame() < kGrabSeenBelow);
    }
    if (sender.frame() == kGrabDownFrame) {
        if (animation1_.frame() < animation1_.framecount() - 1) {
            animation1_.set_frame(animation1_.frame() + 1);
        } else {
            get<forms::Label>("label6").set_visible(true);
            sender.set_play(false);
        }
    }
}

void Aboutform::button1click() {
    close();
}

}  // namespace ijken::about
