#pragma once
// An animated picture: shows one frame at a time out of a horizontal strip of equally wide
// pictures held in one bitmap, and steps to the next frame on a timer. One colour of the strip
// can be painted as the control's background instead.
//
// Frame i of the strip occupies its columns i * width to (i + 1) * width - 1, width being the
// control's own width, and its rows 0 to the control's height - 1. The control paints its whole
// area itself.
#include <functional>
#include <memory>

#include "core/forms/bitmap.h"
#include "core/forms/control.h"
#include "core/forms/painter.h"
#include "core/forms/services.h"

namespace ijken::about {

class Animation : public forms::Control {
  public:
    static constexpr forms::ControlKind static_kind = forms::ControlKind::animation;

    // The largest 32-bit value, which like any negative colour means "no transparent colour".
    static constexpr int no_colour = 2147483647;

    // 30 x 30 at the parent's top left, an empty strip of one frame, looping, no transparent
    // colour. The frame timer comes from timers; without timers the control never steps on its own.
    Animation(std::string name, forms::Control* parent, forms::Timers* timers);
    ~Animation() override;

    // Milliseconds between frames; 0 or less: no timer. The timer runs while play is true and the
    // interval positive; a new interval restarts it.
    int interval() const { return interval_; }
    void set_interval(int interval);

    // The number of frames in the strip (taken as 1 when below 1).
    int framecount() const { return framecount_; }
    void set_framecount(int count) { framecount_ = count; }

    // The frame shown. A value below 0 shows the last frame, any other is taken modulo
    // framecount. When the frame changes, onchangeframe runs, then the control repaints.
    int frame() const { return frame_; }
    void set_frame(int frame);

    // The strip, copied. The control takes the strip's height (30 for an empty strip); its width
    // stays.
    const forms::Bitmap& bitmap() const { return bitmap_; }
    void set_bitmap(const forms::Bitmap& bitmap);

    bool play() const { return play_; }
    void set_play(bool play);

    // Frames run backwards.
    bool reverse() const { return reverse_; }
    void set_reverse(bool reverse) { reverse_ = reverse; }

    // At the end of the strip, start again instead of stopping.
    bool loop() const { return loop_; }
    void set_loop(bool loop) { loop_ = loop; }

    // The colour of the strip painted as the control's background colour; negative or no_colour:
    // none.
    int transparentcolor() const { return transparentcolor_; }
    void set_transparentcolor(int colour);
    bool has_transparentcolor() const { return transparentcolor_ >= 0 && transparentcolor_ != no_colour; }

    // One tick of the timer: the next frame (the previous one when reversed), wrapping at the ends;
    // a control that does not loop stops (play false) on reaching the last frame (frame 0 when
    // reversed).
    void step();

    // Whether the frame timer exists (play and a positive interval, with timers to make it).
    bool timer_running() const { return timer_ != nullptr; }

    // What the control shows, as large as the control: the current frame, with the transparent
    // colour as the control's colour (colour_none, the parent's background, unless it has one of
    // its own); white without a strip.
    forms::Bitmap picture() const;
    void render(forms::Painter& painter) const { painter.draw_bitmap(picture(), {0, 0}); }

    // Called with the control whenever the shown frame changes.
    std::function<void(Animation& sender)> onchangeframe;

  private:
    void start_timer();

    forms::Timers* timers_;
    std::unique_ptr<forms::Timer> timer_;
    int interval_ = 0;
    int framecount_ = 1;
    int frame_ = 0;
    forms::Bitmap bitmap_;
    bool play_ = false;
    bool reverse_ = false;
    bool loop_ = true;
    int transparentcolor_ = -1;
};

}  // namespace ijken::about
