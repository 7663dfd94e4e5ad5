/* Preloaded into the real touchscreen so its framebuffer presenter runs without a device or
 * root: one path becomes a framebuffer whose memory is a plain file the test reads back, and
 * /dev/tty can become a virtual terminal that logs what it is asked. /dev/dri is hidden, so
 * "auto" never reaches the machine's own GPU.
 *
 * FAKE_FB_DEVICE  the path that is a framebuffer (default /dev/fb-fake)
 * FAKE_FB_MEMORY  file holding its memory; created, or grown to smem_len (a memfd if unset)
 * FAKE_FB_LAYOUT  "key=value ..." of xres yres xvirt yvirt xoff yoff bpp stride smem type
 *                 visual, and red/green/blue as offset:length; unset keys keep defaults
 * FAKE_FB_FAIL    "ioctl": every ioctl on it fails with ENOTTY; "mmap": mapping fails
 * FAKE_FB_TTY     "1": /dev/tty is a virtual terminal in text mode
 * FAKE_FB_LOG     file of the calls seen: open, blank N, mmap, munmap, close, tty ...
 */
/* Both the 32-bit and the 64-bit offset entry points (open, open64 ...) are defined here: on a
 * 32-bit system large-file support would rename the first to the second. */
#undef _FILE_OFFSET_BITS
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

static atomic_int fb_fd = -1, tty_fd = -1;
static void* _Atomic fb_map = NULL;
static struct fb_fix_screeninfo fix;
static struct fb_var_screeninfo var;

static int failing(const char* what) {
  const char* fail = getenv("FAKE_FB_FAIL");
  return fail && strcmp(fail, what) == 0;
}

static void logf_(const char* fmt, ...) {
  const char* path = getenv("FAKE_FB_LOG");
  if (!path) return;
  char line[256];
  va_list args;
  va_start(args, fmt);
  int n = vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  long fd = syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  if (n > 0) syscall(SYS_write, fd, line, (size_t)n);
  syscall(SYS_close, fd);
}

static void field(struct fb_bitfield* f, const char* value) {
  unsigned off = 0, len = 0;
  if (sscanf(value, "%u:%u", &off, &len) == 2) {
    f->offset = off;
    f->length = len;
  }
}

/* 376 x 960 XRGB8888 unless told otherwise; virtual size, stride and memory follow the
 * visible size, the offsets and the depth unless given. */
static void load_layout(void) {
  unsigned xres = 376, yres = 960, xvirt = 0, yvirt = 0, xoff = 0, yoff = 0, bpp = 32, stride = 0, smem = 0;
  unsigned type = FB_TYPE_PACKED_PIXELS, visual = FB_VISUAL_TRUECOLOR;
  memset(&fix, 0, sizeof fix);
  memset(&var, 0, sizeof var);
  var.red = (struct fb_bitfield){16, 8, 0};
  var.green = (struct fb_bitfield){8, 8, 0};
  var.blue = (struct fb_bitfield){0, 8, 0};
  static char text[512];
  const char* layout = getenv("FAKE_FB_LAYOUT");
  snprintf(text, sizeof text, "%s", layout ? layout : "");
  char* save = NULL;
  for (char* tok = strtok_r(text, " ", &save); tok; tok = strtok_r(NULL, " ", &save)) {
    char* eq = strchr(tok, '=');
    if (!eq) continue;
    *eq = '\0';
    const char* v = eq + 1;
    unsigned n = (unsigned)strtoul(v, NULL, 10);
    if (!strcmp(tok, "xres")) xres = n;
    else if (!strcmp(tok, "yres")) yres = n;
    else if (!strcmp(tok, "xvirt")) xvirt = n;
    else if (!strcmp(tok, "yvirt")) yvirt = n;
    else if (!strcmp(tok, "xoff")) xoff = n;
    else if (!strcmp(tok, "yoff")) yoff = n;
    else if (!strcmp(tok, "bpp")) bpp = n;
    else if (!strcmp(tok, "stride")) stride = n;
    else if (!strcmp(tok, "smem")) smem = n;
    else if (!strcmp(tok, "type")) type = n;
    else if (!strcmp(tok, "visual")) visual = n;
    else if (!strcmp(tok, "red")) field(&var.red, v);
    else if (!strcmp(tok, "green")) field(&var.green, v);
    else if (!strcmp(tok, "blue")) field(&var.blue, v);
  }
  if (!xvirt) xvirt = xres + xoff;
  if (!yvirt) yvirt = yres + yoff;
  if (!stride) stride = xvirt * ((bpp + 7) / 8);
  if (!smem) smem = stride * yvirt;
  strcpy(fix.id, "fake-fb");
  fix.type = type;
  fix.visual = visual;
  fix.line_length = stride;
  fix.smem_len = smem;
  var.xres = xres;
  var.yres = yres;
  var.xres_virtual = xvirt;
  var.yres_virtual = yvirt;
  var.xoffset = xoff;
  var.yoffset = yoff;
  var.bits_per_pixel = bpp;
}

static const char* device_path(void) {
  const char* p = getenv("FAKE_FB_DEVICE");
  return p && *p ? p : "/dev/fb-fake";
}

/* -2: not ours, let the system open it. */
static int open_special(const char* path) {
  if (!path) return -2;
  if (strncmp(path, "/dev/dri/", 9) == 0) {
    errno = ENOENT;
    return -1;
  }
  if (strcmp(path, "/dev/tty") == 0) {
    const char* tty = getenv("FAKE_FB_TTY");
    if (!tty || strcmp(tty, "1") != 0) return -2;
    int fd = (int)syscall(SYS_openat, AT_FDCWD, "/dev/null", O_RDWR | O_CLOEXEC);
    tty_fd = fd;
    logf_("tty open\n");
    return fd;
  }
  if (strcmp(path, device_path()) != 0) return -2;
  load_layout();
  const char* memory = getenv("FAKE_FB_MEMORY");
  int fd = memory ? (int)syscall(SYS_openat, AT_FDCWD, memory, O_RDWR | O_CREAT | O_CLOEXEC, 0600)
                  : (int)syscall(SYS_memfd_create, "fake-fb", MFD_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) == 0 && (unsigned long)st.st_size < fix.smem_len) syscall(SYS_ftruncate, fd, (long)fix.smem_len);
  fb_fd = fd;
  logf_("open\n");
  return fd;
}

static int open_any(int dirfd, const char* path, int flags, va_list args) {
  int fd = open_special(path);
  if (fd != -2) return fd;
  int mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, int) : 0;
  return (int)syscall(SYS_openat, dirfd, path, flags, mode);
}

#define OPEN_BODY(dirfd)                       \
  va_list args;                                \
  va_start(args, flags);                       \
  int fd = open_any(dirfd, path, flags, args); \
  va_end(args);                                \
  return fd;
int open(const char* path, int flags, ...) { OPEN_BODY(AT_FDCWD) }
int open64(const char* path, int flags, ...) { OPEN_BODY(AT_FDCWD) }
int openat(int dirfd, const char* path, int flags, ...) { OPEN_BODY(dirfd) }
int openat64(int dirfd, const char* path, int flags, ...) { OPEN_BODY(dirfd) }
/* What fortified callers reach when the flags are not a constant. */
int __open_2(const char* path, int flags) {
  int fd = open_special(path);
  return fd != -2 ? fd : (int)syscall(SYS_openat, AT_FDCWD, path, flags, 0);
}
int __open64_2(const char* path, int flags) { return __open_2(path, flags); }

static int fb_ioctl(unsigned long request, unsigned long arg) {
  if (failing("ioctl")) {
    errno = ENOTTY;
    return -1;
  }
  switch (request) {
    case FBIOGET_FSCREENINFO: memcpy((void*)arg, &fix, sizeof fix); return 0;
    case FBIOGET_VSCREENINFO: memcpy((void*)arg, &var, sizeof var); return 0;
    case FBIOBLANK: logf_("blank %lu\n", arg); return 0;
    default: errno = EINVAL; return -1;
  }
}

static int tty_ioctl(unsigned long request, unsigned long arg) {
  switch (request) {
    case KDGETMODE: *(int*)arg = KD_TEXT; return 0;
    case KDSETMODE: logf_("tty KDSETMODE %lu\n", arg); return 0;
    case VT_GETMODE: {
      struct vt_mode m = {.mode = VT_AUTO};
      memcpy((void*)arg, &m, sizeof m);
      return 0;
    }
    case VT_SETMODE: {
      const struct vt_mode* m = (const struct vt_mode*)arg;
      logf_("tty VT_SETMODE %d %d %d\n", m->mode, m->relsig, m->acqsig);
      return 0;
    }
    case VT_RELDISP: logf_("tty VT_RELDISP %lu\n", arg); return 0;
    default: errno = ENOTTY; return -1;
  }
}

int ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  unsigned long arg = va_arg(args, unsigned long);
  va_end(args);
  if (fd >= 0 && fd == fb_fd) return fb_ioctl(request, arg);
  if (fd >= 0 && fd == tty_fd) return tty_ioctl(request, arg);
  return (int)syscall(SYS_ioctl, fd, request, arg);
}

static void* sys_mmap(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
#ifdef SYS_mmap2
  return (void*)syscall(SYS_mmap2, addr, length, prot, flags, fd, offset / 4096);
#else
  return (void*)syscall(SYS_mmap, addr, length, prot, flags, fd, offset);
#endif
}

static void* any_mmap(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
  if (fd < 0 || fd != fb_fd) return sys_mmap(addr, length, prot, flags, fd, offset);
  if (failing("mmap")) {
    errno = ENODEV;
    return MAP_FAILED;
  }
  void* m = sys_mmap(addr, length, prot, flags, fd, offset);
  if (m != MAP_FAILED) {
    fb_map = m;
    logf_("mmap %zu\n", length);
  }
  return m;
}
void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
  return any_mmap(addr, length, prot, flags, fd, offset);
}
void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
  return any_mmap(addr, length, prot, flags, fd, offset);
}

int munmap(void* addr, size_t length) {
  if (addr != NULL && addr == fb_map) {
    fb_map = NULL;
    logf_("munmap\n");
  }
  return (int)syscall(SYS_munmap, addr, length);
}

int close(int fd) {
  if (fd >= 0 && fd == fb_fd) {
    fb_fd = -1;
    logf_("close\n");
  } else if (fd >= 0 && fd == tty_fd) {
    tty_fd = -1;
    logf_("tty close\n");
  }
  return (int)syscall(SYS_close, fd);
}
