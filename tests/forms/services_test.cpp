// The event dispatch and the scripted services tests drive forms with.
#include <gtest/gtest.h>

#include "core/forms/forms.h"

namespace ijken::forms {
namespace {

TEST(Dispatch, ShowsTheErrorMessageAndKeepsTheStateReached) {
    ScriptedDialogs dialogs;
    Edit first("Verlader_Naam", nullptr, {});
    Edit second("Verlader_Plaats", nullptr, {});
    const bool completed = dispatch(dialogs, [&] {
        first.set_text("Grain Coop");
        throw std::runtime_error("no such table: IJkOpnames");
        second.set_text("never");
    });
    EXPECT_FALSE(completed);
    EXPECT_EQ(first.text(), "Grain Coop");
    EXPECT_EQ(second.text(), "");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0],
              (ScriptedDialogs::Shown{ScriptedDialogs::Kind::error, "no such table: IJkOpnames"}));

    // The program goes on: the next event runs normally.
    EXPECT_TRUE(dispatch(dialogs, [&] { second.set_text("Zwolle"); }));
    EXPECT_EQ(second.text(), "Zwolle");
    EXPECT_EQ(dialogs.shown().size(), 1u);
}

TEST(Dispatch, ShowsUnknownThrowsAndLetsScriptErrorsThrough) {
    ScriptedDialogs dialogs;
    dispatch(dialogs, [] { throw 42; });
    EXPECT_EQ(dialogs.texts(ScriptedDialogs::Kind::error), (std::vector<std::string>{"Onbekende fout"}));

    // A question nobody scripted an answer for is a broken test, not an error box.
    EXPECT_THROW(dispatch(dialogs, [&] { dialogs.confirm("Schip verwijderen?"); }), ScriptError);
}

TEST(ScriptedDialogs, RecordsEveryBoxAndAnswersQuestionsInOrder) {
    ScriptedDialogs dialogs;
    dialogs.answer(true);
    dialogs.answer(false);
    dialogs.information("IJken opgeslagen");
    EXPECT_TRUE(dialogs.confirm("Weet u het zeker?"));
    EXPECT_FALSE(dialogs.confirm("Echt?", Answer::no));
    dialogs.error("fout");
    EXPECT_EQ(dialogs.unused_answers(), 0u);
    using K = ScriptedDialogs::Kind;
    EXPECT_EQ(dialogs.shown(),
              (std::vector<ScriptedDialogs::Shown>{{K::information, "IJken opgeslagen"},
                                                   {K::confirm, "Weet u het zeker?", Answer::yes},
                                                   {K::confirm, "Echt?", Answer::no},
                                                   {K::error, "fout"}}));
    try {
        dialogs.confirm("Nog een?");
        FAIL() << "no exception";
    } catch (const ScriptError& e) {
        EXPECT_STREQ(e.what(), "No answer scripted for the question \"Nog een?\"");
    }
}

TEST(ManualTimers, TicksInOrderAndStopsSafelyFromItsOwnTick) {
    ManualTimers timers;
    auto fast = timers.create();
    auto slow = timers.create();
    std::vector<std::string> trail;
    int fast_ticks = 0;
    fast->on_tick = [&] {
        trail.push_back("fast@" + std::to_string(timers.now()));
        if (++fast_ticks == 3) fast->stop();
    };
    slow->on_tick = [&] { trail.push_back("slow@" + std::to_string(timers.now())); };
    fast->start(250);
    slow->start(1000);
    EXPECT_EQ(timers.active_count(), 2);

    timers.advance(999);
    EXPECT_EQ(trail, (std::vector<std::string>{"fast@250", "fast@500", "fast@750"}));
    EXPECT_FALSE(fast->active());
    timers.advance(1);
    EXPECT_EQ(trail.back(), "slow@1000");

    // A tick that destroys its own timer gets no further tick.
    int ticks = 0;
    slow->on_tick = [&] {
        ++ticks;
        slow.reset();
    };
    timers.advance(5000);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(timers.active_count(), 0);
}

TEST(ManualTimers, StartWithoutIntervalStopsAndRestartCountsFromNow) {
    ManualTimers timers;
    auto timer = timers.create();
    int ticks = 0;
    timer->on_tick = [&] { ++ticks; };
    timer->start(250);
    timers.advance(200);
    timer->start(0);
    EXPECT_FALSE(timer->active());
    timers.advance(1000);
    EXPECT_EQ(ticks, 0);
    timer->start(250);  // due at 1450
    timers.advance(249);
    EXPECT_EQ(ticks, 0);
    timers.advance(1);
    EXPECT_EQ(ticks, 1);
}

TEST(ScriptedFileDialogs, AnswersFromTheQueueAndFailsLoudlyWhenEmpty) {
    ScriptedFileDialogs files;
    files.answer(std::filesystem::path("/tmp/rapport.pdf"));
    files.answer(std::nullopt);
    EXPECT_EQ(files.save_file({"Opslaan als PDF", "rapport.pdf", "PDF|*.pdf", "pdf"}),
              std::filesystem::path("/tmp/rapport.pdf"));
    EXPECT_EQ(files.save_file({}), std::nullopt);
    EXPECT_THROW(files.save_file({"again", "", "", ""}), ScriptError);
    EXPECT_EQ(files.requests().size(), 3u);
}

}  // namespace
}  // namespace ijken::forms
