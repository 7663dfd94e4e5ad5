// Measures the time from a touch line written into the reader's pipe to its event being
// dispatched by the frame loop at 25 frames a second. The reader is a script copying a FIFO
// into the pipe, started through the real supervisor; dispatch is seen when the event asks
// the (open) control centre what lies under the point. Prints the figures; asserts only a
// generous bound, since the machine may be busy with other work.
#include "app/app.hpp"
#include "input/touch_monitor.hpp"

#include "fakes.hpp"
#include "reader_scripts.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace ts::input {
namespace {

using Clock = std::chrono::steady_clock;

// An open control centre that notes when each point reaches it; the point's x is its number.
class TimingCentre : public test::RecordingControlCentre {
public:
    explicit TimingCentre(test::CallLog& log, std::size_t samples)
        : RecordingControlCentre(log), dispatched(samples) {}
    bool is_settings_open() override { return true; }
    std::optional<core::AreaDescriptor> get_button_at(int x, int) override {
        if (x >= 0 && static_cast<std::size_t>(x) < dispatched.size()) dispatched[x] = Clock::now();
        return std::nullopt;
    }
    std::vector<Clock::time_point> dispatched;  // main thread only
};

TEST(TouchLatency, LineToDispatchAtTwentyFiveFramesASecond) {
    constexpr std::size_t kSamples = 150;
    test::TempDir dir;
    const std::string fifo = dir.path() + "/lines";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string reader = dir.script("touchreader", "exec cat '" + fifo + "'\n");

    test::CallLog calls;
    test::FakeConfig config;
    test::FakePanelUtilities permission{calls};
    test::FakeDataManager data_mgr{calls};
    TimingCentre centre{calls, kSamples};
    test::RecordingPages pages{calls};
    services::Components components{config, permission, data_mgr, centre, pages, {}, {}, {}, {}};
    core::SteadyClock clock;

    std::atomic<bool> stop{false};
    std::thread touch_thread;
    app::AppHooks hooks;
    hooks.refresh_worker = [] {};
    hooks.touch_worker = [&] {
        TouchMonitorOptions options;
        options.touch_path = reader;
        options.stop = &stop;
        _touch_monitor_thread(clock, options);
    };
    hooks.spawn_daemon = [&, first = true](std::function<void()> body) mutable {
        if (first) {  // the refresh worker comes first and is not needed here
            first = false;
            return;
        }
        touch_thread = std::thread(std::move(body));
    };
    app::App app(components, clock, hooks);
    app.startup();

    std::vector<Clock::time_point> written(kSamples);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY | O_CLOEXEC);  // waits for the reader
        std::mt19937 random(7);
        std::uniform_int_distribution<int> gap_ms(20, 60);  // spread over every frame phase
        for (std::size_t i = 0; i < kSamples && fd >= 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gap_ms(random)));
            const std::string line = "1700000000 " + std::to_string(i) + " 500\n";
            written[i] = Clock::now();
            if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // last frames
        done = true;
        if (fd >= 0) close(fd);
    });
    while (!done) app.run_frame();
    writer.join();
    stop = true;
    touch_thread.join();
    app.shutdown();

    std::vector<double> ms;
    for (std::size_t i = 0; i < kSamples; ++i) {
        if (centre.dispatched[i] == Clock::time_point{}) continue;
        ms.push_back(std::chrono::duration<double, std::milli>(centre.dispatched[i] - written[i]).count());
    }
    ASSERT_EQ(ms.size(), kSamples) << "some lines never reached the frame loop";
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[static_cast<std::size_t>(q * (ms.size() - 1))]; };
    std::printf("touch line to dispatch, %zu samples: min %.1f ms, median %.1f ms, p90 %.1f ms, max %.1f ms\n",
                ms.size(), ms.front(), at(0.5), at(0.9), ms.back());
    EXPECT_LT(at(0.5), 80.0);
}

}  // namespace
}  // namespace ts::input
