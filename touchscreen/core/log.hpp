// The process-wide "touchscreen" logger: one line per record on standard error,
// "2026-12-09 14:03:07,512 - INFO - message", local time. Three threads and the signal
// handler log through it; every record leaves in a single write(2), so records never mix.
#pragma once

#include <string_view>

namespace ts::core::log {

enum class Level { DEBUG = 10, INFO = 20, WARNING = 30, ERROR = 40 };

inline constexpr const char* LOGGER_NAME = "touchscreen";

bool enabled(Level level);
void write(Level level, std::string_view message);
inline void debug(std::string_view m) { write(Level::DEBUG, m); }
inline void info(std::string_view m) { write(Level::INFO, m); }
inline void warning(std::string_view m) { write(Level::WARNING, m); }
inline void error(std::string_view m) { write(Level::ERROR, m); }

// Async-signal-safe: no allocation, no lock, no stdio. Writes prefix, the decimal number
// and suffix as one info record; local time uses the UTC offset seen by the last record.
// Returns false when the line could not be written.
bool info_from_signal_handler(const char* prefix, long number, const char* suffix) noexcept;

// Formats one record into out (without allocating); returns its length, newline included,
// cut to fit. unix_ms is milliseconds since the epoch, utc_offset_s the local offset.
std::size_t format_record(char* out, std::size_t capacity, long long unix_ms, long utc_offset_s,
                          Level level, std::string_view message) noexcept;

// Tests redirect the records; the default is descriptor 2.
void set_output_fd(int fd) noexcept;

}  // namespace ts::core::log
