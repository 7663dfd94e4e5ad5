#include "atomic_file.hpp"

#include <cerrno>
#include <fcntl.h>
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

}  // namespace

void write_file_atomically(const std::string& path, std::string_view content) {
    const std::string tmp = path + ".tmp";
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    {
        Fd f{::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
        if (f.fd < 0) fail("cannot create", tmp);
        try {
            for (std::size_t done = 0; done < content.size();) {
                const ssize_t n = ::write(f.fd, content.data() + done, content.size() - done);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) fail("cannot write", tmp);
                done += static_cast<std::size_t>(n);
            }
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
    Fd dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0 || ::fsync(dir.fd) != 0) fail("cannot flush the folder of", path);
}

}  // namespace ts::core
