#pragma once
// The about box: a short animation built from two animated pictures, a barge being loaded under a
// crane's grab and sailing off, after which the maker's name is shown. The controls keep their
// state for the life of the program, so the animation runs once; a later opening finds it ended.
#include <memory>

#include "core/forms/forms.h"
#include "core/about/animation.h"

namespace ijken::about {

class Aboutform : public forms::Form {
  public:
    // The names of the two strips among the program's pictures.
    static constexpr const char* barge_picture = "about_barge";
    static constexpr const char* grab_picture = "about_grab";

    // Timers and pictures come from services; without timers nothing moves, without pictures the
    // animations paint white.
    explicit Aboutform(const forms::Services& services);
    ~Aboutform() override;

    // ---- handlers ----

    // Each time the window becomes the active one: timer1 runs.
    void formactivate();
    // One second later: timer1 stops and animation2 starts playing.
    void timer1timer();
    // animation2 drives the whole: every return to its frame 0 places it, every frame 6 moves
    // animation1 on, or at animation1's end shows the name and stops.
    void animation2changeframe(Animation& sender);
    void button1click();

    // Whether timer1 is enabled.
    bool timer1_enabled() const { return timer1_ != nullptr && timer1_->active(); }

  private:
    Animation& animation1_;
    Animation& animation2_;
    std::unique_ptr<forms::Timer> timer1_;
};

}  // namespace ijken::about
