// System calls behind the reader. Nothing here buffers: each line goes to the
// pipe with its own write so the supervisor sees it the moment it is printed.
#include "system_io.hpp"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <sys/ioctl.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "line_format.hpp"

namespace touchreader {
namespace {

int result_or_errno(long r) { return r < 0 ? -errno : static_cast<int>(r); }

}  // namespace

int I2cDevice::open(const char* path) {
  close();
  const int fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (fd < 0) return -errno;
  fd_ = fd;
  return 0;
}

int I2cDevice::select_slave(int address) {
  return result_or_errno(::ioctl(fd_, I2C_SLAVE, static_cast<long>(address)));
}

int I2cDevice::write(const std::uint8_t* bytes, std::size_t length) {
  return result_or_errno(::write(fd_, bytes, length));
}

int I2cDevice::read(std::uint8_t* bytes, std::size_t length) {
  return result_or_errno(::read(fd_, bytes, length));
}

void I2cDevice::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::uint32_t wall_clock_ms() {
  timeval now{};
  ::gettimeofday(&now, nullptr);
  return timestamp_ms(now.tv_sec, now.tv_usec);
}

void pause_us(int microseconds) {
  const timespec delay{microseconds / 1000000, (microseconds % 1000000) * 1000L};
  ::nanosleep(&delay, nullptr);
}

void write_stdout(const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(STDOUT_FILENO, text, length);
    if (n < 0 && errno == EINTR) continue;
    // Any other failure drops the line; a closed pipe ends us through SIGPIPE.
    if (n <= 0) return;
    text += n;
    length -= static_cast<std::size_t>(n);
  }
}

}  // namespace touchreader
