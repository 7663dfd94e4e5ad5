// The logger's line format, its level threshold and the signal-safe path.
#include "core/log.hpp"
#include "log_capture.hpp"

#include <gtest/gtest.h>

#include <regex>

namespace ts::core::log {
namespace {

std::string format(long long unix_ms, long offset, Level level, std::string_view msg) {
    char buf[256];
    return std::string(buf, format_record(buf, sizeof buf, unix_ms, offset, level, msg));
}

TEST(LogFormat, DateTimeMillisecondsLevelAndMessage) {
    // 2026-12-09 13:03:07.512 UTC, shown one hour east of UTC.
    EXPECT_EQ(format(1'796'821'387'512LL, 3600, Level::INFO, "进入主循环"),
              "2026-12-09 14:03:07,512 - INFO - 进入主循环\n");
    EXPECT_EQ(format(0, 0, Level::WARNING, "w"), "1970-01-01 00:00:00,000 - WARNING - w\n");
    EXPECT_EQ(format(951'782'400'007LL, 0, Level::ERROR, "leap"), "2000-02-29 00:00:00,007 - ERROR - leap\n");
    EXPECT_EQ(format(1'000, -7200, Level::DEBUG, "west"), "1969-12-31 22:00:01,000 - DEBUG - west\n");
    // 2^31 and 2^32 seconds: past a 32-bit time_t (armhf) and past 32 bits unsigned.
    EXPECT_EQ(format(2'147'483'648'000LL, 0, Level::INFO, "y2038"), "2038-01-19 03:14:08,000 - INFO - y2038\n");
    EXPECT_EQ(format(4'294'967'296'001LL, 0, Level::INFO, "y2106"), "2106-02-07 06:28:16,001 - INFO - y2106\n");
}

TEST(LogFormat, OverlongMessageIsCutButStillOneLine) {
    char buf[48];
    const std::string msg(200, 'x');
    const std::size_t n = format_record(buf, sizeof buf, 0, 0, Level::INFO, msg);
    ASSERT_EQ(n, sizeof buf);
    EXPECT_EQ(buf[n - 1], '\n');
    EXPECT_EQ(std::string(buf, n).find('\n'), n - 1);
}

TEST(Logger, InfoIsOneFormattedLineAndDebugIsSilent) {
    test::LogCapture capture;
    debug("不应出现");
    info("进入主循环");
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} - INFO - 进入主循环)")))
        << lines[0];
}

TEST(Logger, SignalPathWritesTheSameFormat) {
    test::LogCapture capture;
    info("first");  // primes the local-time offset the signal path uses
    ASSERT_TRUE(info_from_signal_handler("收到停止信号 (", 15, ")，准备优雅退出..."));
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} - INFO - 收到停止信号 \(15\)，准备优雅退出\.\.\.)")))
        << lines[1];
    // Both paths agree on the local time, to the minute.
    EXPECT_EQ(lines[0].substr(0, 16), lines[1].substr(0, 16));
}

}  // namespace
}  // namespace ts::core::log
