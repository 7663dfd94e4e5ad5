// Small scanners shared by the parsers: numbers and words taken off the front of a view.
// They never throw and never read past the view; a malformed field gives nothing.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ts::sysdata::parse {

inline bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

inline void skip_spaces(std::string_view& v) {
    while (!v.empty() && is_space(v.front())) v.remove_prefix(1);
}

// The next run of non-space characters.
inline std::string_view word(std::string_view& v) {
    skip_spaces(v);
    std::size_t n = 0;
    while (n < v.size() && !is_space(v[n])) ++n;
    const std::string_view w = v.substr(0, n);
    v.remove_prefix(n);
    return w;
}

// The next unsigned decimal field; nothing when the next word is not wholly a number.
inline std::optional<std::uint64_t> unsigned_field(std::string_view& v) {
    const std::string_view w = word(v);
    std::uint64_t x = 0;
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), x);
    if (w.empty() || ec != std::errc{} || end != w.data() + w.size()) return std::nullopt;
    return x;
}

// The next N unsigned decimal fields into out; false when one is missing or not a number.
template <std::size_t N>
bool unsigned_fields(std::string_view& v, std::uint64_t (&out)[N]) {
    for (std::uint64_t& x : out) {
        const auto f = unsigned_field(v);
        if (!f) return false;
        x = *f;
    }
    return true;
}

// A signed integer at the front (after spaces); the rest of the word may follow.
inline std::optional<long long> integer(std::string_view& v) {
    skip_spaces(v);
    long long x = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc{}) return std::nullopt;
    v.remove_prefix(static_cast<std::size_t>(end - v.data()));
    return x;
}

inline std::optional<double> real(std::string_view& v) {
    skip_spaces(v);
    double x = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc{}) return std::nullopt;
    v.remove_prefix(static_cast<std::size_t>(end - v.data()));
    return x;
}

// Only the lines that end in a newline: the kernel ends every line with one, so text
// after the last newline was cut short and would give a wrong figure (a number missing digits).
inline std::string_view whole_lines(std::string_view v) {
    const auto nl = v.rfind('\n');
    return nl == std::string_view::npos ? std::string_view{} : v.substr(0, nl + 1);
}

// The next line without its newline; the view moves past it.
inline std::string_view line(std::string_view& v) {
    const auto nl = v.find('\n');
    const std::string_view l = v.substr(0, nl);
    v.remove_prefix(nl == std::string_view::npos ? v.size() : nl + 1);
    return l;
}

inline std::optional<std::uint64_t> hex(std::string_view w) {
    std::uint64_t x = 0;
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), x, 16);
    if (w.empty() || ec != std::errc{} || end != w.data() + w.size()) return std::nullopt;
    return x;
}

}  // namespace ts::sysdata::parse
