// Splitting the reader's bytes into bounded lines, and the UTF-8 decoding that drops what
// is not valid. The line table itself runs through real child processes.
#include "input/line_parser.hpp"
#include "display/convert.hpp"

#include <gtest/gtest.h>

namespace ts::input {
namespace {

std::vector<std::string> drain(LineBuffer& buffer) {
    std::vector<std::string> out;
    while (auto line = buffer.next_line()) out.push_back(*line);
    return out;
}

TEST(LineBuffer, LinesSplitAcrossReadsComeOutWhole) {
    LineBuffer b;
    b.feed("12 3", 4);
    EXPECT_FALSE(b.next_line());
    b.feed("4 5\n6 7 8\n9", 11);
    EXPECT_EQ(drain(b), (std::vector<std::string>{"12 34 5", "6 7 8"}));
    EXPECT_EQ(b.finish(), "9");  // end of file ends the last line
    EXPECT_FALSE(b.finish());
}

TEST(LineBuffer, EndlessLineHoldsAtMostTheBound) {
    LineBuffer b;
    const std::string block(65536, 'a');
    for (int i = 0; i < 160; ++i) {  // 10 MiB without a newline
        b.feed(block.data(), block.size());
        ASSERT_LE(b.partial_size(), LineBuffer::kMaxLine);
    }
    const std::string tail = "zzz\n1 2 3\n";
    b.feed(tail.data(), tail.size());
    const std::vector<std::string> lines = drain(b);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(LineBuffer::kMaxLine, 'a'));
    EXPECT_EQ(lines[1], "1 2 3");
}

TEST(LineBuffer, LineOfExactlyTheBoundIsKeptWhole) {
    LineBuffer b;
    const std::string line = std::string(LineBuffer::kMaxLine, 'x') + "\n";
    b.feed(line.data(), line.size());
    EXPECT_EQ(b.next_line(), std::string(LineBuffer::kMaxLine, 'x'));
}

TEST(Utf8, InvalidSequencesAreDroppedValidOnesKept) {
    const std::pair<std::string, std::string> cases[] = {
        {"123 1\xff" "0", "123 10"},
        {"\xe8\xa7\xa6 ok", "\xe8\xa7\xa6 ok"},      // a three-byte character stays
        {"a\xc0\x80z", "az"},                          // overlong NUL
        {"a\xed\xa0\x80z", "az"},                      // surrogate
        {"a\xe8\xa7z", "az"},                          // cut short before an ASCII byte
        {"a\x80\xbfz", "az"},                          // stray continuation bytes
        {"a\xf4\x90\x80\x80z", "az"},                  // above U+10FFFF
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},      // four bytes
    };
    for (const auto& [raw, text] : cases) EXPECT_EQ(decode_utf8_dropping_invalid(raw), text) << raw;
}

TEST(TouchLineShape, UnicodeSpacesSeparateAndStrip) {
    const ParsedLine p = parse_touch_line("\xc2\xa0" "5\xe3\x80\x80" "7 8\xc2\x85");
    EXPECT_EQ(p.kind, ParsedLine::Kind::point);
    EXPECT_EQ(p.x, 7);
    EXPECT_EQ(p.y, 8);
    EXPECT_EQ(p.text, "5\xe3\x80\x80" "7 8");
}

TEST(TouchLineShape, CoordinatesOutsideOurIntegerWidthAreNotTouchLines) {
    EXPECT_EQ(parse_touch_line("1 99999999999 5").kind, ParsedLine::Kind::other);
    EXPECT_EQ(parse_touch_line("1 -2147483648 5").kind, ParsedLine::Kind::point);
}

}  // namespace
}  // namespace ts::input

namespace ts::input {
namespace {

// The reader's corners on a turned panel come back as the picture's corners; and a point the
// picture turned by the same rotation put on the glass comes back where it was.
TEST(TouchRotation, CornersAtEachRotation) {
    const int w = 376, h = 960;
    const struct {
        int rotation;
        int glass_w, glass_h;
    } cases[] = {{0, w, h}, {90, h, w}, {180, w, h}, {270, h, w}};
    for (const auto& c : cases) {
        for (const auto& [px, py] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}, {100, 7}}) {
            const display::Point g = display::rotate_point(px, py, w, h, c.rotation);
            ASSERT_TRUE(g.x >= 0 && g.x < c.glass_w && g.y >= 0 && g.y < c.glass_h) << c.rotation;
            EXPECT_EQ(picture_point(g.x, g.y, c.rotation, w, h), (TouchXY{px, py}))
                << c.rotation << " from " << px << "," << py;
        }
    }
    // The same table written out, so a fault shared by both functions still shows.
    const struct {
        int rotation, gx, gy;
        TouchXY picture;
    } corners[] = {
        {90, 0, 0, {0, 959}},    {90, 959, 0, {0, 0}},      {90, 0, 375, {375, 959}}, {90, 959, 375, {375, 0}},
        {180, 0, 0, {375, 959}}, {180, 375, 959, {0, 0}},   {270, 0, 0, {375, 0}},    {270, 959, 0, {375, 959}},
        {270, 0, 375, {0, 0}},   {270, 959, 375, {0, 959}}, {0, 375, 0, {375, 0}},    {45, 3, 4, {3, 4}},
    };
    for (const auto& c : corners) EXPECT_EQ(picture_point(c.gx, c.gy, c.rotation, w, h), c.picture) << c.rotation;
}

}  // namespace
}  // namespace ts::input
