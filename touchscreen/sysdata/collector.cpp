#include "collector.hpp"

#include "host.hpp"

#include "../core/log.hpp"

#include <algorithm>

namespace ts::sysdata {

namespace {

constexpr double kSensorRescan = 60.0;  // seconds: drives come and go
constexpr double kSlowSensor = 60.0;    // seconds between drive temperature reads

}  // namespace

Collector::Collector(Source src, CollectorOptions options)
    : src_(std::move(src)), opt_(std::move(options)), procs_(src_) {
    buf_.reserve(16384);
}

void Collector::note_missing(const char* what) {
    if (std::find(missing_.begin(), missing_.end(), what) != missing_.end()) return;
    missing_.emplace_back(what);
    core::log::warning(std::string("system figures: cannot read ") + src_.path(what) + "; shown as unknown");
}

void Collector::sample_cpu(double now) {
    (void)now;  // /proc/stat counts its own time
    CpuFigures& cpu = snap_.cpu;
    std::optional<StatSample> stat;
    if (src_.read("proc/stat", buf_)) {
        stat = parse_stat(buf_);
    } else {
        note_missing("proc/stat");
    }
    if (cores_.empty()) cores_ = read_cores(src_);
    // A core came or went: which exist and are online is read again.
    if (stat) {
        for (const CoreState& c : cores_) {
            const bool listed = static_cast<std::size_t>(c.number) < stat->cores.size() &&
                                stat->cores[static_cast<std::size_t>(c.number)].has_value();
            if (listed != c.online) {
                cores_ = read_cores(src_);
                break;
            }
        }
    }
    cpu.total.reset();
    cpu.cores.assign(cores_.size(), std::nullopt);
    if (stat && last_stat_) {
        cpu.total = busy_percent(last_stat_->all, stat->all);
        for (std::size_t i = 0; i < cores_.size(); ++i) {
            const auto n = static_cast<std::size_t>(cores_[i].number);
            if (!cores_[i].online || n >= stat->cores.size() || n >= last_stat_->cores.size()) continue;
            if (stat->cores[n] && last_stat_->cores[n]) cpu.cores[i] = busy_percent(*last_stat_->cores[n], *stat->cores[n]);
        }
    }
    cpu.history.push(cpu.total);
    last_stat_ = std::move(stat);

    if (src_.read("proc/loadavg", buf_)) {
        cpu.load_average = parse_loadavg(buf_);
    } else {
        cpu.load_average.reset();
    }
}

void Collector::sample_frequency() {
    cores_ = read_cores(src_);
    snap_.cpu.frequency = read_frequency(src_, cores_);
}

void Collector::sample_memory() {
    if (src_.read("proc/meminfo", buf_)) {
        snap_.memory = parse_meminfo(buf_);
    } else {
        note_missing("proc/meminfo");
        snap_.memory.reset();
    }
}

void Collector::sample_filesystems() {
    if (!src_.read("proc/self/mountinfo", buf_)) {
        note_missing("proc/self/mountinfo");
        snap_.filesystems.reset();
        return;
    }
    // Mounts and labels change rarely: parsed and looked up again only when the list changed.
    if (buf_ != mount_text_) {
        mount_text_ = buf_;
        mounts_ = parse_mountinfo(buf_);
        const std::vector<DeviceLabel> labels = read_labels(src_);
        for (Mount& m : mounts_) {
            m.source = resolve_source(src_, m);
            m.label = label_of(src_, labels, m.source);
        }
    }
    const auto show = opt_.disks_show ? opt_.disks_show() : std::vector<std::string>{};
    const auto hide = opt_.disks_hide ? opt_.disks_hide() : std::vector<std::string>{};
    std::vector<FilesystemRow> rows;
    for (const Mount& m : select_filesystems(mounts_, show, hide)) {
        // Network filesystems never get here: statvfs on a dead server would hang the sampler.
        const auto size = opt_.measure ? opt_.measure(m.mount_point) : statvfs_size(src_.path(m.mount_point));
        if (size) rows.push_back({m.mount_point, *size, m.label});
    }
    snap_.filesystems = std::move(rows);
}

void Collector::sample_temperatures(double now) {
    if (now - sensors_scanned_ >= kSensorRescan) {
        sensors_ = scan_sensors(src_);
        sensor_values_.assign(sensors_.size(), std::nullopt);
        sensors_scanned_ = now;
        slow_read_ = -1e9;
    }
    const bool read_slow = now - slow_read_ >= kSlowSensor;
    if (read_slow) slow_read_ = now;
    std::vector<TemperatureRow> rows;
    for (std::size_t i = 0; i < sensors_.size(); ++i) {
        const Sensor& s = sensors_[i];
        if (!s.slow || read_slow) {
            // A sensor that fails to read (EIO, ENODATA) is left out until it reads again.
            sensor_values_[i] = src_.read(s.input, buf_) ? parse_millidegrees(buf_) : std::nullopt;
        }
        if (sensor_values_[i]) rows.push_back({s.label, s.kind, *sensor_values_[i]});
    }
    snap_.temperatures = std::move(rows);
}

void Collector::sample_disk_io(double now) {
    DiskIo& io = snap_.disk;
    io.read_rate.reset();
    io.write_rate.reset();
    if (!src_.read("proc/diskstats", buf_)) {
        note_missing("proc/diskstats");
        last_disks_.clear();
        last_disk_time_ = -1;
    } else {
        std::vector<DiskCounters> disks = parse_diskstats(buf_);
        std::uint64_t r = 0, w = 0;
        const double dt = now - last_disk_time_;
        if (last_disk_time_ >= 0 && dt > 0 && disk_delta(last_disks_, disks, r, w)) {
            io.read_rate = static_cast<double>(r) / dt;
            io.write_rate = static_cast<double>(w) / dt;
        }
        last_disks_ = std::move(disks);
        last_disk_time_ = now;
    }
    io.read_history.push(io.read_rate);
    io.write_history.push(io.write_rate);
}

void Collector::sample_network(double now) {
    NetFigures& net = snap_.net;
    net.rx_rate.reset();
    net.tx_rate.reset();
    std::vector<NetCounters> counters;
    if (src_.read("proc/net/dev", buf_)) {
        counters = parse_net_dev(buf_);
    } else {
        note_missing("proc/net/dev");
    }
    std::string iface = opt_.interface ? opt_.interface() : std::string();
    if (iface.empty() || iface == "auto") {
        iface = src_.read("proc/net/route", buf_) ? parse_default_route(buf_) : std::string();
        if (iface.empty() && src_.read("proc/net/ipv6_route", buf_)) iface = parse_default_route6(buf_);
        if (iface.empty()) {
            // No default route: the busiest interface that is up, if any.
            std::uint64_t best = 0;
            for (const NetCounters& c : counters) {
                if (c.rx_bytes + c.tx_bytes > best && counts_own_traffic(src_, c.name) && interface_up(src_, c.name)) {
                    best = c.rx_bytes + c.tx_bytes;
                    iface = c.name;
                }
            }
        }
    }
    const auto it = std::find_if(counters.begin(), counters.end(), [&](const NetCounters& c) { return c.name == iface; });
    if (iface.empty() || it == counters.end()) {
        net.interface.clear();
        net.ipv4.clear();
        net.speed_mbps.reset();
        net.rx_total.reset();
        net.tx_total.reset();
        last_iface_.clear();
    } else {
        const double dt = now - last_net_time_;
        // Counters that went back (32-bit wrap, interface re-created): the interval is unknown.
        if (iface == last_iface_ && last_net_time_ >= 0 && dt > 0 && it->rx_bytes >= last_rx_ && it->tx_bytes >= last_tx_) {
            net.rx_rate = static_cast<double>(it->rx_bytes - last_rx_) / dt;
            net.tx_rate = static_cast<double>(it->tx_bytes - last_tx_) / dt;
        }
        if (iface != net.interface) net.ipv4.clear();
        net.interface = iface;
        net.rx_total = it->rx_bytes;
        net.tx_total = it->tx_bytes;
        net.speed_mbps = link_speed(src_, iface);
        last_iface_ = iface;
        last_rx_ = it->rx_bytes;
        last_tx_ = it->tx_bytes;
    }
    last_net_time_ = now;
    net.rx_history.push(net.rx_rate);
    net.tx_history.push(net.tx_rate);
}

void Collector::sample_processes(double now) { snap_.processes = procs_.scan(now); }

void Collector::sample_host() {
    snap_.hostname = src_.read_line("proc/sys/kernel/hostname").value_or("");
    snap_.uptime = src_.read("proc/uptime", buf_) ? parse_uptime(buf_) : std::nullopt;
    if (!snap_.net.interface.empty() && opt_.address) snap_.net.ipv4 = opt_.address(snap_.net.interface);
}

void Collector::sample_all(double now) {
    sample_cpu(now);
    sample_frequency();
    sample_memory();
    sample_filesystems();
    sample_temperatures(now);
    sample_disk_io(now);
    sample_network(now);
    sample_processes(now);
    sample_host();
}

}  // namespace ts::sysdata
