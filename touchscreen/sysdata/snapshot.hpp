// What the pages draw: one immutable set of figures, published whole by the sampler.
// An unknown figure is an empty optional (drawn as "—"), never a zero.
#pragma once

#include "cpu.hpp"
#include "filesystems.hpp"
#include "memory.hpp"
#include "processes.hpp"
#include "temperatures.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace ts::sysdata {

// The last 60 samples, oldest first; an unknown interval is NaN and leaves a gap.
class History {
public:
    static constexpr std::size_t kSize = 60;
    void push(std::optional<double> v) {
        values_[next_] = v ? *v : NAN;
        next_ = (next_ + 1) % kSize;
        if (count_ < kSize) ++count_;
    }
    std::size_t size() const { return count_; }
    // i = 0 is the oldest kept sample.
    double at(std::size_t i) const { return values_[(next_ + kSize - count_ + i) % kSize]; }
    double max() const {
        double m = 0;
        for (std::size_t i = 0; i < count_; ++i) {
            if (std::isfinite(at(i))) m = std::fmax(m, at(i));
        }
        return m;
    }

private:
    std::array<double, kSize> values_{};
    std::size_t next_ = 0, count_ = 0;
};

struct CpuFigures {
    std::optional<double> total;               // percent
    std::vector<std::optional<double>> cores;  // percent, one per present core; empty when offline
    std::optional<Frequency> frequency;
    std::optional<std::array<double, 3>> load_average;
    History history;
};

struct TemperatureRow {
    std::string label;
    SensorKind kind = SensorKind::Other;
    double celsius = 0;
};

struct FilesystemRow {
    std::string mount_point;
    FsSize size;
    std::string label;  // "" when the filesystem has none
};

struct DiskIo {
    std::optional<double> read_rate, write_rate;  // bytes per second
    History read_history, write_history;
};

struct NetFigures {
    std::string interface;  // empty: offline
    std::string ipv4;
    std::optional<int> speed_mbps;
    std::optional<double> rx_rate, tx_rate;              // bytes per second
    std::optional<std::uint64_t> rx_total, tx_total;     // bytes since boot
    History rx_history, tx_history;
};

struct Snapshot {
    CpuFigures cpu;
    std::optional<Memory> memory;
    std::optional<std::vector<FilesystemRow>> filesystems;
    std::optional<std::vector<TemperatureRow>> temperatures;  // empty vector: no sensors
    DiskIo disk;
    NetFigures net;
    std::optional<std::vector<ProcessRow>> processes;
    std::string hostname;
    std::optional<double> uptime;  // seconds

    std::optional<double> processor_celsius() const {
        if (!temperatures) return std::nullopt;
        for (const auto& t : *temperatures) {
            if (t.kind == SensorKind::Processor) return t.celsius;
        }
        return std::nullopt;
    }
};

}  // namespace ts::sysdata
