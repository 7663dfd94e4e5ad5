// Time as a parameter: the frame loop, the refresh monitor and the touch supervisor take
// a Clock so tests can drive them by hand. now() is monotonic: wall-clock corrections
// (common on boards without a real-time clock) never stall or stretch a timer.
#pragma once

#include <chrono>
#include <thread>

namespace ts::core {

class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() = 0;                  // seconds, monotonic, arbitrary origin
    virtual void sleep_for(double seconds) noexcept = 0;  // any thread
};

class SteadyClock final : public Clock {
public:
    double now() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    void sleep_for(double seconds) noexcept override {
        if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
};

}  // namespace ts::core
