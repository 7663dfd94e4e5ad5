// File access for the readers: every path is taken under a root folder ("/" on the machine,
// a fixture tree in the tests). Reads reuse the caller's buffer so a warmed-up scan does not
// allocate. Any thread; a Source holds no state besides its root.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ts::sysdata {

class Source {
public:
    explicit Source(std::string root = "/");

    // The absolute path of rel ("proc/stat") under the root.
    std::string path(std::string_view rel) const;
    // Reads the whole file into out (cleared first); false when it is missing or fails to read.
    bool read(std::string_view rel, std::string& out) const;
    // The first integer in the file, or nothing.
    std::optional<long long> read_int(std::string_view rel) const;
    // The file's first line without its newline, or nothing.
    std::optional<std::string> read_line(std::string_view rel) const;
    bool exists(std::string_view rel) const;
    // Names in a folder (no "." or ".."), sorted; empty when it cannot be listed.
    std::vector<std::string> list(std::string_view rel) const;
    // The last part of a symbolic link's target, or nothing.
    std::optional<std::string> link_name(std::string_view rel) const;
    const std::string& root() const { return root_; }

    // Reads an absolute path into out; false on failure. No allocation once out has room.
    static bool read_path(const char* path, std::string& out);

private:
    std::string root_;  // ends with '/'
};

}  // namespace ts::sysdata
