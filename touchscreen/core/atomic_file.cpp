#include "atomic_file.hpp"

#include "log.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ts::core {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw std::system_error(errno, std::generic_category(), what + " " + path);
}

// Closes on every path out, keeping errno for the message.
struct Fd {
    int fd;
    ~Fd() {
        const int e = errno;
        if (fd >= 0) ::close(fd);
        errno = e;
    }
};

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void write_whole(int fd, std::string_view content, const std::string& name) {
    for (std::size_t done = 0; done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("cannot write", name);
        done += static_cast<std::size_t>(n);
    }
}

// O_EXCL never opens what already stands there, a planted link included. What stands there
// is a temporary left by a crash (or a link put in its place): it is removed, never written.
int create_exclusively(const std::string& tmp, mode_t mode) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(tmp.c_str(), flags, mode);
    if (fd < 0 && errno == EEXIST && ::unlink(tmp.c_str()) == 0) fd = ::open(tmp.c_str(), flags, mode);
    return fd;
}

}  // namespace

void write_file_atomically(const std::string& path, std::string_view content, mode_t mode) {
    const std::string tmp = path + ".tmp";
    {
        Fd f{create_exclusively(tmp, mode)};
        if (f.fd < 0) fail("cannot create", tmp);
        try {
            write_whole(f.fd, content, tmp);
            if (::fsync(f.fd) != 0) fail("cannot flush", tmp);
            const int fd = f.fd;
            f.fd = -1;
            if (::close(fd) != 0) fail("cannot close", tmp);
        } catch (...) {
            ::unlink(tmp.c_str());
            throw;
        }
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        errno = e;
        fail("cannot rename over", path);
    }
    const std::string folder = folder_of(path);
    Fd dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0 || ::fsync(dir.fd) != 0) {
        log::warning(path + " saved, but its folder could not be flushed: " + std::strerror(errno));
    }
}

}  // namespace ts::core
