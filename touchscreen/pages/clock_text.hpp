// The clock's words: the time in 24 h or 12 h form with or without seconds, and the date with
// day and month names in the user's language when that locale is installed, else English.
#pragma once

#include "../config/settings.hpp"

#include <ctime>
#include <locale.h>
#include <memory>
#include <string>

namespace ts::pages {

struct ClockText {
    std::string time;     // "07:05" or "7:05"
    std::string seconds;  // "09", or "" when seconds are off
    std::string suffix;   // "AM" / "PM" in 12 h form, else ""
    std::string date;     // "Wednesday, 09 December 2026"
    friend bool operator==(const ClockText&, const ClockText&) = default;
};

// The locale the date's names come from: LC_ALL, LC_TIME or LANG when one names an installed
// locale, else "C" (English). Made once; reading it is free.
class DateLocale {
public:
    DateLocale();
    locale_t get() const { return loc_.get(); }

private:
    struct Free {
        void operator()(locale_t l) const noexcept { freelocale(l); }
    };
    std::unique_ptr<std::remove_pointer_t<locale_t>, Free> loc_;
};

ClockText clock_text(const std::tm& now, const config::ClockSettings& settings, locale_t loc);

}  // namespace ts::pages
