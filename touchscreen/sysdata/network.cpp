#include "network.hpp"

#include "parse.hpp"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <limits>
#include <netinet/in.h>

namespace ts::sysdata {

std::vector<NetCounters> parse_net_dev(std::string_view text) {
    text = parse::whole_lines(text);
    std::vector<NetCounters> out;
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        const auto colon = l.rfind(':');
        if (colon == std::string_view::npos) continue;
        std::string_view name = l.substr(0, colon);
        parse::skip_spaces(name);
        if (name.empty() || name.find(' ') != std::string_view::npos) continue;
        std::string_view rest = l.substr(colon + 1);
        std::uint64_t f[9];
        if (parse::unsigned_fields(rest, f)) out.push_back({std::string(name), f[0], f[8]});
    }
    return out;
}

std::string parse_default_route(std::string_view text) {
    text = parse::whole_lines(text);
    std::string best;
    std::uint64_t best_metric = std::numeric_limits<std::uint64_t>::max();
    parse::line(text);  // header
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
        const std::string_view iface = parse::word(l), dest = parse::word(l);
        parse::word(l);
        const auto flags = parse::hex(parse::word(l));
        parse::word(l);
        parse::word(l);
        const auto metric = parse::unsigned_field(l);
        const auto mask = parse::hex(parse::word(l));
        if (iface.empty() || !flags || !metric || !mask) continue;
        if (parse::hex(dest) != 0u || *mask != 0 || (*flags & 0x1) == 0) continue;  // RTF_UP
        if (*metric < best_metric) {
            best_metric = *metric;
            best = iface;
        }
    }
    return best;
}

std::string parse_default_route6(std::string_view text) {
    text = parse::whole_lines(text);
    std::string best;
    std::uint64_t best_metric = std::numeric_limits<std::uint64_t>::max();
    while (!text.empty()) {
        std::string_view l = parse::line(text);
        // dest plen src splen next_hop metric refcnt use flags iface
        const std::string_view dest = parse::word(l), plen = parse::word(l);
        parse::word(l);
        parse::word(l);
        parse::word(l);
        const auto metric = parse::hex(parse::word(l));
        parse::word(l);
        parse::word(l);
        const auto flags = parse::hex(parse::word(l));
        const std::string_view iface = parse::word(l);
        if (dest.size() != 32 || iface.empty() || !metric || !flags) continue;
        if (dest.find_first_not_of('0') != std::string_view::npos || plen != "00") continue;
        if ((*flags & 0x1) == 0 || (*flags & 0x200) != 0 || iface == "lo") continue;  // RTF_UP, RTF_REJECT
        if (*metric < best_metric) {
            best_metric = *metric;
            best = iface;
        }
    }
    return best;
}

std::string ipv4_address(const std::string& interface) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    std::string found;
    for (const ifaddrs* a = list; a != nullptr && found.empty(); a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || interface != a->ifa_name) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        const std::uint32_t host = ntohl(in->sin_addr.s_addr);
        if ((host >> 16) == 0xA9FE) continue;  // 169.254/16
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) found = text;
    }
    ::freeifaddrs(list);
    return found;
}

bool counts_own_traffic(const Source& src, const std::string& name) {
    if (name == "lo" || name.rfind("veth", 0) == 0) return false;
    const std::string dir = "sys/class/net/" + name;
    return !src.exists(dir + "/bridge") && !src.exists(dir + "/brport") && !src.exists(dir + "/bonding_slave");
}

bool interface_up(const Source& src, const std::string& name) {
    const auto state = src.read_line("sys/class/net/" + name + "/operstate");
    return state && (*state == "up" || *state == "unknown");
}

std::optional<int> link_speed(const Source& src, const std::string& name) {
    const auto v = src.read_int("sys/class/net/" + name + "/speed");
    if (!v || *v <= 0 || *v > 1000000) return std::nullopt;
    return static_cast<int>(*v);
}

}  // namespace ts::sysdata
