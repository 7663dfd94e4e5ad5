// The reader's only contact with the kernel: the i2c-dev node, the wall
// clock, pauses and standard output. Calls return -errno on failure.
#pragma once

#include <cstddef>
#include <cstdint>

namespace touchreader {

// Owns the descriptor of an i2c-dev node; closes it when destroyed.
class I2cDevice {
 public:
  I2cDevice() = default;
  I2cDevice(const I2cDevice&) = delete;
  I2cDevice& operator=(const I2cDevice&) = delete;
  ~I2cDevice() { close(); }

  int open(const char* path);
  int select_slave(int address);  // I2C_SLAVE: later transfers go to this 7-bit address
  // One I2C transaction each; result is the byte count or -errno.
  int write(const std::uint8_t* bytes, std::size_t length);
  int read(std::uint8_t* bytes, std::size_t length);
  void close();

 private:
  int fd_ = -1;
};

// Wall-clock milliseconds modulo 2^32.
std::uint32_t wall_clock_ms();
// Returns early when a signal arrives so SIGINT is seen at once.
void pause_us(int microseconds);
// Writes all of text to standard output, straight to the descriptor.
void write_stdout(const char* text, std::size_t length);

}  // namespace touchreader
