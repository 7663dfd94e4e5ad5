#include "memory.hpp"

#include "parse.hpp"

#include <algorithm>

namespace ts::sysdata {

std::optional<Memory> parse_meminfo(std::string_view text) {
    text = parse::whole_lines(text);
    enum Key { kTotal, kFree, kAvailable, kBuffers, kCached, kReclaimable, kSwapTotal, kSwapFree, kCount };
    static constexpr std::string_view kNames[kCount] = {"MemTotal:", "MemFree:", "MemAvailable:", "Buffers:",
                                                        "Cached:",   "SReclaimable:", "SwapTotal:", "SwapFree:"};
    std::optional<std::uint64_t> v[kCount];
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        const std::string_view name = parse::word(l);
        for (int k = 0; k < kCount; ++k) {
            if (name != kNames[k]) continue;
            const auto kib = parse::unsigned_field(l);
            const std::string_view unit = parse::word(l);
            if (kib && unit == "kB" && *kib < (std::uint64_t{1} << 53)) v[k] = *kib * 1024;
            break;
        }
    }
    if (!v[kTotal] || *v[kTotal] == 0 || !v[kFree]) return std::nullopt;
    Memory m;
    m.total = *v[kTotal];
    m.buffers = v[kBuffers].value_or(0);
    m.cached = v[kCached].value_or(0) + v[kReclaimable].value_or(0);
    // Older kernels have no MemAvailable, and some containers report 0.
    const std::uint64_t available = v[kAvailable] && *v[kAvailable] > 0
                                        ? *v[kAvailable]
                                        : *v[kFree] + m.buffers + v[kCached].value_or(0);
    m.available = std::min(available, m.total);
    m.used = m.total - m.available;
    m.buffers = std::min(m.buffers, m.total);
    m.cached = std::min(m.cached, m.total);
    m.swap_total = v[kSwapTotal].value_or(0);
    m.swap_used = m.swap_total - std::min(v[kSwapFree].value_or(m.swap_total), m.swap_total);
    return m;
}

}  // namespace ts::sysdata
