#include "line_parser.hpp"

#include "../text/utf8.hpp"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace ts::input {
namespace {

// White space as text handling generally understands it: the ASCII controls, the
// separators U+001C..U+001F, and the Unicode spaces.
bool is_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x1C && c <= 0x20) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

// Decodes the valid sequences; an invalid or cut-short sequence loses its lead byte and every
// byte up to the first that cannot continue it, so the same input always gives the same text.
std::u32string decode(std::string_view raw) {
    std::u32string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        if (const char32_t cp = text::decode_utf8(raw, i); cp != text::kInvalidUtf8) out.push_back(cp);
    }
    return out;
}

std::string encode(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) text::append_utf8(out, c);
    return out;
}

bool is_digit(char32_t c) { return c >= U'0' && c <= U'9'; }

bool all_digits(std::u32string_view field) {
    if (field.empty()) return false;
    for (char32_t c : field) {
        if (!is_digit(c)) return false;
    }
    return true;
}

// A signed decimal integer that fits an int; anything else is not a coordinate.
std::optional<int> parse_int(std::u32string_view field) {
    bool negative = false;
    if (!field.empty() && (field[0] == U'-' || field[0] == U'+')) {
        negative = field[0] == U'-';
        field.remove_prefix(1);
    }
    if (!all_digits(field)) return std::nullopt;
    long long value = 0;
    for (char32_t c : field) {
        value = value * 10 + static_cast<int>(c - U'0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace

void LineBuffer::feed(const char* data, std::size_t size) {
    const std::string_view in(data, size);
    std::size_t pos = 0;
    while (pos < in.size()) {
        const std::size_t nl = in.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? in.size() : nl;
        if (!overlong_) {
            const std::size_t room = kMaxLine - partial_.size();
            const std::size_t take = std::min(room, end - pos);
            partial_.append(in.substr(pos, take));
            if (end - pos > take) overlong_ = true;
        }
        if (nl == std::string_view::npos) break;
        lines_.push_back(std::move(partial_));
        partial_.clear();
        overlong_ = false;
        pos = nl + 1;
    }
}

std::optional<std::string> LineBuffer::next_line() {
    if (lines_.empty()) return std::nullopt;
    std::string line = std::move(lines_.front());
    lines_.pop_front();
    return line;
}

std::optional<std::string> LineBuffer::finish() {
    if (auto line = next_line()) return line;
    if (partial_.empty()) return std::nullopt;
    std::string rest = std::move(partial_);
    partial_.clear();
    overlong_ = false;
    return rest;
}

std::string decode_utf8_dropping_invalid(std::string_view raw) { return encode(decode(raw)); }

ParsedLine parse_touch_line(std::string_view raw) {
    const std::u32string text = decode(raw);
    std::size_t first = 0, last = text.size();
    while (first < last && is_space(text[first])) ++first;
    while (last > first && is_space(text[last - 1])) --last;
    const std::u32string_view stripped(text.data() + first, last - first);

    ParsedLine out;
    if (stripped.empty()) return out;
    out.kind = ParsedLine::Kind::other;
    out.text = encode(stripped);

    std::vector<std::u32string_view> parts;
    for (std::size_t i = 0; i < stripped.size() && parts.size() < 3;) {
        if (is_space(stripped[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < stripped.size() && !is_space(stripped[j])) ++j;
        parts.push_back(stripped.substr(i, j - i));
        i = j;
    }
    if (parts.size() < 3 || !all_digits(parts[0])) return out;
    const std::optional<int> x = parse_int(parts[1]), y = parse_int(parts[2]);
    if (!x || !y) return out;
    out.x = *x;
    out.y = *y;
    out.kind = (*x == -1 && *y == -1) ? ParsedLine::Kind::release : ParsedLine::Kind::point;
    return out;
}

TouchXY picture_point(int x, int y, int rotation, int w, int h) {
    switch (rotation) {
        case 90: return {y, h - 1 - x};
        case 180: return {w - 1 - x, h - 1 - y};
        case 270: return {w - 1 - y, x};
        default: return {x, y};
    }
}

}  // namespace ts::input
