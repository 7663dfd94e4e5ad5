// The reader's decoder and touch tracker on arbitrary controller bytes, cut into poll reads
// of arbitrary length (errors included). Each read sits in a buffer of exactly its length, so
// a look past it is caught. The decoder must find the first complete header and nothing else;
// every line the tracker prints must be a point on the panel or a release after a point, and
// must reach the dashboard's parser as that point or release.
#include "check.hpp"

#include "constants.hpp"
#include "hid_decoder.hpp"
#include "input/line_parser.hpp"
#include "line_format.hpp"
#include "touch_tracker.hpp"

#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using ts::input::ParsedLine;

// The plain search the decoder must agree with: first "20 00" with eight bytes left.
touchreader::Report reference_report(const std::vector<std::uint8_t>& bytes) {
    touchreader::Report r;
    for (std::size_t p = 0; p + touchreader::kReportHeaderLength <= bytes.size(); ++p) {
        if (bytes[p] == 0x20 && bytes[p + 1] == 0x00) {
            r.found = true;
            r.state = bytes[p + 2] & 0x0F;
            r.point.x = static_cast<std::uint16_t>(bytes[p + 4] | bytes[p + 5] << 8);
            r.point.y = static_cast<std::uint16_t>(bytes[p + 6] | bytes[p + 7] << 8);
            break;
        }
    }
    return r;
}

ParsedLine parsed(const touchreader::LineBuffer& line) {
    std::string_view text(line.text, line.length);
    FUZZ_CHECK(line.length > 0 && line.length < touchreader::kLineCapacity && text.back() == '\n');
    text.remove_suffix(1);
    return ts::input::parse_touch_line(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= static_cast<std::size_t>(touchreader::kDescriptorLength)) {
        const std::vector<std::uint8_t> descriptor(data, data + touchreader::kDescriptorLength);
        const touchreader::LineBuffer line = touchreader::descriptor_line(touchreader::parse_descriptor(descriptor.data()));
        FUZZ_CHECK(line.length > 0 && line.length < touchreader::kLineCapacity && line.text[line.length - 1] == '\n');
    }

    // Each read: one byte of length (0..64 bytes, 65 and up: a failed read), then its bytes.
    touchreader::TouchState state;
    std::size_t at = 0;
    while (at < size) {
        const int code = data[at++];
        const bool failed = code > touchreader::kReportReadLength;
        const std::size_t n = failed ? 0 : std::min<std::size_t>(static_cast<std::size_t>(code), size - at);
        const std::vector<std::uint8_t> bytes(data + at, data + at + n);
        at += n;
        const int result = failed ? -(code - touchreader::kReportReadLength) : static_cast<int>(n);

        const touchreader::Report report = touchreader::find_report(bytes.data(), result);
        const touchreader::Report expected = failed ? touchreader::Report{} : reference_report(bytes);
        FUZZ_CHECK(report.found == expected.found && report.state == expected.state && report.point == expected.point);

        const bool was_touching = state.touching;
        const touchreader::Point last = state.last;
        const touchreader::Step step = touchreader::on_read(state, bytes.data(), result);
        FUZZ_CHECK(step.pause_us == 0 || step.pause_us == touchreader::kPollPauseUs);
        FUZZ_CHECK(state.misses >= 0 && state.misses <= touchreader::kMissesEndingTouch);
        if (step.line == touchreader::Line::point) {
            // On the panel, not edge noise, and never the point just printed.
            FUZZ_CHECK(step.point.x <= touchreader::kPanelWidth && step.point.y <= touchreader::kPanelHeight);
            FUZZ_CHECK(touchreader::accept_point(step.point));
            FUZZ_CHECK(!(was_touching && step.point == last));
            FUZZ_CHECK(state.touching);
            const ParsedLine line = parsed(touchreader::point_line(0xFFFFFFFFu, step.point));
            FUZZ_CHECK(line.kind == ParsedLine::Kind::point && line.x == step.point.x && line.y == step.point.y);
        } else if (step.line == touchreader::Line::release) {
            FUZZ_CHECK(was_touching && !state.touching);
            FUZZ_CHECK(parsed(touchreader::release_line(0)).kind == ParsedLine::Kind::release);
        } else {
            FUZZ_CHECK(state.touching == was_touching);
        }
    }
    return 0;
}
