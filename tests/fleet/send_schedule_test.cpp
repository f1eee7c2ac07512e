// When the program sends by itself: each case is a script of events at given seconds, with what
// poll() must answer and when the driver must wake next.
#include "fleet/send_schedule.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

using namespace ijken::fleet;
using Action = SendSchedule::Action;

namespace {

enum class Ev { start, change, send_now, off, on, poll, push_ok, push_failed, probe_up, probe_down };

struct Step {
    double at;  // seconds
    Ev ev;
    Action expect = Action::none;  // for poll
    std::optional<double> wake = std::nullopt;  // next_wakeup() after the step; -1: none
};

struct Script {
    const char* name;
    std::vector<Step> steps;
};

void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }

Millis ms(double seconds) { return Millis(static_cast<long long>(seconds * 1000)); }

const char* name(Action a) { return a == Action::push ? "push" : a == Action::probe ? "probe" : "none"; }

const Script kScripts[] = {
    {"the start sends after its delay, not before",
     {{0, Ev::start, Action::none, 5}, {4.9, Ev::poll}, {5, Ev::poll, Action::push, -1}, {5.5, Ev::push_ok, {}, -1}}},
    {"a burst goes once, a debounce after its last change",
     {{0, Ev::change, {}, 3}, {1, Ev::change, {}, 4}, {2, Ev::change, {}, 5}, {3, Ev::poll}, {4.99, Ev::poll},
      {5, Ev::poll, Action::push}, {6, Ev::push_ok, {}, -1}, {20, Ev::poll}}},
    {"changes that never stop are sent at the latest max_delay after the first",
     {{0, Ev::change}, {2, Ev::change}, {4, Ev::change}, {6, Ev::change}, {8, Ev::change}, {10, Ev::change},
      {12, Ev::change}, {14, Ev::change}, {16, Ev::change}, {18, Ev::change}, {20, Ev::change}, {22, Ev::change},
      {24, Ev::change}, {26, Ev::change}, {28, Ev::change, {}, 30}, {29.9, Ev::poll}, {30, Ev::poll, Action::push}}},
    {"one push at a time: a change during a push sends once more after it",
     {{0, Ev::change}, {3, Ev::poll, Action::push}, {4, Ev::change, {}, -1}, {5, Ev::change, {}, -1},
      {6, Ev::send_now, {}, -1}, {7, Ev::poll}, {8, Ev::push_ok, {}, 8}, {8, Ev::poll, Action::push},
      {9, Ev::poll}, {9.5, Ev::push_ok, {}, -1}, {60, Ev::poll}}},
    {"a change in a push that ends early waits its debounce",
     {{0, Ev::send_now}, {0, Ev::poll, Action::push}, {1, Ev::change}, {1.5, Ev::push_ok, {}, 4},
      {3.9, Ev::poll}, {4, Ev::poll, Action::push}}},
    {"a probe that reaches the office pushes once; an office that still refuses waits for the retry",
     {{0, Ev::send_now}, {0, Ev::poll, Action::push}, {0, Ev::push_failed, {}, 10}, {10, Ev::poll, Action::probe},
      {10, Ev::probe_up, {}, 10}, {10, Ev::poll, Action::push}, {10, Ev::push_failed, {}, 20},
      {20, Ev::poll, Action::probe}, {20, Ev::probe_up, {}, 40}, {39, Ev::poll}, {40, Ev::poll, Action::push},
      {40, Ev::push_failed, {}, 50}, {50, Ev::poll, Action::probe}, {50, Ev::probe_up, {}, 50},
      {50, Ev::poll, Action::push}, {50, Ev::push_failed, {}, 60}, {60, Ev::poll, Action::probe},
      {60, Ev::probe_up, {}, 170}}},
    {"a probe that still sent its question before the link came back counts as the link back",
     {{0, Ev::change}, {3, Ev::poll, Action::push}, {5, Ev::push_failed, {}, 15}, {15, Ev::poll, Action::probe},
      {18, Ev::probe_up, {}, 18}, {18, Ev::poll, Action::push}, {19, Ev::push_ok, {}, -1}}},
    {"the link back sends at once",
     {{0, Ev::change}, {3, Ev::poll, Action::push}, {4, Ev::push_failed, {}, 14}, {14, Ev::poll, Action::probe},
      {17, Ev::probe_down, {}, 19}, {19, Ev::poll, Action::push}, {19, Ev::push_failed, {}, 29},
      {29, Ev::poll, Action::probe}, {32, Ev::probe_down, {}, 42}, {42, Ev::poll, Action::probe},
      {43, Ev::probe_up, {}, 43}, {43, Ev::poll, Action::push}, {44, Ev::push_ok, {}, -1}}},
    {"a change while failed does not bring the retry forward",
     {{0, Ev::send_now}, {0, Ev::poll, Action::push}, {0, Ev::push_failed}, {1, Ev::change, {}, 10},
      {10, Ev::poll, Action::probe}, {11, Ev::probe_down, {}, 15}, {15, Ev::poll, Action::push}}},
    {"switched off, changes wait and the skipper's send still goes",
     {{0, Ev::off}, {0, Ev::start, {}, -1}, {1, Ev::change, {}, -1}, {100, Ev::poll}, {101, Ev::send_now, {}, 101},
      {101, Ev::poll, Action::push}, {102, Ev::push_failed, {}, -1}, {500, Ev::poll}, {600, Ev::on, {}, 600},
      {600, Ev::poll, Action::push}}},
    {"switched off during a push, nothing follows it",
     {{0, Ev::change}, {3, Ev::poll, Action::push}, {4, Ev::change}, {5, Ev::off}, {6, Ev::push_ok, {}, -1},
      {100, Ev::poll}}},
};

class SendScheduleScript : public ::testing::TestWithParam<Script> {};

TEST_P(SendScheduleScript, RunsAsScripted) {
    SendSchedule s;
    int line = 0;
    for (const Step& step : GetParam().steps) {
        ++line;
        const Millis now = ms(step.at);
        switch (step.ev) {
            case Ev::start: s.started(now); break;
            case Ev::change: s.changed(now); break;
            case Ev::send_now: s.send_now(now); break;
            case Ev::off: s.set_enabled(false, now); break;
            case Ev::on: s.set_enabled(true, now); break;
            case Ev::poll: {
                const Action got = s.poll(now);
                EXPECT_EQ(name(got), std::string(name(step.expect))) << "step " << line << " at " << step.at;
                break;
            }
            case Ev::push_ok: s.push_ended(now, true); break;
            case Ev::push_failed: s.push_ended(now, false, "no route"); break;
            case Ev::probe_up: s.probe_ended(now, true); break;
            case Ev::probe_down: s.probe_ended(now, false); break;
        }
        if (step.wake) {
            const std::optional<Millis> wake = s.next_wakeup();
            if (*step.wake < 0) {
                EXPECT_FALSE(wake) << "step " << line << ": wakes at " << wake->count();
            } else {
                EXPECT_EQ(wake, std::optional<Millis>(ms(*step.wake))) << "step " << line;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SendScheduleScript, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SendSchedule, RetriesDoubleUpToTheCapWhileTheOfficeAnswersAndRefuses) {
    // The office answers every probe and refuses every push: after each failure one probe brings
    // a push, and then only the retry, each wait twice the one before, never more than max_retry.
    SendSchedule s;
    s.send_now(ms(0));
    Millis now = ms(0);
    for (long long wait : {30, 120, 480, 900, 900}) {
        ASSERT_EQ(s.poll(now), Action::push);
        s.push_ended(now, false, "refused");
        ASSERT_EQ(s.poll(now + ms(10)), Action::probe);
        s.probe_ended(now + ms(10), true);
        ASSERT_EQ(s.poll(now + ms(10)), Action::push);
        s.push_ended(now + ms(10), false, "refused");
        ASSERT_EQ(s.poll(now + ms(20)), Action::probe);
        s.probe_ended(now + ms(20), true);
        EXPECT_EQ(s.next_wakeup(), std::optional<Millis>(now + ms(10 + wait)));
        EXPECT_EQ(s.poll(now + ms(10 + wait) - Millis(1)), Action::none);
        now += ms(10 + wait);
    }
}

TEST(SendSchedule, StatusSaysWhatIsAtTheOfficeAndWhyNot) {
    SendSchedule s;
    EXPECT_FALSE(s.status().unsent);
    s.changed(ms(0));
    EXPECT_TRUE(s.status().unsent);
    ASSERT_EQ(s.poll(ms(3)), Action::push);
    EXPECT_TRUE(s.status().sending);
    s.push_ended(ms(4), false, "timeout expired");
    SendStatus failed = s.status();
    EXPECT_TRUE(failed.failed && failed.unsent && !failed.sending);
    EXPECT_EQ(failed.reason, "timeout expired");
    EXPECT_FALSE(failed.last_arrival);
    EXPECT_EQ(failed.next_try, std::optional<Millis>(ms(19)));
    ASSERT_EQ(s.poll(ms(19)), Action::push);
    s.push_ended(ms(20), true);
    const SendStatus ok = s.status();
    EXPECT_FALSE(ok.failed || ok.unsent || ok.sending);
    EXPECT_EQ(ok.reason, "");
    EXPECT_EQ(ok.last_arrival, std::optional<Millis>(ms(20)));
    // A change during the next push leaves it unsent after that push.
    s.send_now(ms(30));
    ASSERT_EQ(s.poll(ms(30)), Action::push);
    s.changed(ms(31));
    s.push_ended(ms(32), true);
    EXPECT_TRUE(s.status().unsent);
}

}  // namespace
