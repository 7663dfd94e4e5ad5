// Cleaning text before it is drawn: valid text passes as it is, every broken or invisible
// part is replaced or dropped, and nothing can make it throw.
#include "text/clean.hpp"

#include <gtest/gtest.h>

namespace ts::text {
namespace {

TEST(Clean, BrokenSequencesBecomeOneReplacementAndInvisibleCharactersGo) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::string in, out;
    } cases[] = {
        {"nginx: worker", "nginx: worker"},
        {"照片 (sdb1)", "照片 (sdb1)"},
        {"Zürich ☀ 😀", "Zürich ☀ 😀"},
        {"", ""},
        {"tab\there\nnew\rline\x7f", "tabherenewline"},
        {"\x01\x02\x1b[31m", "[31m"},
        {"c1 \xC2\x85 \xC2\x9F end", "c1   end"},
        {"zero\u200Bwidth\u200D\uFEFF", "zerowidth"},
        {"\u202Eevil\u202C \u2066x\u2069", "evil x"},
        {"soft\u00ADhyphen", "softhyphen"},
        {"bad \xFF\xFE end", "bad " + fffd + fffd + " end"},
        {"cut \xE4\xB8", "cut " + fffd},
        {"cut \xE4\xB8 mid", "cut " + fffd + " mid"},
        {"overlong \xC0\xAF \xE0\x80\xAF", "overlong " + fffd + fffd + " " + fffd + fffd + fffd},
        {"surrogate \xED\xA0\x80", "surrogate " + fffd + fffd + fffd},
        {"too high \xF4\x90\x80\x80", "too high " + fffd + fffd + fffd + fffd},
        {"nonchar \xEF\xBF\xBE \xF0\x9F\xBF\xBF", "nonchar  "},
        {"unassigned \xF1\x80\x80\x80 tag \xF3\xA0\x80\x81", "unassigned  tag "},
        {"\u200B\u200B", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clean(c.in), c.out) << c.in;
        EXPECT_EQ(is_clean(c.in), c.in == c.out) << c.in;
        EXPECT_EQ(clean(clean(c.in)), clean(c.in)) << "cleaning twice changes nothing more: " << c.in;
    }
}

}  // namespace
}  // namespace ts::text
