#include "host.hpp"

#include "parse.hpp"

namespace ts::sysdata {

std::optional<double> parse_uptime(std::string_view text) {
    text = parse::whole_lines(text);
    const auto v = parse::real(text);
    if (!v || *v < 0 || (!text.empty() && !parse::is_space(text.front()))) return std::nullopt;
    return v;
}

}  // namespace ts::sysdata
