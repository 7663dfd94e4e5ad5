// Replacing a file so that a crash or power cut at any moment leaves either the old content or
// the new, never an empty or half-written file: a temporary file in the same folder, flushed
// to disk, renamed over the old one, and the folder flushed so the rename itself is kept.
// Everything the dashboard writes goes through here.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace ts::core {

// Writes content to path through path + ".tmp", created exclusively (a link planted there is
// never followed; a link at path itself is replaced, not written through) with mode less the
// umask. Throws std::system_error naming the step and the file; the old file is then
// untouched. Once the rename is done the content counts as saved: a folder that cannot be
// flushed afterwards is only logged. Any thread, one writer per path at a time.
void write_file_atomically(const std::string& path, std::string_view content, mode_t mode = 0644);

}  // namespace ts::core
