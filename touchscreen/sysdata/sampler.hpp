// The sampler thread: reads each figure at its own interval, keeps the histories, and
// publishes immutable snapshots that the pages read when they are drawn. A frame never
// waits for /proc: latest() only copies a pointer under a short lock.
#pragma once

#include "collector.hpp"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ts::sysdata {

struct Intervals {  // seconds
    double cpu = 1, memory = 2, disk = 5, network = 1, process = 3;
};

// The next due time (monotonic seconds) of a task that runs every `every` seconds and ran at
// `now`. A task of a whole number of seconds is due just before the wall clock's second turns,
// within half a second of a full interval: the clock page then takes a new second and new
// figures in one drawing instead of two.
double due_after(double now, double every, double wall_minus_mono);

class Sampler {
public:
    // intervals and screen_on are asked on the sampler thread at every round.
    Sampler(Source src, CollectorOptions options, std::function<Intervals()> intervals,
            std::function<bool()> screen_on);
    ~Sampler();
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    void start();  // returns at once; a second call does nothing
    void stop();   // joins the thread
    // Any thread; empty before the first round.
    std::shared_ptr<const Snapshot> latest() const;
    // Any thread: the process rows were just shown. Scanning every process is most of this
    // thread's work, so it is done only from start() and after each showing, for
    // processes_kept_for seconds or three rounds of the page showing them, whichever is longer.
    void processes_shown();
    double processes_kept_for = 10.0;  // set before start()
    // One full sample on the calling thread, published; for the picture tool and tests
    // (only while the thread is not running).
    void sample_all_now(double now);

private:
    void run();
    void publish();

    Collector collector_;
    std::function<Intervals()> intervals_;
    std::function<bool()> screen_on_;
    mutable std::mutex lock_;  // guards latest_, stop_ and poked_
    std::condition_variable wake_;
    std::shared_ptr<const Snapshot> latest_;
    bool stop_ = false;
    bool poked_ = false;  // process rows wanted again after a pause
    std::atomic<double> processes_shown_at_{0};  // monotonic seconds
    std::thread thread_;
};

}  // namespace ts::sysdata
