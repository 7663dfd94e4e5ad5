#include "line_parser.hpp"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace ts::input {
namespace {

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

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
    std::size_t i = 0;
    while (i < raw.size()) {
        const auto b0 = static_cast<unsigned char>(raw[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            len = 2, cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            len = 3, cp = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
            if (b0 == 0xED) hi = 0x9F;  // no surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            len = 4, cp = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;
            if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
        } else {
            ++i;  // stray continuation byte or a byte that never starts a sequence
            continue;
        }
        std::size_t j = i + 1;
        bool ok = true;
        for (int k = 1; k < len; ++k, ++j) {
            if (j >= raw.size()) {
                ok = false;
                break;
            }
            const auto b = static_cast<unsigned char>(raw[j]);
            const bool in_range = k == 1 ? (b >= lo && b <= hi) : is_continuation(b);
            if (!in_range) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (ok) out.push_back(cp);
        i = j;  // on failure, resume at the byte that broke the sequence
    }
    return out;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string encode(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) append_utf8(out, c);
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
