// The about box as the user meets it: "(c)" opens it over the hidden main window, the animation
// plays once on the scripted clock, and "Okee" brings the main window back.
#include "core/program/program_windows.h"
#include "core/about/aboutform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/forms/forms.h"
#include "core/main_window/form1.h"
#include "support/temp_dir.h"

namespace ijken::about {
namespace {

class AboutBox : public ::testing::Test {
  protected:
    void SetUp() override {
        main.services.modal = &modal;
        main.services.timers = &timers;
        main.services.pictures = &pictures;
        pictures.add(Aboutform::barge_picture, forms::Bitmap(2750, 78));
        pictures.add(Aboutform::grab_picture, forms::Bitmap(500, 40));
        ASSERT_TRUE(forms::dispatch(dialogs, [&] { main.formcreate(); }));
        ijken::program::create_windows(main);
        main.show();
        about = main.window<Aboutform>();
        ASSERT_NE(about, nullptr);
    }

    // "(c)" in the main window's menu, then the window layer reporting the about box active.
    void open() {
        ASSERT_TRUE(
            forms::dispatch(dialogs, [&] { ASSERT_TRUE(main.get<forms::MenuItem>("cTarvik1").click()); }));
        about->activate();
    }

    Animation& animation(const char* name) { return about->get<Animation>(name); }
    bool name_shown() { return about->get<forms::Label>("label6").visible(); }

    ijken::testing::TempDir dir;
    forms::ScriptedDialogs dialogs;
    forms::ScriptedModalDisplay modal;
    forms::ManualTimers timers;
    forms::MemoryPictures pictures;
    survey::Form1 main{dir.dir(), dialogs};
    Aboutform* about = nullptr;
};

TEST_F(AboutBox, OpensModallyOverTheHiddenMainWindowAndOkeeReturns) {
    // In the main window's list, untranslated, before the language editor and the survey list.
    const auto& list = main.windows();
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[list.size() - 3].form.get(), about);
    EXPECT_EQ(list[list.size() - 3].section, "");
    EXPECT_EQ(about->caption(), "About");
    EXPECT_EQ(animation("animation1").bitmap().width(), 2750);

    open();
    EXPECT_FALSE(main.visible());
    EXPECT_TRUE(about->visible());
    EXPECT_TRUE(about->modal());
    EXPECT_EQ(modal.shown(), std::vector<forms::Form*>{about});

    ASSERT_TRUE(about->get<forms::Button>("button1").click());
    EXPECT_FALSE(about->visible());
    EXPECT_TRUE(main.visible());
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(AboutBox, AnimationRunsOnceAndEndsWithTheNameAfterThirtyTwoAndAHalfSeconds) {
    Animation& a1 = animation("animation1");
    Animation& a2 = animation("animation2");
    // Each frame change of animation2 as "frame:a1-frame:left:visible".
    std::vector<std::string> seen;
    auto handler = a2.onchangeframe;
    a2.onchangeframe = [&, handler](Animation& sender) {
        handler(sender);
        seen.push_back(std::to_string(sender.frame()) + ":" + std::to_string(a1.frame()) + ":" +
                       std::to_string(sender.geometry().x) + ":" + (sender.visible() ? "v" : "-"));
    };

    open();
    timers.advance(999);
    EXPECT_FALSE(a2.play());  // the one-second delay
    timers.advance(1);
    EXPECT_TRUE(a2.play());
    EXPECT_FALSE(about->timer1_enabled());

    timers.advance(250 * 6);  // down to frame 6: the barge takes its first load
    EXPECT_EQ(a1.frame(), 1);
    EXPECT_EQ(seen.back(), "6:1:141:v");

    // animation1 moves on once per 12 frames (3 s); back at frame 0 with animation1 on frame 3
    // the grab jumps to the second hold, and from animation1's frame 5 on it is gone.
    timers.advance(250 * 30);  // 10 s after opening: animation2 back at frame 0, animation1 on 3
    EXPECT_EQ(seen.back(), "0:3:206:v");
    timers.advance(250 * 24);  // 16 s
    EXPECT_EQ(seen.back(), "0:5:206:-");

    timers.advance(32500 - 16000 - 1);
    EXPECT_FALSE(name_shown());
    EXPECT_EQ(a1.frame(), 10);
    timers.advance(1);
    EXPECT_TRUE(name_shown());
    EXPECT_FALSE(a2.play());
    EXPECT_EQ(a2.frame(), 6);
    EXPECT_FALSE(a2.visible());
    EXPECT_EQ(timers.active_count(), 0);

    // 126 frame changes of animation2, animation1 through all its frames, one step each.
    EXPECT_EQ(seen.size(), 126u);
    std::vector<int> a1_frames;
    for (const std::string& s : seen) {
        const int f = std::stoi(s.substr(s.find(':') + 1));
        if (a1_frames.empty() || a1_frames.back() != f) a1_frames.push_back(f);
    }
    EXPECT_EQ(a1_frames, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    timers.advance(60000);
    EXPECT_EQ(seen.size(), 126u);
}

TEST_F(AboutBox, SecondOpeningFindsTheEndAndStopsAgainUnseen) {
    open();
    timers.advance(32500);
    ASSERT_TRUE(name_shown());
    about->get<forms::Button>("button1").click();

    Animation& a2 = animation("animation2");
    std::vector<int> frames;
    std::vector<bool> visible;
    a2.add_observer([&](forms::Control&) { visible.push_back(a2.visible()); });
    auto handler = a2.onchangeframe;
    a2.onchangeframe = [&, handler](Animation& sender) {
        handler(sender);
        frames.push_back(sender.frame());
    };
    open();
    EXPECT_TRUE(name_shown());
    EXPECT_EQ(animation("animation1").frame(), 10);
    timers.advance(1000 + 250 * 12 + 5000);
    EXPECT_EQ(frames, (std::vector<int>{7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(std::count(visible.begin(), visible.end(), true), 0);
    EXPECT_FALSE(a2.play());
    EXPECT_TRUE(name_shown());
    EXPECT_EQ(animation("animation1").frame(), 10);
    EXPECT_EQ(timers.active_count(), 0);
}

TEST_F(AboutBox, ActivatingAgainDoesNotPutTheStartOff) {
    open();
    timers.advance(600);
    about->deactivate();
    about->activate();
    timers.advance(400);
    EXPECT_TRUE(animation("animation2").play());
}

}  // namespace
}  // namespace ijken::about
