// The PNG encoder: a file any decoder accepts, holding exactly the pixels given.
#include "png/png_writer.hpp"

#include <gtest/gtest.h>

#include <zlib.h>

namespace ts::png {
namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

TEST(PngWriter, ChunksCrcsAndPixelsRoundTrip) {
    const int w = 3, h = 2;
    const std::uint8_t rgb[w * h * 3] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 200, 100, 50, 0, 0, 0};
    const auto png = encode_rgb(w, h, rgb);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    std::vector<std::string> types;
    std::vector<std::uint8_t> idat;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t len = be32(&png[at]);
        const std::string type(png.begin() + at + 4, png.begin() + at + 8);
        types.push_back(type);
        EXPECT_EQ(crc32(0, &png[at + 4], len + 4), be32(&png[at + 8 + len])) << type;
        if (type == "IHDR") {
            EXPECT_EQ(be32(&png[at + 8]), 3u);
            EXPECT_EQ(be32(&png[at + 12]), 2u);
        }
        if (type == "IDAT") idat.assign(png.begin() + at + 8, png.begin() + at + 8 + len);
        at += 12 + len;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    std::vector<std::uint8_t> raw(h * (1 + w * 3));
    uLongf size = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &size, idat.data(), idat.size()), Z_OK);
    ASSERT_EQ(size, raw.size());
    // Undo the Sub filter and compare with the input.
    for (int y = 0; y < h; ++y) {
        std::uint8_t* line = &raw[y * (1 + w * 3)];
        EXPECT_EQ(line[0], 1);
        for (int i = 0; i < w * 3; ++i) {
            const std::uint8_t value = static_cast<std::uint8_t>(line[1 + i] + (i >= 3 ? line[1 + i - 3] : 0));
            line[1 + i] = value;
            EXPECT_EQ(value, rgb[y * w * 3 + i]);
        }
    }
}

TEST(PngWriter, UnwritableFolderNamesThePath) {
    const std::uint8_t px[3] = {1, 2, 3};
    try {
        write_rgb("/no/such/folder/page1.png", 1, 1, px);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/no/such/folder/page1.png"), std::string::npos) << e.what();
    }
    EXPECT_THROW(encode_rgb(0, 1, px), std::invalid_argument);
}

}  // namespace
}  // namespace ts::png
