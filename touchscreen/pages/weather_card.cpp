#include "weather_card.hpp"

#include "cards.hpp"
#include "weather_icons.hpp"

#include "../paint/paint.hpp"

#include <cmath>

namespace ts::pages {
namespace {

using weather::condition_of;

constexpr const char* kWeekdays[] = {"Thu", "Fri", "Sat", "Sun", "Mon", "Tue", "Wed"};  // 1970-01-01 was a Thursday

std::string degrees(double v, const char* unit = "") {
    if (!std::isfinite(v)) return "--";
    const long r = std::lround(v);
    return std::to_string(r == 0 ? 0 : r) + "°" + unit;
}

std::string whole(double v, const char* unit) {
    if (!std::isfinite(v)) return "--";
    return std::to_string(std::lround(v)) + unit;
}

// Cuts text with an ellipsis until it fits max_w pixels.
std::string fit(paint::TextPainter& t, std::string text, int size, bool bold, int max_w) {
    if (t.width(text, size, bold) <= max_w) return text;
    while (!text.empty()) {
        // One whole UTF-8 character: its continuation bytes, then its first byte.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) text.pop_back();
        if (!text.empty()) text.pop_back();
        if (t.width(text + "…", size, bold) <= max_w) return text + "…";
    }
    return text;
}

// Splits text at spaces into lines of at most max_w pixels.
std::vector<std::string> wrap(paint::TextPainter& t, const std::string& text, int size, int max_w) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(at, end - at);
        const std::string longer = line.empty() ? word : line + " " + word;
        if (!line.empty() && t.width(longer, size) > max_w) {
            lines.push_back(line);
            line = word;
        } else {
            line = longer;
        }
        at = end + 1;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void centred(paint::TextPainter& t, SDL_Surface* s, const std::string& text, int cx, int y, int size, core::Color c,
             bool bold = false) {
    t.draw(s, text, cx - t.width(text, size, bold) / 2, y, size, c, bold);
}

}  // namespace

WeatherCardText weather_card_text(const weather::WeatherView* view, double now) {
    WeatherCardText out;
    out.title = view != nullptr && !view->place.empty() ? view->place : "Weather";
    if (view == nullptr) {
        out.message = {"Weather is not available in this build"};
        return out;
    }
    if (!view->problem.empty()) {
        out.message = {"No forecast: " + view->problem};
        return out;
    }
    if (!view->forecast) {
        if (view->last_error == weather::ErrorKind::None) {
            out.message = {"Asking for the forecast…"};
        } else {
            out.message = {"No forecast yet: " + std::string(weather::error_name(view->last_error)),
                           "trying again shortly"};
        }
        return out;
    }
    const weather::Forecast& f = *view->forecast;
    out.has_forecast = true;
    out.old = weather::is_old(*view, now);
    out.updated = (out.old ? "old · updated " : "updated ") + weather::age_text(std::max(0.0, now - view->fetched_at));
    const char* unit = view->imperial ? "F" : "C";
    const auto cond = condition_of(f.current.code, f.current.is_day);
    out.temperature = degrees(f.current.temperature, unit);
    out.condition = cond.words;
    out.icon = cond.icon;
    out.feels = degrees(f.current.apparent, unit);
    out.humidity = whole(f.current.humidity, "%");
    out.wind = whole(f.current.wind, view->imperial ? " mph" : " km/h");

    const int today = weather::today_index(f, now);
    if (today >= 0) {
        out.high = degrees(f.days[today].high);
        out.low = degrees(f.days[today].low);
    } else {
        out.high = out.low = "--";
    }
    for (const weather::Hour& h : weather::next_hours(f, now, 12)) {
        const auto local = ((h.local_time % 86400) + 86400) % 86400;
        const bool day_hour = local >= 6 * 3600 && local < 20 * 3600;  // good enough for a 20 px icon
        out.hours.push_back({std::to_string(local / 3600), degrees(h.temperature),
                             h.precipitation >= 10 ? std::to_string(h.precipitation) : "",
                             condition_of(h.code, day_hour).icon});
    }
    // Tomorrow on; a cached forecast past its own days shows what remains.
    const std::size_t first = today >= 0 ? static_cast<std::size_t>(today) + 1 : f.days.size();
    for (std::size_t i = first; i < f.days.size() && out.days.size() < 4; ++i) {
        const weather::Day& d = f.days[i];
        const auto weekday = ((d.local_date / 86400) % 7 + 7) % 7;
        out.days.push_back({kWeekdays[weekday], degrees(d.high), degrees(d.low), condition_of(d.code, true).icon});
    }
    return out;
}

void draw_weather_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const weather::WeatherView* view,
                       double now) {
    draw_weather_card(knobs, s, rect, weather_card_text(view, now));
}

void draw_weather_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const WeatherCardText& c) {
    paint::TextPainter& t = knobs.text;
    const core::Color text = knobs.color("text"), gray = knobs.color("text_gray"), accent = knobs.color("accent");
    paint::rounded_box(s, rect, 18, knobs.color("card"), 200);
    const int left = rect.x + kPad, right = rect.x + rect.w - kPad, inner = right - left;

    // Place on the left, the forecast's age on the right.
    const int updated_w = t.width(c.updated, 14);
    t.draw(s, c.updated, right - updated_w, rect.y + 18, 14, c.old ? knobs.color("warn") : gray);
    t.draw(s, fit(t, c.title, 18, true, inner - updated_w - 12), left, rect.y + kPad, 18, text, true);

    if (!c.has_forecast) {
        int y = rect.y + 70;
        for (const std::string& m : c.message) {
            for (const std::string& line : wrap(t, m, 17, inner)) {
                t.draw(s, line, left, y, 17, text);
                y += 26;
            }
        }
        return;
    }

    // Now: icon, temperature and words; today's high and low on the right.
    const int top = rect.y + 50;
    draw_weather_icon(s, c.icon, left - 4, top, 80);
    const std::string hi = "high " + c.high, lo = "low " + c.low;
    const int range_x = right - std::max(t.width(hi, 16), t.width(lo, 16));
    int temp_size = 44;
    while (temp_size > 28 && left + 84 + t.width(c.temperature, temp_size, true) + 8 > range_x) temp_size -= 4;
    t.draw(s, c.temperature, left + 84, top - 2, temp_size, text, true);
    t.draw(s, fit(t, c.condition, 17, false, right - left - 84), left + 84, top + 54, 17, text);
    t.draw(s, hi, right - t.width(hi, 16), top + 4, 16, text);
    t.draw(s, lo, right - t.width(lo, 16), top + 28, 16, gray);

    // Feels-like, humidity, wind in three columns.
    const int facts_y = rect.y + 138;
    const std::pair<const char*, const std::string*> facts[] = {
        {"feels like", &c.feels}, {"humidity", &c.humidity}, {"wind", &c.wind}};
    for (int i = 0; i < 3; ++i) {
        const int x = left + i * inner / 3;
        t.draw(s, facts[i].first, x, facts_y, 13, gray);
        t.draw(s, *facts[i].second, x, facts_y + 18, 17, text);
    }
    paint::fill(s, {left, rect.y + 184, inner, 1}, knobs.color("track"));

    // The next twelve hours: hour, icon, temperature, chance of rain (from 10 %).
    t.draw(s, "next 12 hours", left, rect.y + 190, 12, gray);
    const std::string rain_caption = "chance of rain %";
    t.draw(s, rain_caption, right - t.width(rain_caption, 12), rect.y + 190, 12, accent);
    const int hours_y = rect.y + 208;
    const int n = static_cast<int>(c.hours.size());
    for (int i = 0; i < n; ++i) {
        const HourCell& h = c.hours[i];
        const int x0 = left + i * inner / 12, x1 = left + (i + 1) * inner / 12, cx = (x0 + x1) / 2;
        centred(t, s, h.hour, cx, hours_y, 13, gray);
        draw_weather_icon(s, h.icon, cx - 11, hours_y + 18, 22);
        const std::string temp =
            t.width(h.temperature, 13) < x1 - x0 ? h.temperature : h.temperature.substr(0, h.temperature.size() - 2);
        centred(t, s, temp, cx, hours_y + 42, 13, text);
        centred(t, s, h.rain, cx, hours_y + 60, 12, accent);
    }
    paint::fill(s, {left, rect.y + 286, inner, 1}, knobs.color("track"));

    // The next four days: name, icon, high and low.
    const int days_y = rect.y + 292;
    for (std::size_t i = 0; i < c.days.size(); ++i) {
        const DayCell& d = c.days[i];
        const int cx = left + static_cast<int>(i) * inner / 4 + inner / 8;
        centred(t, s, d.name, cx, days_y, 14, text, true);
        draw_weather_icon(s, d.icon, cx - 14, days_y + 19, 28);
        const std::string low = " " + d.low;
        const int w = t.width(d.high, 15) + t.width(low, 15);
        const int x = cx - w / 2;
        t.draw(s, low, x + t.draw(s, d.high, x, days_y + 49, 15, text), days_y + 49, 15, gray);
    }
}

}  // namespace ts::pages
