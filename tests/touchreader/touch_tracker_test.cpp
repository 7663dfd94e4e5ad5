// Scripted poll reads through the touch state machine: which line each read
// prints and how long the reader waits before the next one.
#include "touch_tracker.hpp"

#include "constants.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace touchreader {
namespace {

// "20 00 01 /64": hex bytes, "/N" zero-pads to N bytes, "err" is a failed read.
std::string step_through(TouchState& state, const std::vector<std::string>& reads) {
  std::string trace;
  for (const std::string& read : reads) {
    std::vector<std::uint8_t> bytes;
    std::istringstream tokens(read);
    for (std::string tok; tokens >> tok;) {
      if (tok[0] == '/') bytes.resize(std::stoul(tok.substr(1)));
      else if (tok != "err") bytes.push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
    }
    const int n = read == "err" ? -1 : static_cast<int>(bytes.size());
    const Step step = on_read(state, bytes.data(), n);
    if (!trace.empty()) trace += ' ';
    if (step.line == Line::point) trace += "p" + std::to_string(step.point.x) + "," + std::to_string(step.point.y);
    trace += step.line == Line::release ? "r" : step.line == Line::none ? "-" : "";
    trace += "/" + std::to_string(step.pause_us / 1000);
  }
  return trace;
}

const std::string kAt120 = "20 00 01 00 78 00 E0 01";  // contact at 120, 480
const std::string kAt121 = "20 00 01 00 79 00 E0 01";
const std::string kEdge = "20 00 01 00 00 00 32 00";  // x = 0, y = 50
const std::string kLift = "20 00 00 00 00 00 00 00";

struct Case {
  const char* name;
  std::vector<std::string> reads;
  const char* trace;  // per read: p<x>,<y> point, r release, - nothing; /pause ms
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class TouchreaderTracker : public testing::TestWithParam<Case> {};

TEST_P(TouchreaderTracker, PrintsAndPausesAsScripted) {
  TouchState state;
  EXPECT_EQ(step_through(state, GetParam().reads), GetParam().trace);
}

const Case kHeldAndMoved[] = {
    {"held_still_prints_once", {kAt120, kAt120, kAt121}, "p120,480/20 -/20 p121,480/20"},
    {"state_byte_high_bits_ignored", {"20 00 21 00 78 00 E0 01"}, "p120,480/20"},
    {"state_0_releases_and_same_spot_prints_again", {kAt120, kLift, kAt120}, "p120,480/20 r/0 p120,480/20"},
    {"header_at_byte_5", {"00 00 00 00 00 20 00 01 00 0A 00 0B 00 /64"}, "p10,11/20"},
    {"only_first_header_used", {"20 00 02 00 0A 00 0B 00 20 00 01 00 0A 00 0B 00"}, "-/0"},
    {"bounds_inclusive", {"20 00 01 00 78 01 C0 03"}, "p376,960/20"},
    {"header_at_last_start", {"00 20 00 01 00 0A 00 0B 00"}, "p10,11/20"},
};
INSTANTIATE_TEST_SUITE_P(Points, TouchreaderTracker, testing::ValuesIn(kHeldAndMoved),
                         [](const auto& info) { return std::string(info.param.name); });

const Case kMissesAndLifts[] = {
    {"two_edge_reports_release", {kAt120, kEdge, kEdge}, "p120,480/20 -/0 r/0"},
    {"one_edge_report_tolerated", {kAt120, kEdge, kAt120, kEdge}, "p120,480/20 -/0 -/20 -/0"},
    {"state_0_silent_while_idle", {kLift, kEdge, kEdge}, "-/0 -/0 -/0"},
    {"state_2_is_a_miss", {kAt120, "20 00 02 00 78 00 E0 01", "20 00 02 00 78 00 E0 01"}, "p120,480/20 -/0 r/0"},
    {"x_377_missed", {kAt120, "20 00 01 00 79 01 C0 03", kEdge}, "p120,480/20 -/0 r/0"},
    {"y_961_missed", {kAt120, "20 00 01 00 78 01 C1 03", "/64"}, "p120,480/20 -/0 r/0"},
    {"eight_bytes_searched_at_0_only", {kAt120, "00 20 00 01 00 0A 00 0B", "/8"}, "p120,480/20 -/0 r/0"},
    {"seven_bytes_not_searched", {kAt120, "20 00 01 00 78 00 E0", "/0"}, "p120,480/20 -/20 r/20"},
    {"errors_neither_miss_nor_stop", {kAt120, "err", kEdge, "err", kAt121}, "p120,480/20 -/20 -/0 -/20 p121,480/20"},
};
INSTANTIATE_TEST_SUITE_P(Release, TouchreaderTracker, testing::ValuesIn(kMissesAndLifts),
                         [](const auto& info) { return std::string(info.param.name); });

// Idle unusable reads come back to back for weeks; the count must not wrap.
TEST(TouchreaderMisses, NeverOverflowsWhileIdle) {
  TouchState state;
  state.misses = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(step_through(state, {"/64"}), "-/0");
  EXPECT_GE(state.misses, kMissesEndingTouch);
}

}  // namespace
}  // namespace touchreader
