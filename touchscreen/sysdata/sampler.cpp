#include "sampler.hpp"

#include "../core/log.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace ts::sysdata {

namespace {

constexpr double kDiskRate = 1.0;     // seconds: the page-1 graph moves every second
constexpr double kFrequency = 5.0;    // seconds: cpufreq reads are not free on small boards
constexpr double kTemperature = 5.0;  // seconds; drives limit themselves to once a minute
constexpr double kHost = 10.0;        // seconds: name, uptime, address
constexpr double kMaxWait = 1.0;      // seconds: changed intervals and the screen state apply soon
// After a pause the first scan's shares average over the whole pause: the next comes soon.
constexpr double kAfterPause = 1.0;   // seconds

// Sampling takes a few milliseconds: published just before the tick, the figures are there
// when the page is drawn for the new second.
constexpr double kBeforeTick = 0.01;  // seconds

double monotonic() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double wall_minus_mono() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() - monotonic();
}

bool whole_seconds(double every) { return every >= 1 && std::abs(every - std::round(every)) < 1e-6; }

}  // namespace

double due_after(double now, double every, double wall_minus_mono) {
    every = std::max(0.2, every);
    if (!whole_seconds(every)) return now + every;
    // The nearest tick: a wake-up up to half a second late still keeps the rounds on the tick.
    return std::round(now + every + wall_minus_mono + kBeforeTick) - kBeforeTick - wall_minus_mono;
}

Sampler::Sampler(Source src, CollectorOptions options, std::function<Intervals()> intervals,
                 std::function<bool()> screen_on)
    : collector_(std::move(src), std::move(options)), intervals_(std::move(intervals)),
      screen_on_(std::move(screen_on)) {}

Sampler::~Sampler() { stop(); }

void Sampler::start() {
    if (thread_.joinable()) return;
    {
        std::lock_guard l(lock_);
        stop_ = false;
    }
    processes_shown_at_ = monotonic();  // the first rounds learn the counters
    thread_ = std::thread([this] { run(); });
}

void Sampler::stop() {
    {
        std::lock_guard l(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

std::shared_ptr<const Snapshot> Sampler::latest() const {
    std::lock_guard l(lock_);
    return latest_;
}

void Sampler::processes_shown() {
    const double now = monotonic();
    // Shown again within a round or two: the scans are running already.
    if (now - processes_shown_at_.exchange(now) < 2.0) return;
    {
        std::lock_guard l(lock_);
        poked_ = true;
    }
    wake_.notify_all();
}

void Sampler::publish() {
    auto next = collector_.publish();
    std::lock_guard l(lock_);
    latest_ = std::move(next);
}

void Sampler::sample_all_now(double now) {
    collector_.sample_all(now);
    publish();
}

void Sampler::run() {
    struct Task {
        double due = 0;
        bool always;  // also while the screen is off: the history graphs need it
    };
    enum { kCpu, kFreq, kMem, kFs, kTemp, kDisk, kNet, kProc, kHostTask, kTasks };
    Task tasks[kTasks] = {{0, true}, {0, false}, {0, false}, {0, false}, {0, false},
                          {0, true}, {0, true},  {0, false}, {0, false}};
    bool processes_paused = false;
    for (;;) {
        const Intervals iv = intervals_ ? intervals_() : Intervals{};
        const bool on = !screen_on_ || screen_on_();
        const double now = monotonic();
        const double wall_offset = wall_minus_mono();
        const double every[kTasks] = {iv.cpu,  kFrequency, iv.memory, iv.disk,   kTemperature,
                                      kDiskRate, iv.network, iv.process, kHost};
        // The page with the process rows is drawn each time its network or process figures are due.
        const double kept = std::max(processes_kept_for, 3 * std::min(iv.network, iv.process));
        const bool processes_wanted = now - processes_shown_at_.load() <= kept;
        const auto wanted = [&](int t) { return (on || tasks[t].always) && (t != kProc || processes_wanted); };
        if (!wanted(kProc)) processes_paused = true;
        bool ran = false;
        try {
            for (int t = 0; t < kTasks; ++t) {
                if (!wanted(t) || now < tasks[t].due) continue;
                switch (t) {
                    case kCpu: collector_.sample_cpu(now); break;
                    case kFreq: collector_.sample_frequency(); break;
                    case kMem: collector_.sample_memory(); break;
                    case kFs: collector_.sample_filesystems(); break;
                    case kTemp: collector_.sample_temperatures(now); break;
                    case kDisk: collector_.sample_disk_io(now); break;
                    case kNet: collector_.sample_network(now); break;
                    case kProc: collector_.sample_processes(now); break;
                    case kHostTask: collector_.sample_host(); break;
                }
                tasks[t].due = due_after(now, every[t], wall_offset);
                if (t == kProc && std::exchange(processes_paused, false)) {
                    tasks[t].due = std::min(tasks[t].due, due_after(now, kAfterPause, wall_offset));
                }
                ran = true;
            }
        } catch (const std::exception& e) {
            // Out of memory and the like: keep the last figures and try again next round.
            core::log::error(std::string("system figures: ") + e.what());
        }
        if (ran) publish();

        double next = now + kMaxWait;
        for (int t = 0; t < kTasks; ++t) {
            if (wanted(t)) next = std::min(next, tasks[t].due);
        }
        std::unique_lock l(lock_);
        if (wake_.wait_for(l, std::chrono::duration<double>(std::max(0.01, next - monotonic())),
                           [this] { return stop_ || poked_; }) &&
            stop_) {
            return;
        }
        poked_ = false;
    }
}

}  // namespace ts::sysdata
