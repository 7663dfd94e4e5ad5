// Memory figures from /proc/meminfo, in bytes, the way free(1) counts them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ts::sysdata {

struct Memory {
    std::uint64_t total = 0;
    std::uint64_t used = 0;       // total - available
    std::uint64_t available = 0;  // clamped to total (containers report more)
    std::uint64_t cached = 0;     // page cache and reclaimable slab
    std::uint64_t buffers = 0;
    std::uint64_t swap_total = 0;  // 0: no swap
    std::uint64_t swap_used = 0;
};

// Nothing when MemTotal is missing or zero, or a needed line is malformed.
std::optional<Memory> parse_meminfo(std::string_view text);

}  // namespace ts::sysdata
