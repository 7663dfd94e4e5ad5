// UTF-8 one character at a time, for every place that reads text from outside. No SDL here.
#pragma once

#include <string>
#include <string_view>

namespace ts::text {

inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// Decodes the character at in[i] and moves i past it. An invalid or cut-short sequence gives
// kInvalidUtf8 and moves i past its lead byte and every byte that could continue it, to the
// byte that broke it (one replacement per maximal invalid part, as Unicode recommends).
char32_t decode_utf8(std::string_view in, std::size_t& i);

void append_utf8(std::string& out, char32_t cp);

}  // namespace ts::text
