// Fixture trees for the readers: files under tests/touchscreen/sysdata/data, and writable
// copies in a temporary folder for tests that change a file between two samples.
#pragma once

#include <filesystem>
#include <string>

namespace ts::sysdata::test {

std::string data(const std::string& rel);       // absolute path of a fixture file or tree
std::string slurp(const std::string& rel);      // a fixture file's text

// A temporary root removed at the end of the test; starts as a copy of a fixture tree or empty.
class TempRoot {
public:
    explicit TempRoot(const std::string& fixture_tree = "");
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;
    const std::string& path() const { return path_; }
    // Writes text to rel under the root, making folders as needed.
    void write(const std::string& rel, const std::string& text) const;
    void write_fixture(const std::string& rel, const std::string& fixture_file) const { write(rel, slurp(fixture_file)); }
    void remove(const std::string& rel) const;
    // sys/devices/system/cpu: cores 0 to count - 1 present and online.
    void write_cores(int count) const;

private:
    std::string path_;
};

}  // namespace ts::sysdata::test
