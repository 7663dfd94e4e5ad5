/* Preloaded into the real touchreader so it runs without hardware or root:
 * stands in for /dev/i2c-2, serves reads from a script, logs the writes,
 * ioctls, pauses and close it sees, and fakes the wall clock.
 *
 * FAKE_I2C_SCRIPT  one read per line: hex bytes, optional "/N" zero-pads to N
 *                  bytes ("/0" alone: an empty read), "err" fails with EIO;
 *                  once it is exhausted SIGINT is raised
 * FAKE_I2C_LOG     file the log lines go to
 * FAKE_I2C_FAIL    "open", "ioctl" or "write": that device call fails
 * FAKE_I2C_CLOCK_MS  wall clock start in ms; each reading advances it 1 ms
 */
/* Both the 32-bit and the 64-bit offset entry points (open, open64 ...) are defined here: on a
 * 32-bit system large-file support would rename the first to the second. */
#undef _FILE_OFFSET_BITS
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

enum { kMaxReads = 64, kMaxBytes = 64, kRunawayReads = 3 };

static int fake_fd = -1;
static int log_fd = -1;
static struct { int result; uint8_t bytes[kMaxBytes]; } reads[kMaxReads];
static int read_count, next_read;
static uint64_t clock_ms;

static int failing(const char* what) {
  const char* fail = getenv("FAKE_I2C_FAIL");
  return fail && strcmp(fail, what) == 0;
}

static void logf_(const char* fmt, ...) {
  char line[256];
  va_list args;
  va_start(args, fmt);
  int n = vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  if (log_fd >= 0 && n > 0) syscall(SYS_write, log_fd, line, (size_t)n);
}

static void load_script(void) {
  static char text[16384];
  const char* path = getenv("FAKE_I2C_SCRIPT");
  long fd = path ? syscall(SYS_openat, AT_FDCWD, path, O_RDONLY | O_CLOEXEC) : -1;
  long n = fd >= 0 ? syscall(SYS_read, fd, text, sizeof text - 1) : 0;
  if (fd >= 0) syscall(SYS_close, fd);
  text[n > 0 ? n : 0] = '\0';
  for (char *line = text, *end; *line && read_count < kMaxReads; line = end) {
    end = line + strcspn(line, "\n");
    if (*end) *end++ = '\0';
    int length = 0;
    for (char *tok = strtok(line, " "); tok; tok = strtok(NULL, " ")) {
      if (strcmp(tok, "err") == 0) length = -1;
      else if (tok[0] == '/') length = atoi(tok + 1) < kMaxBytes ? atoi(tok + 1) : kMaxBytes;
      else if (length < kMaxBytes) reads[read_count].bytes[length++] = (uint8_t)strtoul(tok, NULL, 16);
    }
    reads[read_count++].result = length;
  }
}

static int open_device(const char* path) {
  if (strcmp(path, "/dev/i2c-2") != 0) return -2;
  const char* log = getenv("FAKE_I2C_LOG");
  if (log) log_fd = (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  const char* start = getenv("FAKE_I2C_CLOCK_MS");
  clock_ms = start ? strtoull(start, NULL, 10) : 0;
  load_script();
  logf_("open\n");
  if (failing("open")) {
    errno = ENOENT;
    return -1;
  }
  fake_fd = (int)syscall(SYS_openat, AT_FDCWD, "/dev/null", O_RDWR | O_CLOEXEC);
  return fake_fd;
}

static int open_any(int dirfd, const char* path, int flags, va_list args) {
  int fd = open_device(path);
  if (fd != -2) return fd;
  int mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, int) : 0;
  return (int)syscall(SYS_openat, dirfd, path, flags, mode);
}

#define OPEN_BODY(dirfd)                     \
  va_list args;                              \
  va_start(args, flags);                     \
  int fd = open_any(dirfd, path, flags, args); \
  va_end(args);                              \
  return fd;
int open(const char* path, int flags, ...) { OPEN_BODY(AT_FDCWD) }
int open64(const char* path, int flags, ...) { OPEN_BODY(AT_FDCWD) }
int openat(int dirfd, const char* path, int flags, ...) { OPEN_BODY(dirfd) }
int openat64(int dirfd, const char* path, int flags, ...) { OPEN_BODY(dirfd) }

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  unsigned long arg = va_arg(args, unsigned long);
  va_end(args);
  if (fd != fake_fd) return (int)syscall(SYS_ioctl, fd, request, arg);
  logf_("ioctl 0x%04lx 0x%02lx\n", request, arg);
  if (failing("ioctl")) {
    errno = EBUSY;
    return -1;
  }
  return 0;
}

ssize_t write(int fd, const void* bytes, size_t length) {
  if (fd != fake_fd) return syscall(SYS_write, fd, bytes, length);
  char hex[3 * kMaxBytes + 1] = "";
  for (size_t i = 0; i < length && i < kMaxBytes; ++i)
    snprintf(hex + 3 * i, 4, " %02x", ((const uint8_t*)bytes)[i]);
  logf_("write%s\n", hex);
  if (failing("write")) {
    errno = EIO;
    return -1;
  }
  return (ssize_t)length;
}

ssize_t read(int fd, void* bytes, size_t length) {
  if (fd != fake_fd) return syscall(SYS_read, fd, bytes, length);
  logf_("read %zu\n", length);
  if (next_read >= read_count) {
    // Script done: stop the run as an operator would; a reader that ignores
    // SIGINT is cut off rather than left spinning.
    if (next_read++ - read_count >= kRunawayReads) _exit(99);
    raise(SIGINT);
    errno = EINTR;
    return -1;
  }
  const int result = reads[next_read].result;
  const uint8_t* served = reads[next_read++].bytes;
  if (result < 0) {
    errno = EIO;
    return -1;
  }
  size_t n = (size_t)result < length ? (size_t)result : length;
  memcpy(bytes, served, n);
  return (ssize_t)n;
}

ssize_t __read_chk(int fd, void* bytes, size_t length, size_t buffer_size) {
  (void)buffer_size;
  return read(fd, bytes, length);
}

int close(int fd) {
  if (fd == fake_fd) {
    logf_("close\n");
    fake_fd = -1;
  }
  return (int)syscall(SYS_close, fd);
}

// Pauses are logged in microseconds and skipped, so runs take no real time.
int nanosleep(const struct timespec* delay, struct timespec* left) {
  (void)left;
  logf_("pause %ld\n", (long)(delay->tv_sec * 1000000 + delay->tv_nsec / 1000));
  return 0;
}

int clock_nanosleep(clockid_t clock, int flags, const struct timespec* delay, struct timespec* left) {
  (void)clock;
  (void)flags;
  return nanosleep(delay, left);
}

int usleep(useconds_t microseconds) {
  logf_("pause %u\n", (unsigned)microseconds);
  return 0;
}

int gettimeofday(struct timeval* restrict now, void* restrict zone) {
  (void)zone;
  now->tv_sec = (time_t)(clock_ms / 1000);
  now->tv_usec = (suseconds_t)(clock_ms % 1000 * 1000);
  ++clock_ms;
  return 0;
}
