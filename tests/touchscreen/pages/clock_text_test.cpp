// The clock's words for each format, around the hours where 12 h form turns over, and the
// date's language falling back to English when the user's locale is not installed.
#include "pages/clock_text.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace ts::pages {
namespace {

std::tm at(int hour, int min, int sec) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_wday = 3;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    return t;
}

struct ClockCase {
    int hour, min, sec;
    const char* format;
    bool seconds;
    const char* time;
    const char* secs;
    const char* suffix;
};

TEST(ClockText, FormatsAndSeconds) {
    const ClockCase cases[] = {
        {7, 5, 9, "24h", true, "07:05", "09", ""},
        {23, 59, 59, "24h", false, "23:59", "", ""},
        {0, 0, 0, "12h", true, "12:00", "00", "AM"},
        {0, 30, 0, "12h", false, "12:30", "", "AM"},
        {11, 59, 59, "12h", true, "11:59", "59", "AM"},
        {12, 0, 0, "12h", true, "12:00", "00", "PM"},
        {13, 5, 0, "12h", false, "1:05", "", "PM"},
        {23, 1, 2, "12h", true, "11:01", "02", "PM"},
    };
    const DateLocale c_locale;
    for (const ClockCase& c : cases) {
        const ClockText t = clock_text(at(c.hour, c.min, c.sec), {c.format, c.seconds}, c_locale.get());
        const std::string what = std::to_string(c.hour) + ":" + std::to_string(c.min) + " " + c.format;
        EXPECT_EQ(t.time, c.time) << what;
        EXPECT_EQ(t.seconds, c.secs) << what;
        EXPECT_EQ(t.suffix, c.suffix) << what;
    }
}

class DateLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"LC_ALL", "LC_TIME", "LANG"}) {
            const char* old = std::getenv(v);
            saved_.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
            unsetenv(v);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) setenv(name, value->c_str(), 1);
            else unsetenv(name);
        }
    }
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(DateLanguage, AnUninstalledOrMissingLocaleGivesEnglish) {
    for (const char* lang : {"", "xx_YY.UTF-8", "C.UTF-8"}) {
        if (*lang) setenv("LANG", lang, 1);
        const DateLocale loc;
        EXPECT_EQ(clock_text(at(9, 0, 0), {}, loc.get()).date, "Wednesday, 09 December 2026") << lang;
    }
}

TEST_F(DateLanguage, AnInstalledLocaleNamesDayAndMonthInItsLanguage) {
    setenv("LC_TIME", "de_DE.UTF-8", 1);
    locale_t probe = newlocale(LC_TIME_MASK, "de_DE.UTF-8", static_cast<locale_t>(nullptr));
    if (probe == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not installed here";
    freelocale(probe);
    const DateLocale loc;
    EXPECT_EQ(clock_text(at(9, 0, 0), {}, loc.get()).date, "Mittwoch, 09 Dezember 2026");
}

}  // namespace
}  // namespace ts::pages
