#include "diskstats.hpp"

#include "parse.hpp"

#include <algorithm>
#include <cctype>

namespace ts::sysdata {

namespace {

bool starts(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool all_digits(std::string_view s) { return !s.empty() && std::all_of(s.begin(), s.end(), digit); }

}  // namespace

bool is_whole_disk(std::string_view n) {
    if (n.empty()) return false;
    for (std::string_view skip : {"loop", "ram", "zram", "dm-", "md", "fd", "sr", "nbd"}) {
        if (starts(n, skip)) return false;
    }
    // Names whose disk number ends in a digit mark partitions with "p": nvme0n1p2, mmcblk0p1.
    if (starts(n, "nvme") || starts(n, "mmcblk") || starts(n, "nbd")) {
        if (n.find("boot") != std::string_view::npos || n.find("rpmb") != std::string_view::npos) return false;
        const auto p = n.rfind('p');
        return !(p != std::string_view::npos && p > 0 && digit(n[p - 1]) && all_digits(n.substr(p + 1)));
    }
    // sda, vdb, hdc, xvda: a trailing digit is a partition.
    return !digit(n.back());
}

std::vector<DiskCounters> parse_diskstats(std::string_view text) {
    text = parse::whole_lines(text);
    std::vector<DiskCounters> disks;
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        // major minor name reads merged sectors_read ms writes merged sectors_written ...
        if (!parse::unsigned_field(l) || !parse::unsigned_field(l)) continue;
        const std::string_view name = parse::word(l);
        std::uint64_t f[7];
        if (!parse::unsigned_fields(l, f) || !is_whole_disk(name)) continue;
        disks.push_back({std::string(name), f[2] * 512, f[6] * 512});
    }
    return disks;
}

bool disk_delta(const std::vector<DiskCounters>& before, const std::vector<DiskCounters>& after,
                std::uint64_t& read_bytes, std::uint64_t& write_bytes) {
    read_bytes = write_bytes = 0;
    for (const DiskCounters& a : after) {
        const auto b = std::find_if(before.begin(), before.end(), [&](const DiskCounters& d) { return d.name == a.name; });
        if (b == before.end()) continue;
        if (a.read_bytes < b->read_bytes || a.write_bytes < b->write_bytes) return false;
        read_bytes += a.read_bytes - b->read_bytes;
        write_bytes += a.write_bytes - b->write_bytes;
    }
    return true;
}

}  // namespace ts::sysdata
