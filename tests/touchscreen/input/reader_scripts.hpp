// Shell scripts standing in for the touch reader, in a temporary folder removed afterwards.
#pragma once

#include <string>

namespace ts::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes name with the given text; mode 0755 makes it runnable. Returns the full path.
    std::string write(const std::string& name, const std::string& text, unsigned mode = 0644) const;
    // A "#!/bin/sh" script with body.
    std::string script(const std::string& name, const std::string& body, bool executable = true) const;

private:
    std::string path_;
};

}  // namespace ts::test
