// Network figures: which interface carries the default route, its byte counters from
// /proc/net/dev, its address and link speed.
#pragma once

#include "source.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts::sysdata {

struct NetCounters {
    std::string name;
    std::uint64_t rx_bytes = 0;
    std::uint64_t tx_bytes = 0;
};

// Lines split at the last ':' (names may hold ':' for aliases).
std::vector<NetCounters> parse_net_dev(std::string_view text);
// The interface of the IPv4 default route (lowest metric), or empty.
std::string parse_default_route(std::string_view proc_net_route);
// The interface of an IPv6 default route (::/0, up, not a reject route, not lo), or empty.
std::string parse_default_route6(std::string_view proc_net_ipv6_route);

// The primary IPv4 address of an interface in dotted form, link-local ones left out; empty
// when it has none. Injectable so tests need no real interfaces.
using AddressLookup = std::function<std::string(const std::string& interface)>;
std::string ipv4_address(const std::string& interface);  // getifaddrs

// Interfaces that are up and carry their own traffic: not lo, bridges, veth pairs or bond
// slaves, which see the same bytes as another interface.
bool counts_own_traffic(const Source& src, const std::string& name);
bool interface_up(const Source& src, const std::string& name);
// Link speed in Mbit/s, or nothing when the driver does not know (wireless, virtual).
std::optional<int> link_speed(const Source& src, const std::string& name);

}  // namespace ts::sysdata
