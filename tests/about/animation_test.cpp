// The animated picture: its property rules, the frame step on the timer, and what it paints.
#include "core/about/animation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/forms/bitmap.h"
#include "core/forms/services.h"

namespace ijken::about {
namespace {

using forms::Bitmap;
using forms::colour_black;
using forms::colour_none;
using forms::colour_white;

constexpr int kRed = 0x0000FF;

// A strip of `frames` frames of w x h: frame i is white with a black column at x = i, so a painted
// frame tells which one it was.
Bitmap numbered_strip(int frames, int w, int h) {
    Bitmap strip(frames * w, h, colour_white);
    for (int i = 0; i < frames; ++i) {
        for (int y = 0; y < h; ++y) strip.set_pixel(i * w + i, y, colour_black);
    }
    return strip;
}

// The frames an animation showed, as its onchangeframe saw them.
struct FrameLog {
    explicit FrameLog(Animation& a) {
        a.onchangeframe = [this](Animation& sender) { frames.push_back(sender.frame()); };
    }
    std::vector<int> frames;
};

TEST(Animation, FrameSetterWrapsAndCallsTheEventBeforeRepainting) {
    struct Case {
        int set;
        int shown;
    };
    for (const Case c : {Case{-1, 10}, Case{-7, 10}, Case{25, 3}, Case{11, 0}, Case{10, 10}}) {
        Animation a("a", nullptr, nullptr);
        a.set_framecount(11);
        a.set_frame(5);
        std::vector<std::string> events;
        a.onchangeframe = [&](Animation& sender) {
            events.push_back("change " + std::to_string(sender.frame()));
        };
        a.add_observer([&](forms::Control&) { events.push_back("repaint"); });
        a.set_frame(c.set);
        EXPECT_EQ(a.frame(), c.shown) << c.set;
        EXPECT_EQ(events, (std::vector<std::string>{"change " + std::to_string(c.shown), "repaint"}))
            << c.set;
        events.clear();
        a.set_frame(c.shown);  // the frame it shows: nothing
        EXPECT_TRUE(events.empty()) << c.set;
    }
}

TEST(Animation, FramecountBelowOneShowsFrameZeroInsteadOfDividingByZero) {
    Animation a("a", nullptr, nullptr);
    a.set_framecount(0);
    a.set_frame(7);
    EXPECT_EQ(a.frame(), 0);
    a.set_frame(-1);
    EXPECT_EQ(a.frame(), 0);
    a.step();
    EXPECT_EQ(a.frame(), 0);
}

TEST(Animation, StepsForwardBackwardLoopingOrStopping) {
    struct Case {
        const char* what;
        bool reverse;
        bool loop;
        int ticks;
        std::vector<int> frames;
        bool playing_after;
    };
    const std::vector<Case> cases = {
        {"looping forward",
         false,
         true,
         26,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 1, 2},
         true},
        {"forward once", false, false, 26, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, false},
        {"backward once from 0", true, false, 26, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, false},
        {"looping backward", true, true, 13, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 11}, true},
    };
    for (const Case& c : cases) {
        forms::ManualTimers timers;
        Animation a("a", nullptr, &timers);
        a.set_framecount(12);
        a.set_interval(250);
        a.set_reverse(c.reverse);
        a.set_loop(c.loop);
        FrameLog log(a);
        a.set_play(true);
        timers.advance(249);
        EXPECT_TRUE(log.frames.empty()) << c.what;
        timers.advance(1 + 250 * (c.ticks - 1));
        EXPECT_EQ(log.frames, c.frames) << c.what;
        EXPECT_EQ(a.play(), c.playing_after) << c.what;
        // A control that stopped itself inside its tick has no timer left to tick again.
        EXPECT_EQ(timers.active_count(), c.playing_after ? 1 : 0) << c.what;
        EXPECT_EQ(a.timer_running(), c.playing_after) << c.what;
        timers.advance(5000);
        if (!c.playing_after) {
            EXPECT_EQ(log.frames, c.frames) << c.what;
        }
    }
}

TEST(Animation, TimerExistsOnlyWhilePlayingWithAPositiveInterval) {
    forms::ManualTimers timers;
    Animation a("a", nullptr, &timers);
    a.set_framecount(12);
    FrameLog log(a);

    a.set_play(true);  // interval 0: no timer
    EXPECT_FALSE(a.timer_running());
    timers.advance(1000);
    EXPECT_TRUE(log.frames.empty());

    a.set_interval(250);
    EXPECT_TRUE(a.timer_running());
    timers.advance(500);
    EXPECT_EQ(log.frames, (std::vector<int>{1, 2}));

    a.set_interval(0);  // playing, but no interval: the timer goes
    EXPECT_FALSE(a.timer_running());
    EXPECT_EQ(timers.active_count(), 0);
    timers.advance(1000);
    EXPECT_EQ(log.frames, (std::vector<int>{1, 2}));

    a.set_interval(250);  // back again while play is true: it runs again
    timers.advance(250);
    EXPECT_EQ(log.frames, (std::vector<int>{1, 2, 3}));

    a.set_interval(-5);
    EXPECT_FALSE(a.timer_running());
    a.set_interval(100);
    a.set_play(false);
    EXPECT_FALSE(a.timer_running());
    EXPECT_EQ(timers.active_count(), 0);
}

TEST(Animation, StoppingFromTheChangeEventInsideItsOwnTickIsSafe) {
    forms::ManualTimers timers;
    Animation a("a", nullptr, &timers);
    a.set_framecount(12);
    a.set_interval(250);
    std::vector<int> seen;
    a.onchangeframe = [&](Animation& sender) {
        seen.push_back(sender.frame());
        if (sender.frame() == 6) sender.set_play(false);
    };
    a.set_play(true);
    timers.advance(10000);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(timers.active_count(), 0);
}

TEST(Animation, BitmapSetsTheHeightButNotTheWidth) {
    Animation a("a", nullptr, nullptr);
    a.set_geometry({48, 48, 250, 10});
    a.set_bitmap(numbered_strip(11, 250, 78));
    EXPECT_EQ(a.geometry(), (forms::Rect{48, 48, 250, 78}));
    EXPECT_EQ(a.bitmap().width(), 2750);
    a.set_bitmap(Bitmap());
    EXPECT_EQ(a.geometry(), (forms::Rect{48, 48, 250, 30}));
}

TEST(Animation, PaintsTheFrameWithOrWithoutATransparentColour) {
    Animation a("a", nullptr, nullptr);
    a.set_geometry({0, 0, 4, 2});

    // No strip: white.
    EXPECT_EQ(a.picture(), Bitmap(4, 2, colour_white));

    a.set_framecount(3);
    a.set_bitmap(numbered_strip(3, 4, 2));
    a.set_frame(2);
    // Opaque: the frame as it is, white and all.
    Bitmap expected(4, 2, colour_white);
    expected.set_pixel(2, 0, colour_black);
    expected.set_pixel(2, 1, colour_black);
    EXPECT_EQ(a.picture(), expected);

    // White transparent: the white pixels take the control's background, the parent's when it has
    // none of its own.
    for (int none : {-1, -100, Animation::no_colour}) {
        a.set_transparentcolor(none);
        EXPECT_EQ(a.picture(), expected) << none;
    }
    a.set_transparentcolor(colour_white);
    Bitmap see_through(4, 2, colour_none);
    see_through.set_pixel(2, 0, colour_black);
    see_through.set_pixel(2, 1, colour_black);
    EXPECT_EQ(a.picture(), see_through);
    a.set_colour(kRed);
    Bitmap on_red(4, 2, kRed);
    on_red.set_pixel(2, 0, colour_black);
    on_red.set_pixel(2, 1, colour_black);
    EXPECT_EQ(a.picture(), on_red);

    // Painting draws that picture at the control's top left.
    forms::RecordingPainter painter;
    a.render(painter);
    EXPECT_EQ(painter.calls(), (std::vector<std::string>{"bitmap 0 0 4 2"}));
}

TEST(Bitmap, PaintedAsRunsOfOneColourByAPainterThatCannotCopyPixels) {
    Bitmap b(5, 1, colour_white);
    b.set_pixel(1, 0, kRed);
    b.set_pixel(2, 0, kRed);
    b.set_pixel(3, 0, colour_none);  // leaves what lies beneath
    forms::RecordingPainter painter;
    painter.forms::Painter::draw_bitmap(b, {10, 5});
    EXPECT_EQ(painter.calls(), (std::vector<std::string>{"pen 536870911 1", "brush 16777215", "rect 10 5 1 1",
                                                          "brush 255", "rect 11 5 2 1", "brush 16777215",
                                                          "rect 14 5 1 1"}));
}

TEST(Bitmap, CopyClipsToBothBitmaps) {
    Bitmap from(3, 3, colour_black);
    from.set_pixel(0, 0, kRed);
    struct Case {
        forms::Rect source;
        forms::Point to;
        std::vector<int> pixels;  // the 3 x 2 target, row by row
    };
    constexpr int W = colour_white, B = colour_black, R = kRed;
    const std::vector<Case> cases = {
        {{0, 0, 3, 3}, {0, 0}, {R, B, B, B, B, B}},
        {{0, 0, 2, 2}, {2, 1}, {W, W, W, W, W, R}},    // cut at the target's edges
        {{-1, -1, 2, 2}, {0, 0}, {W, W, W, W, R, W}},  // starts outside the source
        {{1, 1, 5, 5}, {-1, 0}, {B, W, W, B, W, W}},   // starts left of the target
        {{0, 0, 3, 3}, {3, 0}, {W, W, W, W, W, W}},    // entirely outside
    };
    for (const Case& c : cases) {
        Bitmap to(3, 2, colour_white);
        to.copy(from, c.source, c.to);
        EXPECT_EQ(to.pixels(), c.pixels)
            << c.source.x << "," << c.source.y << " -> " << c.to.x << "," << c.to.y;
    }
}

}  // namespace
}  // namespace ijken::about
