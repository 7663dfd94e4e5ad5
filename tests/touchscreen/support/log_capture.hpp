// Sends the logger's records to a temporary file for the life of the object.
#pragma once

#include <string>
#include <vector>

namespace ts::test {

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string text() const;
    std::vector<std::string> lines() const;
    // The message part of each line ("... - INFO - message" gives "INFO message").
    std::vector<std::string> messages() const;

private:
    int fd_ = -1;
};

}  // namespace ts::test
