#include "clock_text.hpp"

#include <stdexcept>

namespace ts::pages {

DateLocale::DateLocale() {
    // "" takes the names from the environment; it fails when that locale is not installed.
    locale_t l = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (l == nullptr) l = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));
    if (l == nullptr) throw std::runtime_error("newlocale(\"C\") failed");
    loc_.reset(l);
}

ClockText clock_text(const std::tm& now, const config::ClockSettings& settings, locale_t loc) {
    ClockText out;
    char buf[64];
    if (settings.format == "12h") {
        // AM/PM spelled out whatever the locale: many have no such words.
        const int hour = now.tm_hour % 12 == 0 ? 12 : now.tm_hour % 12;
        std::snprintf(buf, sizeof buf, "%d:%02d", hour, now.tm_min);
        out.suffix = now.tm_hour < 12 ? "AM" : "PM";
    } else {
        std::snprintf(buf, sizeof buf, "%02d:%02d", now.tm_hour, now.tm_min);
    }
    out.time = buf;
    if (settings.seconds) {
        std::snprintf(buf, sizeof buf, "%02d", now.tm_sec);
        out.seconds = buf;
    }
    if (strftime_l(buf, sizeof buf, "%A, %d %B %Y", &now, loc) > 0) out.date = buf;
    return out;
}

}  // namespace ts::pages
