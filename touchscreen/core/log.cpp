#include "log.hpp"

#include "app_state.hpp"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <string>
#include <sys/time.h>
#include <unistd.h>

namespace ts::core::log {
namespace {

std::atomic<int> g_fd{2};
// Refreshed by every ordinary record, read by the signal handler, which cannot call localtime.
std::atomic<long> g_utc_offset_s{0};
std::mutex g_write_mutex;

const char* level_name(Level level) {
    switch (level) {
        case Level::DEBUG: return "DEBUG";
        case Level::INFO: return "INFO";
        case Level::WARNING: return "WARNING";
        case Level::ERROR: return "ERROR";
    }
    return "INFO";
}

long long now_unix_ms() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);  // async-signal-safe
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

long local_utc_offset(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local.tm_gmtoff;
}

// Days since 1970-01-01 to a civil date; pure arithmetic so the signal path may use it.
void civil_from_days(long long z, int& y, unsigned& m, unsigned& d) noexcept {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

struct Writer {
    char* out;
    std::size_t cap;
    std::size_t len = 0;
    void put(char c) noexcept {
        if (len < cap) out[len++] = c;
    }
    void put(std::string_view s) noexcept {
        for (char c : s) put(c);
    }
    void digits(long long v, int width) noexcept {
        char tmp[24];
        int n = 0;
        const bool negative = v < 0;
        unsigned long long u = negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
        do {
            tmp[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        while (n < width) tmp[n++] = '0';
        if (negative) put('-');
        while (n > 0) put(tmp[--n]);
    }
};

bool write_all(int fd, const char* data, std::size_t len) noexcept {
    while (len > 0) {
        const ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::size_t format_record(char* out, std::size_t capacity, long long unix_ms, long utc_offset_s,
                          Level level, std::string_view message) noexcept {
    if (capacity == 0) return 0;
    const long long local_ms = unix_ms + static_cast<long long>(utc_offset_s) * 1000;
    long long secs = local_ms / 1000;
    long long ms = local_ms % 1000;
    if (ms < 0) {
        ms += 1000;
        secs -= 1;
    }
    long long days = secs / 86400;
    long long sod = secs % 86400;
    if (sod < 0) {
        sod += 86400;
        days -= 1;
    }
    int year;
    unsigned month, day;
    civil_from_days(days, year, month, day);

    Writer w{out, capacity - 1};  // keep room for the newline
    w.digits(year, 4);
    w.put('-');
    w.digits(month, 2);
    w.put('-');
    w.digits(day, 2);
    w.put(' ');
    w.digits(sod / 3600, 2);
    w.put(':');
    w.digits(sod / 60 % 60, 2);
    w.put(':');
    w.digits(sod % 60, 2);
    w.put(',');
    w.digits(ms, 3);
    w.put(" - ");
    w.put(level_name(level));
    w.put(" - ");
    w.put(message);
    out[w.len++] = '\n';
    return w.len;
}

bool enabled(Level level) {
    const Level threshold = DEBUG_MODE ? Level::DEBUG : Level::INFO;
    return static_cast<int>(level) >= static_cast<int>(threshold);
}

void write(Level level, std::string_view message) {
    if (!enabled(level)) return;
    const long long ms = now_unix_ms();
    const long offset = local_utc_offset(static_cast<std::time_t>(ms / 1000));
    g_utc_offset_s.store(offset, std::memory_order_relaxed);
    std::string line(message.size() + 64, '\0');
    line.resize(format_record(line.data(), line.size(), ms, offset, level, message));
    std::lock_guard lock(g_write_mutex);
    write_all(g_fd.load(std::memory_order_relaxed), line.data(), line.size());
}

bool info_from_signal_handler(const char* prefix, long number, const char* suffix) noexcept {
    const int saved_errno = errno;
    char message[256];
    Writer m{message, sizeof message};
    m.put(std::string_view(prefix));
    m.digits(number, 1);
    m.put(std::string_view(suffix));
    char line[512];
    const std::size_t len = format_record(line, sizeof line, now_unix_ms(),
                                          g_utc_offset_s.load(std::memory_order_relaxed), Level::INFO,
                                          std::string_view(message, m.len));
    const bool ok = write_all(g_fd.load(std::memory_order_relaxed), line, len);
    errno = saved_errno;
    return ok;
}

void set_output_fd(int fd) noexcept { g_fd.store(fd, std::memory_order_relaxed); }

}  // namespace ts::core::log
