// The dashboard's touch line parser on arbitrary bytes. Beyond not crashing: its text is valid
// UTF-8 with nothing to strip, parsing that text again gives the same answer, and every line
// the reader can print, for any point and timestamp, parses back to that point or release.
#include "check.hpp"

#include "input/line_parser.hpp"
#include "line_format.hpp"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using ts::input::ParsedLine;
using ts::input::parse_touch_line;

bool is_ascii_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view without_newline(const touchreader::LineBuffer& line) {
    std::string_view text(line.text, line.length);
    FUZZ_CHECK(!text.empty() && text.back() == '\n');
    text.remove_suffix(1);
    return text;
}

// The reader's own line for a point or a release must come back unchanged.
void check_reader_format(std::uint32_t timestamp, touchreader::Point p) {
    const ParsedLine point = parse_touch_line(without_newline(touchreader::point_line(timestamp, p)));
    FUZZ_CHECK(point.kind == ParsedLine::Kind::point);
    FUZZ_CHECK(point.x == p.x && point.y == p.y);
    const ParsedLine release = parse_touch_line(without_newline(touchreader::release_line(timestamp)));
    FUZZ_CHECK(release.kind == ParsedLine::Kind::release);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const ParsedLine line = parse_touch_line(raw);

    FUZZ_CHECK(ts::input::decode_utf8_dropping_invalid(line.text) == line.text);
    FUZZ_CHECK((line.kind == ParsedLine::Kind::empty) == line.text.empty());
    if (!line.text.empty()) {
        FUZZ_CHECK(!is_ascii_space(line.text.front()) && !is_ascii_space(line.text.back()));
    }
    FUZZ_CHECK(line.text.size() <= size);  // decoding only drops bytes
    const bool minus_ones = line.x == -1 && line.y == -1;
    if (line.kind == ParsedLine::Kind::release) FUZZ_CHECK(minus_ones);
    if (line.kind == ParsedLine::Kind::point) FUZZ_CHECK(!minus_ones);

    const ParsedLine again = parse_touch_line(line.text);
    FUZZ_CHECK(again.kind == line.kind && again.text == line.text);
    if (line.kind == ParsedLine::Kind::point) FUZZ_CHECK(again.x == line.x && again.y == line.y);

    // A parsed point the reader could have sent, printed the reader's way, parses the same.
    if (line.kind == ParsedLine::Kind::point && line.x >= 0 && line.x <= 0xFFFF && line.y >= 0 && line.y <= 0xFFFF) {
        check_reader_format(0, {static_cast<std::uint16_t>(line.x), static_cast<std::uint16_t>(line.y)});
    }
    // The first eight bytes pick a timestamp and a point, so every field width gets tried.
    if (size >= 8) {
        std::uint32_t timestamp = 0;
        std::uint16_t x = 0, y = 0;
        std::memcpy(&timestamp, data, 4);
        std::memcpy(&x, data + 4, 2);
        std::memcpy(&y, data + 6, 2);
        check_reader_format(timestamp, {x, y});
    }
    return 0;
}
