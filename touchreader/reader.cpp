// Opens the controller, prints the start-up text, then polls input reports
// forever; I/O errors never end the loop, only SIGINT does.
#include "reader.hpp"

#include <cstdint>

#include "constants.hpp"
#include "hid_decoder.hpp"
#include "line_format.hpp"
#include "system_io.hpp"
#include "touch_tracker.hpp"

namespace touchreader {
namespace {

void print(const LineBuffer& line) { write_stdout(line.text, line.length); }

// Information only: a failed exchange just leaves the line out.
void print_descriptor(I2cDevice& device, std::uint8_t* buffer) {
  if (device.write(kDescriptorRequest, sizeof kDescriptorRequest) != 2) return;
  pause_us(kDescriptorPauseUs);
  if (device.read(buffer, kDescriptorLength) != kDescriptorLength) return;
  print(descriptor_line(parse_descriptor(buffer)));
}

}  // namespace

int run_reader(const volatile std::sig_atomic_t& running) {
  I2cDevice device;
  // Fail silently: the supervisor only looks at the exit status and retries.
  if (device.open(kDevicePath) < 0) return 1;
  if (device.select_slave(kSlaveAddress) < 0) return 1;

  std::uint8_t buffer[kReportReadLength] = {};
  print(start_banner());
  print_descriptor(device, buffer);
  print(prompt_block());

  TouchState state;
  while (running) {
    const int n = device.read(buffer, sizeof buffer);
    const Step step = on_read(state, buffer, n);
    if (step.line == Line::point) print(point_line(wall_clock_ms(), step.point));
    if (step.line == Line::release) print(release_line(wall_clock_ms()));
    if (step.pause_us > 0) pause_us(step.pause_us);
  }
  return 0;
}

}  // namespace touchreader
