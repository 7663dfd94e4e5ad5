// Reading the TOML configuration file: text in, Settings and a list of findings out. Every
// problem names the file, line, column and key, and never stops the dashboard: a bad value
// leaves that key at its default. No I/O here besides what the caller passes in.
#pragma once

#include "settings.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace ts::config {

struct Diagnostic {
    enum class Severity { warning, error };
    Severity severity = Severity::error;
    std::string path;
    int line = 0, column = 0;  // 1-based; 0 when the problem has no place in the text
    std::string key;           // "[weather] latitude"; empty for a syntax error
    std::string message;

    // "path:line:column: key: message", the form the log and the panel show.
    std::string text() const;
};

struct LoadResult {
    Settings settings;  // defaults wherever the file is absent, wrong or unreadable
    std::vector<Diagnostic> diagnostics;
    bool has_errors() const;
};

// Parses one file's text; path only names it in the findings. Never throws on bad input.
LoadResult parse_config(std::string_view text, const std::string& path);

// Every key the program reads, as "section.key", in the order of the sample file.
std::vector<std::string> known_keys();

// The known name nearest to word by edit distance (first one on a tie); "" for an empty list.
std::string closest(std::string_view word, const std::vector<std::string>& candidates);

}  // namespace ts::config
