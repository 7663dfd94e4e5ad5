// Reads each figure into a working Snapshot and keeps what the next delta needs. One
// thread at a time (the sampler's); the pages only ever see published copies.
#pragma once

#include "diskstats.hpp"
#include "network.hpp"
#include "snapshot.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ts::sysdata {

struct CollectorOptions {
    AddressLookup address = ipv4_address;
    FsMeasure measure;  // empty: statvfs under the root
    // Settings read at each sample so a reload applies; empty values mean "all" and "auto".
    std::function<std::vector<std::string>()> disks_show, disks_hide;
    std::function<std::string()> interface;
};

class Collector {
public:
    explicit Collector(Source src, CollectorOptions options = {});

    // now: monotonic seconds. Each reads its sources and updates the working snapshot.
    void sample_cpu(double now);
    void sample_frequency();
    void sample_memory();
    void sample_filesystems();
    void sample_temperatures(double now);
    void sample_disk_io(double now);
    void sample_network(double now);
    void sample_processes(double now);
    void sample_host();
    void sample_all(double now);

    const Snapshot& current() const { return snap_; }
    std::shared_ptr<const Snapshot> publish() const { return std::make_shared<const Snapshot>(snap_); }

private:
    void note_missing(const char* what);

    Source src_;
    CollectorOptions opt_;
    Snapshot snap_;
    std::string buf_;
    std::optional<StatSample> last_stat_;
    std::vector<CoreState> cores_;
    std::vector<DiskCounters> last_disks_;
    double last_disk_time_ = -1;
    std::string last_iface_;
    std::uint64_t last_rx_ = 0, last_tx_ = 0;
    double last_net_time_ = -1;
    std::vector<Sensor> sensors_;
    double sensors_scanned_ = -1e9, slow_read_ = -1e9;
    std::vector<std::optional<double>> sensor_values_;
    ProcessScanner procs_;
    std::string mount_text_;     // the mount list last parsed
    std::vector<Mount> mounts_;  // ... parsed, sources resolved, labels looked up
    std::vector<std::string> missing_;  // sources already reported missing
};

}  // namespace ts::sysdata
