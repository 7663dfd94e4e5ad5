// Reading a small file the user or the dashboard keeps (configuration, settings, caches): only a
// regular file, never more than a cap. A FIFO or device put in its place would otherwise hang
// start-up or the watcher, and a huge file would fill the memory of a small board.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

namespace ts::core {

// What went wrong with recoverable I/O: errno (or one chosen for a cause of our own, such as
// EFBIG for a size over the cap), the file, and the cause in words.
struct IoError {
    int code = 0;
    std::string path, cause;
    std::string message() const { return path + ": " + cause; }
};

// A value or the reason there is none. Recoverable I/O returns this; failures that end start-up
// throw instead.
template <class T>
class IoResult {
public:
    IoResult(T value) : value_(std::move(value)) {}
    IoResult(IoError error) : error_(std::move(error)) {}

    explicit operator bool() const { return value_.has_value(); }
    T& value() { return *value_; }
    const T& value() const { return *value_; }
    const IoError& error() const { return error_; }

private:
    std::optional<T> value_;
    IoError error_;
};

// The whole file, read through links (a configuration in /etc may be one). Errors: ENOENT when
// it does not exist; EISDIR, EINVAL (not a regular file), EFBIG (over max_bytes) or the read's
// errno otherwise. Interrupted reads are retried. Any thread.
IoResult<std::string> read_small_file(const std::string& path, std::size_t max_bytes);

}  // namespace ts::core
