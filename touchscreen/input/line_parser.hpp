// Reading side of the touch reader's output: splitting the pipe's bytes into lines with a
// bound on their length, and telling touch lines ("<ms> <x> <y>") from everything else the
// reader or its standard error may print. No I/O here.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace ts::input {

// Bytes in, lines out (without their newline). A line longer than kMaxLine bytes keeps its
// first kMaxLine bytes and drops the rest up to the newline, so a reader that never ends its
// line cannot make us hold more than kMaxLine bytes of it.
class LineBuffer {
public:
    static constexpr std::size_t kMaxLine = 4096;  // bytes

    void feed(const char* data, std::size_t size);
    // The oldest complete line, if one is held.
    std::optional<std::string> next_line();
    // At end of file: the unterminated rest, if any, counts as a last line.
    std::optional<std::string> finish();
    bool has_line() const { return !lines_.empty(); }
    std::size_t partial_size() const { return partial_.size(); }

private:
    std::deque<std::string> lines_;
    std::string partial_;
    bool overlong_ = false;  // dropping bytes up to the next newline
};

struct ParsedLine {
    enum class Kind {
        empty,    // nothing but whitespace: ignored without a trace
        other,    // banner, device lines, stderr, malformed touch lines: no event
        point,    // TOUCH_EVENT at (x, y)
        release,  // TOUCH_END_EVENT
    };
    Kind kind = Kind::empty;
    std::string text;  // the decoded, stripped line
    int x = 0, y = 0;  // pixels, for a point
};

// Decodes raw bytes as UTF-8 with invalid sequences dropped.
std::string decode_utf8_dropping_invalid(std::string_view raw);

// Decode, strip and classify one raw line. A touch line has at least three whitespace-separated
// fields: an all-digit timestamp and two signed decimal integers; "-1 -1" is a release.
ParsedLine parse_touch_line(std::string_view raw);

struct TouchXY {
    int x = 0, y = 0;
    friend bool operator==(const TouchXY&, const TouchXY&) = default;
};

// A reader point on a panel turned clockwise by `rotation` degrees (as [display] rotation
// turns the picture) back into the w x h picture's coordinates. Other rotations pass as 0.
TouchXY picture_point(int x, int y, int rotation, int w, int h);

}  // namespace ts::input
