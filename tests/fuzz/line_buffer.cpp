// The dashboard's line buffer on arbitrary bytes cut into arbitrary reads. No line or held
// rest ever exceeds the cap, each line is the start of what lay between two newlines, and the
// way the bytes were cut into reads changes nothing.
#include "check.hpp"

#include "input/line_parser.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ts::input::LineBuffer;

// Feeds the input in reads of the given sizes (cycled; 0 means the rest at once) and collects
// every line, then the unterminated rest.
std::vector<std::string> lines_of(std::string_view input, const std::vector<std::size_t>& cuts) {
    LineBuffer buffer;
    std::vector<std::string> out;
    std::size_t at = 0, k = 0;
    while (at < input.size()) {
        std::size_t n = cuts.empty() ? 0 : cuts[k++ % cuts.size()];
        if (n == 0) n = input.size() - at;
        n = std::min(n, input.size() - at);
        buffer.feed(input.data() + at, n);
        at += n;
        FUZZ_CHECK(buffer.partial_size() <= LineBuffer::kMaxLine);
        while (auto line = buffer.next_line()) out.push_back(std::move(*line));
        FUZZ_CHECK(!buffer.has_line());
    }
    if (auto rest = buffer.finish()) out.push_back(std::move(*rest));
    FUZZ_CHECK(!buffer.finish());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how many cut sizes follow (up to 7), each one byte scaled by 37 so
    // that reads straddle the 4096-byte cap as well as single bytes.
    if (size == 0) return 0;
    const std::size_t count = std::min<std::size_t>(data[0] % 8, size - 1);
    std::vector<std::size_t> cuts;
    for (std::size_t i = 0; i < count; ++i) cuts.push_back(data[1 + i] * 37u % 5000u);
    const std::string_view input(reinterpret_cast<const char*>(data) + 1 + count, size - 1 - count);

    const std::vector<std::string> lines = lines_of(input, cuts);

    // What the lines should be: each stretch between newlines, cut to the cap; a trailing
    // stretch without a newline counts when it is not empty.
    std::vector<std::string> expected;
    std::size_t start = 0;
    while (start <= input.size()) {
        const std::size_t nl = input.find('\n', start);
        const std::size_t end = nl == std::string_view::npos ? input.size() : nl;
        const std::string_view stretch = input.substr(start, end - start);
        if (nl != std::string_view::npos || !stretch.empty()) {
            expected.emplace_back(stretch.substr(0, LineBuffer::kMaxLine));
        }
        if (nl == std::string_view::npos) break;
        start = nl + 1;
    }
    FUZZ_CHECK(lines == expected);
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.size() <= LineBuffer::kMaxLine);
        FUZZ_CHECK(line.find('\n') == std::string::npos);
    }
    FUZZ_CHECK(lines_of(input, {}) == lines);  // one read of everything
    return 0;
}
