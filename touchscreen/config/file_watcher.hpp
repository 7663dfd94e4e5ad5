// Notices when one file is saved. Editors save by writing a new file and renaming it over the
// old one, so the watch is on the file's folder (inotify) and filters by name; a folder that
// does not exist yet is looked for again every second, and a file that appears is a change.
#pragma once

#include <functional>
#include <string>
#include <thread>

namespace ts::config {

class FileWatcher {
public:
    // Starts the watching thread; on_change runs on that thread once per burst of writes
    // (they settle for settle_ms first), when the file is written and closed, renamed into
    // place, created, or removed. Throws std::system_error when inotify is unavailable.
    FileWatcher(std::string path, std::function<void()> on_change, int settle_ms = 50);
    // Stops the thread and waits for it; any thread but the watcher's own.
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

private:
    void run();

    std::string folder_, name_;
    std::function<void()> on_change_;
    int settle_ms_;
    int inotify_fd_ = -1;  // owned; closed by the destructor after the thread ends
    int stop_fd_ = -1;     // eventfd the destructor signals
    int wd_ = -1;          // the folder's watch as the constructor found it; the thread's after
    std::thread thread_;
};

}  // namespace ts::config
