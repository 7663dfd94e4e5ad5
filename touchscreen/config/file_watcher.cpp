#include "file_watcher.hpp"

#include "../core/log.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ts::config {
namespace {

constexpr int kRetryMs = 1000;  // a missing folder is looked for again once a second
constexpr uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;

bool file_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

FileWatcher::FileWatcher(std::string path, std::function<void()> on_change, int settle_ms)
    : on_change_(std::move(on_change)), settle_ms_(settle_ms) {
    const std::filesystem::path p(path);
    folder_ = p.has_parent_path() ? p.parent_path().string() : ".";
    name_ = p.filename().string();
    inotify_fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify_fd_ < 0) throw std::system_error(errno, std::generic_category(), "inotify_init1");
    stop_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stop_fd_ < 0) {
        const int e = errno;
        ::close(inotify_fd_);
        throw std::system_error(e, std::generic_category(), "eventfd");
    }
    // Watching starts before the constructor returns: a save right after it is not missed.
    wd_ = inotify_add_watch(inotify_fd_, folder_.c_str(), kFolderEvents | IN_ONLYDIR);
    thread_ = std::thread([this] { run(); });
}

FileWatcher::~FileWatcher() {
    const uint64_t one = 1;
    if (::write(stop_fd_, &one, sizeof one) < 0) {
        // An eventfd write fails only on overflow; the thread sees the earlier value anyway.
    }
    thread_.join();
    ::close(inotify_fd_);
    ::close(stop_fd_);
}

void FileWatcher::run() {
    int wd = wd_;
    bool missing = wd < 0;  // a folder made before this thread ran must still count
    bool told = false;
    for (;;) {
        bool changed = false;
        if (wd < 0) {
            wd = inotify_add_watch(inotify_fd_, folder_.c_str(), kFolderEvents | IN_ONLYDIR);
            if (wd >= 0) {
                // The file may have appeared while nobody was looking.
                changed = missing && file_exists(folder_ + "/" + name_);
                missing = told = false;
            } else {
                missing = true;
                if (!told) core::log::info("configuration: waiting for the folder " + folder_ + " (" + std::strerror(errno) + ")");
                told = true;
            }
        }
        pollfd fds[2] = {{stop_fd_, POLLIN, 0}, {inotify_fd_, POLLIN, 0}};
        const int ready = changed ? 0 : ::poll(fds, 2, wd < 0 ? kRetryMs : -1);
        if (ready < 0 && errno != EINTR) return;
        if (fds[0].revents & POLLIN) return;
        // Drain everything queued, then wait settle_ms for the rest of a burst of writes.
        // A file found on a new watch may still be being written: it settles like any other.
        for (bool more = changed || (fds[1].revents & POLLIN) != 0; more;) {
            alignas(inotify_event) char buf[4096];
            ssize_t n;
            while ((n = ::read(inotify_fd_, buf, sizeof buf)) > 0) {
                for (char* at = buf; at < buf + n;) {
                    const auto* ev = reinterpret_cast<const inotify_event*>(at);
                    at += sizeof(inotify_event) + ev->len;
                    if (ev->mask & IN_IGNORED) {
                        wd = -1;  // the folder went away: look for it again
                        changed = true;
                    } else if (ev->len > 0 && name_ == ev->name) {
                        changed = true;
                    }
                }
            }
            pollfd again[2] = {{stop_fd_, POLLIN, 0}, {inotify_fd_, POLLIN, 0}};
            more = changed && ::poll(again, 2, settle_ms_) > 0;
            if (again[0].revents & POLLIN) return;
        }
        if (changed) on_change_();
    }
}

}  // namespace ts::config
