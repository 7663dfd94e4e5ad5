// The refresh monitor, driven pass by pass through a hand-moved clock: which pages a pass
// marks, what it records, the pauses it asks for, and how it survives errors.
#include "fakes.hpp"
#include "log_capture.hpp"

#include "refresh/refresh_monitor.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <stdexcept>
#include <thread>

namespace ts::test {
namespace {

using Pages = std::set<int>;
using Names = std::set<std::string>;

class RefreshMonitor : public ::testing::Test {
protected:
    // One pass, then the pause it asked for; returns the pages it marked (flags cleared again).
    Pages pass() {
        last_pause = refresh::refresh_pass(state, config, data_mgr, clock);
        clock.sleep_for(last_pause);
        Pages marked;
        for (int i = 0; i < core::PAGE_COUNT; ++i) {
            if (state._page_dirty[static_cast<std::size_t>(i)].is_set()) marked.insert(i);
            state._page_dirty[static_cast<std::size_t>(i)].clear();
        }
        return marked;
    }
    Names recorded() {
        std::lock_guard lock(state._refresh_lock);
        Names names;
        for (const auto& [name, time] : state._last_refresh_times) names.insert(name);
        return names;
    }
    bool due(const std::string& component) { return refresh::_should_refresh(state, config, clock, component); }

    CallLog log;
    FakeConfig config;
    FakeDataManager data_mgr{log};
    ManualClock clock;
    core::AppState state;
    double last_pause = 0;
};

TEST_F(RefreshMonitor, PassesMarkPagesWhoseFirstDueComponentIsFoundAndRecordOnlyThat) {
    // Built-in intervals: time 1, weather 600, cpu 1, memory 2, disk 5, network 1, process 3.
    struct Pass {
        Pages marked;
        Names recorded_after;
    } passes[] = {
        {{0, 1, 2, 3}, {"time", "cpu", "disk", "network"}},
        // 0.2 s on: each page's next component is asked for the first time, and is due.
        {{0, 1, 3}, {"time", "cpu", "disk", "network", "weather", "memory", "process"}},
        {{0}, {"time", "cpu", "disk", "network", "weather", "memory", "process", "disk_io"}},
        {{0}, {"time", "cpu", "disk", "network", "weather", "memory", "process", "disk_io"}},
    };
    for (std::size_t i = 0; i < std::size(passes); ++i) {
        EXPECT_EQ(pass(), passes[i].marked) << "pass " << i;
        EXPECT_EQ(recorded(), passes[i].recorded_after) << "pass " << i;
        EXPECT_EQ(last_pause, 0.2);
    }
}

TEST_F(RefreshMonitor, DiskIoMarksThePageOfTheClockOnEveryPass) {
    config.time_update_interval = 1000;
    for (int i = 0; i < 3; ++i) pass();  // time, then weather, then disk_io recorded
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(pass().count(0)) << "pass " << i;
}

TEST_F(RefreshMonitor, DueExactlyOneIntervalLaterAndUnknownNamesUseOneSecond) {
    config.cpu_update_interval = 2.5;
    struct Case {
        std::string component;
        double interval;
    } cases[] = {{"cpu", 2.5}, {"no such component", 1.0}};
    for (const Case& c : cases) {
        EXPECT_TRUE(due(c.component)) << c.component << ": never asked";
        clock.advance(c.interval - 0.001);
        EXPECT_FALSE(due(c.component)) << c.component;
        clock.advance(0.001);
        // The record is the time it was last found due, not the last time it was asked.
        const double since = clock.now() - [&] {
            std::lock_guard lock(state._refresh_lock);
            return state._last_refresh_times.at(c.component);
        }();
        ASSERT_DOUBLE_EQ(since, c.interval);
        EXPECT_TRUE(due(c.component)) << c.component << ": exactly one interval later";
    }
}

TEST_F(RefreshMonitor, ChangedIntervalAppliesToTheNextCheck) {
    EXPECT_TRUE(due("weather"));
    clock.advance(10);
    EXPECT_FALSE(due("weather"));
    config.weather_update_interval = 10;
    EXPECT_TRUE(due("weather"));
}

TEST_F(RefreshMonitor, EveryComponentIsDueWhenFirstAskedWhateverTheClockReads) {
    // A monotonic clock may start near zero (seconds since boot): a never-asked component is
    // due even when the clock reads less than its interval.
    clock.advance(-clock.now());
    ASSERT_EQ(clock.now(), 0.0);
    for (const char* component : {"weather", "disk", "process", "time"}) EXPECT_TRUE(due(component)) << component;
    EXPECT_FALSE(due("weather"));
}

TEST_F(RefreshMonitor, ScreenOffAsksOnlyTheStatusOnceASecondThenCatchesUp) {
    pass();
    pass();
    pass();  // everything recorded once
    const auto times_before = [&] {
        std::lock_guard lock(state._refresh_lock);
        return state._last_refresh_times;
    }();
    data_mgr.screen_on = false;
    const int calls_before = data_mgr.status_calls;
    for (int second = 0; second < 60; ++second) {
        EXPECT_EQ(pass(), Pages{}) << "second " << second;
        EXPECT_EQ(last_pause, 1.0);
    }
    EXPECT_EQ(data_mgr.status_calls - calls_before, 60);
    {
        std::lock_guard lock(state._refresh_lock);
        EXPECT_EQ(state._last_refresh_times, times_before);
    }
    data_mgr.screen_on = true;
    EXPECT_EQ(pass(), (Pages{0, 1, 2, 3})) << "every interval of at most a minute has passed";
}

TEST_F(RefreshMonitor, FailingStatusIsRetriedEverySecondSilently) {
    LogCapture logs;
    data_mgr.status_throws = true;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pass(), Pages{});
        EXPECT_EQ(last_pause, 1.0);
    }
    EXPECT_EQ(data_mgr.status_calls, 3);
    EXPECT_TRUE(recorded().empty());
    EXPECT_TRUE(logs.lines().empty());
    data_mgr.status_throws = false;
    EXPECT_EQ(pass(), (Pages{0, 1, 2, 3}));
}

// A configuration whose interval getter fails, as a missing value would.
class BrokenConfig : public FakeConfig {
public:
    double CPU_UPDATE_INTERVAL() const override { throw std::runtime_error("no CPU_UPDATE_INTERVAL"); }
};

TEST(RefreshMonitorErrors, FailedCheckLeavesTimesAndLockAsTheyWereAndMarksNothing) {
    CallLog log;
    BrokenConfig config;
    FakeDataManager data_mgr{log};
    ManualClock clock;
    core::AppState state;
    EXPECT_THROW(refresh::_should_refresh(state, config, clock, "time"), std::runtime_error);
    EXPECT_TRUE(state._last_refresh_times.empty());
    ASSERT_TRUE(state._refresh_lock.try_lock()) << "the lock is free after the error";
    state._refresh_lock.unlock();

    EXPECT_EQ(refresh::refresh_pass(state, config, data_mgr, clock), 1.0);
    for (const core::DirtyFlag& flag : state._page_dirty) EXPECT_FALSE(flag.is_set());
}

// The real loop, on its own thread: it sleeps what each pass asks for and never stops on an
// error. After the sleeps checked here the thread is parked for good; the objects it uses
// are never freed, since the loop cannot be stopped.
TEST(RefreshMonitorLoop, SleepsThePauseEachPassAsksForAndOutlivesErrors) {
    auto* log = new CallLog;
    auto* config = new FakeConfig;
    auto* data_mgr = new FakeDataManager(*log);
    auto* clock = new ManualClock;
    auto* state = new core::AppState;
    auto* sleeps_seen = new std::atomic<int>(0);
    // Screen on for two passes, off for one, failing for one, on again.
    clock->on_sleep = [=](double) {
        const int n = ++*sleeps_seen;
        data_mgr->screen_on = n != 2;
        data_mgr->status_throws = n == 3;
        if (n == 5) {
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        }
    };
    std::thread([=] { refresh::_refresh_monitor(*state, *config, *data_mgr, *clock); }).detach();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (*sleeps_seen < 5 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(*sleeps_seen, 5);
    EXPECT_EQ(clock->sleeps(), (std::vector<double>{0.2, 0.2, 1.0, 1.0, 0.2}));
}

}  // namespace
}  // namespace ts::test
