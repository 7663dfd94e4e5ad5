#include "skyclock.hpp"

#include "activity_card.hpp"
#include "clock_text.hpp"
#include "weather_card.hpp"

#include <algorithm>
#include <ctime>

namespace ts::pages {

using config::Knobs;
using core::Color;

namespace {

const DateLocale& date_locale() {
    static const DateLocale loc;  // the environment's locale does not change while we run
    return loc;
}

}  // namespace

SkyClock::PageKey SkyClock::key_now(const SDL_Surface* surface, SDL_Rect rect) const {
    std::tm now{};
    if (local_time) {
        now = local_time();
    } else {
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
    }
    std::shared_ptr<const config::Settings> settings = knobs_.settings();
    ClockText words = clock_text(now, settings->clock, date_locale().get());
    const auto view = weather_ != nullptr ? weather_->view() : nullptr;
    const double unix_now = unix_time ? unix_time() : static_cast<double>(std::time(nullptr));
    return PageKey{surface, rect, std::move(words), WeatherKey{weather_card_text(view.get(), unix_now), std::move(settings)},
                   feed_ ? feed_() : nullptr};
}

bool SkyClock::would_draw_the_same(const SDL_Surface* surface, SDL_Rect rect) const {
    return drawn_ && *drawn_ == key_now(surface, rect);
}

void SkyClock::draw_weather_page(SDL_Surface* s, SDL_Rect rect) {
    drawn_.reset();  // until this drawing is finished, nothing is known to be on s
    PageKey key = key_now(s, rect);
    const ClockText& words = key.words;
    const std::shared_ptr<const config::Settings>& settings = key.weather.settings;
    const Color text = knobs_.color("text"), gray = knobs_.color("text_gray");
    const int clock_w = knobs_.text.width(words.time, 72, true);
    const int x = rect.x + (rect.w - clock_w) / 2;
    knobs_.text.draw(s, words.time, x, rect.y + 60, 72, text, true);
    // Seconds sit low beside the hours; AM/PM above them, or in their place without them.
    if (!words.seconds.empty()) knobs_.text.draw(s, words.seconds, x + clock_w + 6, rect.y + 108, 20, knobs_.color("accent"));
    if (!words.suffix.empty()) {
        knobs_.text.draw(s, words.suffix, x + clock_w + 6, rect.y + (words.seconds.empty() ? 108 : 80), 16, gray);
    }
    const int dw = knobs_.text.width(words.date, 16);
    knobs_.text.draw(s, words.date, rect.x + (rect.w - dw) / 2, rect.y + 160, 16, gray);

    // Each card draws inside its rectangle only, onto a page just made transparent, from its
    // key alone: a key drawn before is one copy of the pixels.
    const SDL_Rect weather_rect{rect.x + 12, rect.y + 220, rect.w - 24, 370};
    if (!weather_card_.replay(s, weather_rect, key.weather)) {
        draw_weather_card(knobs_, s, weather_rect, key.weather.words);
        weather_card_.keep(s, weather_rect, key.weather);
    }
    // The machine's own card sits in the page's lower third, below the weather card.
    const sysdata::Snapshot* snap = key.snapshot.get();
    const int top = rect.y + 610;  // page y 640 with the page starting at y 30
    const SDL_Rect card{rect.x + 12, top, rect.w - 24, std::min(300, rect.y + rect.h - 20 - top)};
    if (trace != nullptr) {
        draw_activity_card(knobs_, s, card, snap, trace);
        return;  // a test that traces texts wants every drawing to happen
    }
    // The figures change about once a second, the card under them only with the settings.
    if (!activity_frame_.replay(s, card, settings)) {
        draw_activity_frame(knobs_, s, card);
        activity_frame_.keep(s, card, settings);
    }
    draw_activity_figures(knobs_, s, card, snap);
    drawn_ = std::move(key);
}

}  // namespace ts::pages
