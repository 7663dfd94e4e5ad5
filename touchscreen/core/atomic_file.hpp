// Replacing a file so that a crash or power cut at any moment leaves either the old content or
// the new, never an empty or half-written file: a temporary file in the same folder, flushed
// to disk, renamed over the old one, and the folder flushed so the rename itself is kept.
#pragma once

#include <string>
#include <string_view>

namespace ts::core {

// Writes content to path through path + ".tmp". Throws std::system_error naming the step
// and the file; the old file is then untouched. Any thread, one writer per path at a time.
void write_file_atomically(const std::string& path, std::string_view content);

}  // namespace ts::core
