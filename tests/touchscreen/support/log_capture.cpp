#include "log_capture.hpp"

#include "core/log.hpp"

#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace ts::test {

LogCapture::LogCapture() {
    char path[] = "/tmp/ts-log-XXXXXX";
    fd_ = mkostemp(path, O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("mkstemp failed");
    unlink(path);
    core::log::set_output_fd(fd_);
}

LogCapture::~LogCapture() {
    core::log::set_output_fd(2);
    close(fd_);
}

std::string LogCapture::text() const {
    std::string out;
    char buf[4096];
    ssize_t n;
    off_t at = 0;
    while ((n = pread(fd_, buf, sizeof buf, at)) > 0) {
        out.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
    return out;
}

std::vector<std::string> LogCapture::lines() const {
    std::vector<std::string> out;
    std::istringstream in(text());
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> LogCapture::messages() const {
    std::vector<std::string> out;
    for (const std::string& line : lines()) {
        // "date time,ms - LEVEL - message"
        const auto first = line.find(" - ");
        const auto second = first == std::string::npos ? first : line.find(" - ", first + 3);
        if (second == std::string::npos) {
            out.push_back(line);
            continue;
        }
        out.push_back(line.substr(first + 3, second - first - 3) + " " + line.substr(second + 3));
    }
    return out;
}

}  // namespace ts::test
