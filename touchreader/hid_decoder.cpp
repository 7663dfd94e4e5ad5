// Report header search and field extraction for the touch controller.
#include "hid_decoder.hpp"

#include "constants.hpp"

namespace touchreader {
namespace {

std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

}  // namespace

Report find_report(const std::uint8_t* bytes, int n) {
  Report report;
  // Signed arithmetic on purpose: with n < 8 the last start is negative and
  // the loop does not run.
  for (int p = 0; p <= n - kReportHeaderLength; ++p) {
    if (bytes[p] == 0x20 && bytes[p + 1] == 0x00) {
      report.found = true;
      report.state = bytes[p + 2] & 0x0F;
      report.point = {le16(bytes + p + 4), le16(bytes + p + 6)};
      break;
    }
  }
  return report;
}

bool accept_point(Point p) {
  if (p.x > kPanelWidth || p.y > kPanelHeight) return false;
  return !(p.x == 0 && p.y < kEdgeFilterMaxY);
}

Descriptor parse_descriptor(const std::uint8_t* bytes) {
  return {le16(bytes + 20), le16(bytes + 22), le16(bytes + 10)};
}

}  // namespace touchreader
