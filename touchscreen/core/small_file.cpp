#include "small_file.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ts::core {
namespace {

IoError failure(int code, const std::string& path, const std::string& cause) {
    return {code, path, cause};
}

}  // namespace

IoResult<std::string> read_small_file(const std::string& path, std::size_t max_bytes) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    int fd = -1;
    do fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return failure(errno, path, std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return failure(errno, path, std::strerror(errno));
    if (S_ISDIR(st.st_mode)) return failure(EISDIR, path, "a folder, not a file");
    if (!S_ISREG(st.st_mode)) return failure(EINVAL, path, "not a regular file");
    const std::string too_large = max_bytes % (1 << 20) == 0
                                      ? "larger than " + std::to_string(max_bytes >> 20) + " MiB"
                                      : "larger than " + std::to_string(max_bytes) + " bytes";
    if (static_cast<unsigned long long>(st.st_size) > max_bytes) return failure(EFBIG, path, too_large);
    std::string text;
    text.reserve(static_cast<std::size_t>(st.st_size));
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return failure(errno, path, std::strerror(errno));
        if (n == 0) break;
        // The file may grow while it is read.
        if (text.size() + static_cast<std::size_t>(n) > max_bytes) return failure(EFBIG, path, too_large);
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
}

}  // namespace ts::core
