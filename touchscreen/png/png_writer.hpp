// PNG files from 8-bit RGB pixels, for the picture tool: SDL 2 itself only writes BMP.
// zlib does the compression; the file is written atomically. No SDL here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ts::png {

// Encodes width x height pixels, 3 bytes each (R, G, B), rows top to bottom, no padding.
std::vector<std::uint8_t> encode_rgb(int width, int height, const std::uint8_t* rgb);
// Writes the encoding to path through a temporary file in the same folder; throws
// std::runtime_error naming the path and the reason on failure.
void write_rgb(const std::string& path, int width, int height, const std::uint8_t* rgb);

}  // namespace ts::png
