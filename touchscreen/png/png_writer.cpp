#include "png_writer.hpp"

#include "../core/atomic_file.hpp"

#include <stdexcept>
#include <system_error>
#include <zlib.h>

namespace ts::png {

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
    put32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::vector<std::uint8_t> encode_rgb(int width, int height, const std::uint8_t* rgb) {
    if (width <= 0 || height <= 0 || width > 1 << 14 || height > 1 << 14) throw std::invalid_argument("png: bad size");
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    // Each row starts with its filter type: "Sub" (1) turns smooth gradients into small numbers.
    std::vector<std::uint8_t> raw;
    raw.reserve((row + 1) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = rgb + row * static_cast<std::size_t>(y);
        raw.push_back(1);
        for (std::size_t i = 0; i < row; ++i) raw.push_back(static_cast<std::uint8_t>(line[i] - (i >= 3 ? line[i - 3] : 0)));
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
        throw std::runtime_error("png: compression failed");
    }
    packed.resize(packed_size);

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, truecolour, deflate, adaptive filters, no interlace
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", {});
    return out;
}

void write_rgb(const std::string& path, int width, int height, const std::uint8_t* rgb) {
    const std::vector<std::uint8_t> bytes = encode_rgb(width, height, rgb);
    try {
        core::write_file_atomically(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    } catch (const std::system_error& e) {
        throw std::runtime_error(e.what());
    }
}

}  // namespace ts::png
