// Disk activity: bytes read and written by all whole disks, from /proc/diskstats.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ts::sysdata {

struct DiskCounters {
    std::string name;
    std::uint64_t read_bytes = 0;  // sectors are always 512 bytes here, whatever the device's
    std::uint64_t write_bytes = 0;
};

// Whole physical disks only: partitions, loop, ram, zram, dm and md devices are left out
// (the last two would count the bytes of the disks below them again).
bool is_whole_disk(std::string_view name);
std::vector<DiskCounters> parse_diskstats(std::string_view text);

// Bytes moved between two readings of the same disks; a disk that appeared or vanished in
// between is left out; false when a counter went backwards (reset or wrap): the interval is unknown.
bool disk_delta(const std::vector<DiskCounters>& before, const std::vector<DiskCounters>& after,
                std::uint64_t& read_bytes, std::uint64_t& write_bytes);

}  // namespace ts::sysdata
