#include "png_writer.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
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
    const std::string tmp = path + ".tmp";
    const auto fail = [&](const char* what) {
        const int e = errno;
        ::unlink(tmp.c_str());
        throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(e));
    };
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail("cannot create");
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            fail("cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        fail("cannot write");
    }
    ::close(fd);
    if (::rename(tmp.c_str(), path.c_str()) != 0) fail("cannot rename into");
}

}  // namespace ts::png
