#include "clean.hpp"

#include "utf8.hpp"

namespace ts::text {
namespace {

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

}  // namespace

bool is_clean(std::string_view in) {
    for (std::size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (b >= 0x20 && b < 0x7F) {
            ++i;
            continue;
        }
        const char32_t cp = decode_utf8(in, i);
        if (cp == kInvalidUtf8 || !drawable(cp)) return false;
    }
    return true;
}

std::string clean(std::string_view in) {
    if (is_clean(in)) return std::string(in);
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        const char32_t cp = decode_utf8(in, i);
        if (cp == kInvalidUtf8) {
            append_utf8(out, 0xFFFD);
        } else if (drawable(cp)) {
            append_utf8(out, cp);
        }
    }
    return out;
}

}  // namespace ts::text
