// The weather card: what it says for each state of the weather thread, that it stays inside
// its rectangle, and a picture of page 1 drawn from a served forecast.
#include "page_test.hpp"
#include "http_server.hpp"
#include "pages/skyclock.hpp"
#include "pages/weather_card.hpp"
#include "pages/weather_icons.hpp"
#include "weather/parse.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace ts::pages {
namespace {

using weather::ErrorKind;
using weather::Icon;
using weather::WeatherView;

constexpr double kFetched = 1796822100;  // 2026-12-09 14:15 in Berlin (UTC+1), as in the fixture

std::shared_ptr<const weather::Forecast> fixture_forecast() {
    auto r = weather::parse_forecast(test::weather_fixture("forecast_full.json"));
    return std::make_shared<const weather::Forecast>(std::move(*r.forecast));
}

WeatherView served(bool imperial = false) {
    WeatherView v;
    v.forecast = fixture_forecast();
    v.fetched_at = kFetched;
    v.imperial = imperial;
    v.place = "Berlin";
    v.interval = 600;
    return v;
}

TEST(WeatherCardText, StatesWithoutAForecastSayWhy) {
    WeatherView problem;
    problem.problem = "set latitude and longitude in [weather]";
    WeatherView asking;
    asking.place = "Berlin";
    WeatherView failing = asking;
    failing.last_error = ErrorKind::Timeout;
    struct Case {
        const WeatherView* view;
        const char* title;
        std::vector<std::string> message;
    } cases[] = {
        {nullptr, "Weather", {"Weather is not available in this build"}},
        {&problem, "Weather", {"No forecast: set latitude and longitude in [weather]"}},
        {&asking, "Berlin", {"Asking for the forecast…"}},
        {&failing, "Berlin", {"No forecast yet: timed out", "trying again shortly"}},
    };
    for (const Case& c : cases) {
        const WeatherCardText t = weather_card_text(c.view, kFetched);
        EXPECT_FALSE(t.has_forecast);
        EXPECT_EQ(t.title, c.title);
        EXPECT_EQ(t.message, c.message);
        EXPECT_TRUE(t.hours.empty() && t.days.empty());
    }
}

TEST(WeatherCardText, AForecastReadsWithUnitsAndItsAge) {
    const WeatherView metric = served(), imperial = served(true);
    const WeatherCardText m = weather_card_text(&metric, kFetched + 5 * 60);
    EXPECT_TRUE(m.has_forecast);
    EXPECT_EQ(m.title, "Berlin");
    EXPECT_EQ(m.updated, "updated 5 min ago");
    EXPECT_FALSE(m.old);
    EXPECT_EQ(m.temperature, "6°C");
    EXPECT_EQ(m.condition, "partly cloudy");
    EXPECT_EQ(m.icon, Icon::SunCloud);
    EXPECT_EQ(m.feels, "2°C");
    EXPECT_EQ(m.humidity, "78%");
    EXPECT_EQ(m.wind, "15 km/h");
    EXPECT_NE(m.high, "--");
    EXPECT_NE(m.low, "--");
    ASSERT_EQ(m.hours.size(), 12u);
    EXPECT_EQ(m.hours.front().hour, "14");
    EXPECT_EQ(m.hours.back().hour, "1");
    ASSERT_EQ(m.days.size(), 4u);
    EXPECT_EQ(m.days.front().name, "Thu");  // 2026-12-10, the day after
    EXPECT_EQ(m.days.back().name, "Sun");

    const WeatherCardText i = weather_card_text(&imperial, kFetched);
    EXPECT_EQ(i.temperature, "6°F");
    EXPECT_EQ(i.wind, "15 mph");
    EXPECT_EQ(i.updated, "updated just now");
}

TEST(WeatherCardText, AnOldForecastIsMarkedAndShowsWhatIsStillAhead) {
    WeatherView v = served();
    v.last_error = ErrorKind::Connect;
    struct Case {
        double age;
        bool old;
        const char* updated;
        std::size_t hours, days;
        const char* first_hour;
    } cases[] = {
        {20 * 60, false, "updated 20 min ago", 12, 4, "14"},
        {20 * 60 + 1, true, "old · updated 20 min ago", 12, 4, "14"},
        {3 * 86400, true, "old · updated 3 days ago", 12, 3, "14"},
        {6 * 86400 + 3600 * 5, true, "old · updated 6 days ago", 5, 0, "19"},
        {8 * 86400, true, "old · updated 8 days ago", 0, 0, ""},
    };
    for (const Case& c : cases) {
        const WeatherCardText t = weather_card_text(&v, kFetched + c.age);
        EXPECT_EQ(t.old, c.old) << c.age;
        EXPECT_EQ(t.updated, c.updated);
        ASSERT_EQ(t.hours.size(), c.hours) << c.age;
        EXPECT_EQ(t.days.size(), c.days) << c.age;
        if (!t.hours.empty()) {
            EXPECT_EQ(t.hours.front().hour, c.first_hour);
        }
        if (c.age > 7 * 86400) {
            EXPECT_EQ(t.high, "--") << "no today in the forecast";
        }
    }
}

using WeatherCard = test::FontPageTest;

TEST_F(WeatherCard, EveryStateAndEveryIconStaysInsideTheCard) {
    const SDL_Rect rect{12, 250, 352, 370};
    std::vector<WeatherView> views;
    WeatherView problem;
    problem.problem = "set latitude and longitude in [weather]";
    views.push_back(problem);
    // Every code of the table, day and night, with an extreme temperature and a long name.
    for (int code : {0, 1, 2, 3, 45, 51, 56, 61, 66, 71, 77, 80, 85, 95, 99, 7}) {
        for (bool day : {true, false}) {
            WeatherView v = served(true);
            auto f = std::make_shared<weather::Forecast>(*v.forecast);
            f->current.code = code;
            f->current.is_day = day;
            f->current.temperature = -128.4;
            for (auto& h : f->hours) h.code = code, h.temperature = -40.6;
            for (auto& d : f->days) d.code = code, d.high = -100.2, d.low = -120.7;
            v.forecast = f;
            v.place = "Llanfairpwllgwyngyllgogerychwyrndrobwllllantysiliogogogoch";
            views.push_back(v);
        }
    }
    for (const WeatherView& v : views) {
        core::Surface page = core::make_alpha_surface(376, 960);
        SDL_FillRect(page.get(), nullptr, 0);
        draw_weather_card(knobs, page.get(), rect, &v, kFetched + 3 * 3600);
        const auto [inside, outside] = test::drawn_inside_outside(page.get(), rect);
        EXPECT_GT(inside, rect.w * rect.h / 2);
        EXPECT_EQ(outside, 0) << (v.forecast ? v.forecast->current.code : -1);
    }
}

TEST_F(WeatherCard, IconsShowTheirSkyAtTheirCentreAndStayInTheirSquare) {
    struct Case {
        Icon icon;
        int x, y;  // a point of the icon, in an 80 px square at (10, 10)
        bool yellow, blue;
    } cases[] = {
        {Icon::Sun, 50, 50, true, false},     {Icon::SunCloud, 36, 32, true, false}, {Icon::Rain, 47, 77, false, true},
        {Icon::Thunder, 52, 72, true, false}, {Icon::Moon, 30, 50, false, false},
    };
    for (const Case& c : cases) {
        core::Surface s = core::make_alpha_surface(100, 100);
        SDL_FillRect(s.get(), nullptr, 0);
        draw_weather_icon(s.get(), c.icon, 10, 10, 80);
        const SDL_Color p = test::pixel_at(s.get(), c.x, c.y);
        EXPECT_EQ(p.a, 255) << static_cast<int>(c.icon);
        EXPECT_EQ(p.r > 200 && p.g > 150 && p.b < 120, c.yellow) << static_cast<int>(c.icon);
        EXPECT_EQ(p.b > 200 && p.r < 120, c.blue) << static_cast<int>(c.icon);
        EXPECT_EQ(test::drawn_inside_outside(s.get(), {10, 10, 80, 80}).second, 0);
    }
}

// Page 1 drawn from a forecast the weather thread fetched from a loopback server; with
// TS_RENDER_DIR set, the picture is kept as page1_weather.bmp for a look.
TEST_F(WeatherCard, PageOneFromAServedForecast) {
    test::HttpServer server([](const std::string&) {
        return test::HttpReply{200, test::weather_fixture("forecast_full.json")};
    });
    auto settings = std::make_shared<config::Settings>();
    settings->weather = {52.52, 13.41, "Berlin", "metric", server.url()};
    weather::ServiceOptions options;
    options.cache_path = "";
    options.wall_now = [] { return kFetched; };
    weather::WeatherService service([&] { return std::shared_ptr<const config::Settings>(settings); },
                                    [] { return 600.0; }, options);
    service.start();
    ASSERT_TRUE(service.wait_for([](const WeatherView& v) { return v.forecast != nullptr; }, 10)->forecast);

    SkyClock page(knobs, {}, &service);
    page.local_time = [] {
        std::tm t{};
        t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 9, t.tm_hour = 14, t.tm_min = 20, t.tm_sec = 7, t.tm_wday = 3;
        return t;
    };
    page.unix_time = [] { return kFetched + 5 * 60; };
    core::Surface s = core::make_alpha_surface(376, 960);
    SDL_FillRect(s.get(), nullptr, SDL_MapRGBA(s->format, 12, 14, 18, 255));
    page.draw_weather_page(s.get(), {0, 30, 376, 930});
    // The card's own colour shows between its rows, nothing of it spills above the card.
    const SDL_Color above = test::pixel_at(s.get(), 20, 248), inside = test::pixel_at(s.get(), 20, 262);
    EXPECT_EQ(above.r + above.g + above.b, 12 + 14 + 18);
    EXPECT_NE(inside.r + inside.g + inside.b, 12 + 14 + 18);
    if (const char* dir = std::getenv("TS_RENDER_DIR")) {
        const std::string path = std::string(dir) + "/page1_weather.bmp";
        ASSERT_EQ(SDL_SaveBMP(s.get(), path.c_str()), 0) << SDL_GetError();
    }
}

}  // namespace
}  // namespace ts::pages
