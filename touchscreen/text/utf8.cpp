#include "utf8.hpp"

namespace ts::text {

char32_t decode_utf8(std::string_view in, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(in[k]); };
    const unsigned char lead = byte(i++);
    if (lead < 0x80) return lead;
    int more = 0;
    char32_t cp = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1, cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2, cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3, cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return kInvalidUtf8;
    }
    for (int k = 0; k < more; ++k) {
        if (i >= in.size()) return kInvalidUtf8;
        const unsigned char b = byte(i);
        if (b < (k == 0 ? low : 0x80) || b > (k == 0 ? high : 0xBF)) return kInvalidUtf8;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace ts::text
