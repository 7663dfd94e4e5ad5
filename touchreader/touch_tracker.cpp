// Decides point and release lines from poll reads. A finger down survives one
// unusable read; the second in a row lifts it.
#include "touch_tracker.hpp"

#include "constants.hpp"

namespace touchreader {
namespace {

Step release(TouchState& state, int pause_us) {
  state = TouchState{};
  return {Line::release, {}, pause_us};
}

Step miss(TouchState& state, int pause_us) {
  // Only reaching the threshold matters; stopping there keeps the counter
  // from overflowing while idle, where unusable reads come back to back.
  if (state.misses < kMissesEndingTouch) ++state.misses;
  if (state.touching && state.misses >= kMissesEndingTouch) return release(state, pause_us);
  return {Line::none, {}, pause_us};
}

}  // namespace

Step on_read(TouchState& state, const std::uint8_t* bytes, int n) {
  if (n < 0) return {Line::none, {}, kPollPauseUs};
  // Short reads wait a full poll period; anything else unusable is read
  // again at once so a lift is seen quickly.
  const Report report = find_report(bytes, n);
  if (!report.found) return miss(state, n < kReportHeaderLength ? kPollPauseUs : 0);
  if (report.state == 0) {
    if (state.touching) return release(state, 0);
    return {};
  }
  if (report.state != 1 || !accept_point(report.point)) return miss(state, 0);

  state.misses = 0;
  if (report.point == state.last) return {Line::none, {}, kPollPauseUs};
  state.touching = true;
  state.last = report.point;
  return {Line::point, report.point, kPollPauseUs};
}

}  // namespace touchreader
