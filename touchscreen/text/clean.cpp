#include "clean.hpp"

#include <cstdint>

namespace ts::text {
namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one character at in[i], advancing i; kInvalid for a maximal invalid part (which is
// skipped whole). Follows the Unicode recommendation for U+FFFD substitution.
char32_t decode(std::string_view in, std::size_t& i) {
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
        return kInvalid;
    }
    for (int k = 0; k < more; ++k) {
        if (i >= in.size()) return kInvalid;
        const unsigned char b = byte(i);
        if (b < (k == 0 ? low : 0x80) || b > (k == 0 ? high : 0xBF)) return kInvalid;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

bool drawable(char32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) return false;                  // C0, DEL, C1
    if (cp == 0xAD || cp == 0x061C || cp == 0x180E) return false;                 // soft hyphen, marks
    if ((cp >= 0x200B && cp <= 0x200F) || (cp >= 0x2028 && cp <= 0x202E)) return false;  // zero-width, bidi
    if ((cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF) return false;              // joiners, BOM
    if ((cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE) return false;  // noncharacters
    if (cp >= 0xFFF9 && cp <= 0xFFFB) return false;                               // annotation marks
    if (cp >= 0x40000 && cp <= 0xDFFFF) return false;                              // unassigned planes
    if (cp >= 0xE0000 && cp <= 0xE0FFF) return false;                              // tags, selectors
    return true;
}

void append(std::string& out, char32_t cp) {
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

}  // namespace

bool is_clean(std::string_view in) {
    for (std::size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (b >= 0x20 && b < 0x7F) {
            ++i;
            continue;
        }
        const char32_t cp = decode(in, i);
        if (cp == kInvalid || !drawable(cp)) return false;
    }
    return true;
}

std::string clean(std::string_view in) {
    if (is_clean(in)) return std::string(in);
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        const char32_t cp = decode(in, i);
        if (cp == kInvalid) {
            append(out, 0xFFFD);
        } else if (drawable(cp)) {
            append(out, cp);
        }
    }
    return out;
}

}  // namespace ts::text
