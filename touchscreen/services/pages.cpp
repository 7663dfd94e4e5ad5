#include "pages.hpp"

#include "paint.hpp"

#include <ctime>

namespace ts::services {
namespace {

constexpr int kPad = 16;

// A card with a title; returns the y below the title.
int card(Knobs& k, SDL_Surface* s, SDL_Rect rect, const std::string& title) {
    paint::rounded_box(s, rect, 18, k.color("card"), 200);
    k.text.draw(s, title, rect.x + kPad, rect.y + kPad, 18, k.color("text"), true);
    return rect.y + kPad + 34;
}

// A labelled bar row: label left, figure right, bar below. Returns the next row's y.
int gauge_row(Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const std::string& label, const std::string& figure,
              double fraction) {
    k.text.draw(s, label, rect.x + kPad, y, 14, k.color("text_gray"));
    const int fw = k.text.width(figure, 14);
    k.text.draw(s, figure, rect.x + rect.w - kPad - fw, y, 14, k.color("text"));
    paint::bar(s, {rect.x + kPad, y + 22, rect.w - 2 * kPad, 10}, fraction, k.color("track"), k.color("accent"));
    return y + 48;
}

void rows(Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const char* const* labels, int count) {
    for (int i = 0; i < count && y + 48 <= rect.y + rect.h; ++i) y = gauge_row(k, s, rect, y, labels[i], "--", 0.0);
}

}  // namespace

void SkyClock::draw_weather_page(SDL_Surface* s, SDL_Rect rect) {
    std::tm now{};
    if (local_time) {
        now = local_time();
    } else {
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
    }
    char hm[8], sec[4], date[32];
    std::strftime(hm, sizeof hm, "%H:%M", &now);
    std::strftime(sec, sizeof sec, "%S", &now);
    std::strftime(date, sizeof date, "%A, %d %B %Y", &now);

    const Color text = knobs_.color("text"), gray = knobs_.color("text_gray");
    const int clock_w = knobs_.text.width(hm, 72, true);
    const int x = rect.x + (rect.w - clock_w) / 2;
    knobs_.text.draw(s, hm, x, rect.y + 60, 72, text, true);
    knobs_.text.draw(s, sec, x + clock_w + 6, rect.y + 108, 20, knobs_.color("accent"));
    const int dw = knobs_.text.width(date, 16);
    knobs_.text.draw(s, date, rect.x + (rect.w - dw) / 2, rect.y + 160, 16, gray);

    const SDL_Rect weather{rect.x + 12, rect.y + 220, rect.w - 24, 220};
    int y = card(knobs_, s, weather, "Weather");
    knobs_.text.draw(s, "--°", weather.x + kPad, y, 48, text, true);
    knobs_.text.draw(s, "no forecast yet", weather.x + kPad, y + 70, 14, gray);

    const SDL_Rect io{rect.x + 12, rect.y + 460, rect.w - 24, 200};
    y = card(knobs_, s, io, "Disk activity");
    gauge_row(knobs_, s, io, y, "read", "--", 0.0);
    gauge_row(knobs_, s, io, y + 48, "write", "--", 0.0);
}

void LoadGauge::draw_cpu(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kLabels[] = {"total", "core 0", "core 1", "core 2", "core 3", "load average"};
    rows(knobs_, s, rect, card(knobs_, s, rect, "Processor"), kLabels, 6);
}

void LoadGauge::draw_memory(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kLabels[] = {"used", "cached", "swap"};
    rows(knobs_, s, rect, card(knobs_, s, rect, "Memory"), kLabels, 3);
}

void StoreGauge::draw_disk(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kDisks[] = {"/", "/boot", "/data"};
    SDL_Rect disks = rect;
    disks.h = rect.h / 2 - 6;
    rows(knobs_, s, disks, card(knobs_, s, disks, "Disks"), kDisks, 3);
    static const char* const kTemps[] = {"processor", "board", "drive"};
    SDL_Rect temps{rect.x, rect.y + rect.h / 2 + 6, rect.w, rect.h / 2 - 6};
    rows(knobs_, s, temps, card(knobs_, s, temps, "Temperatures"), kTemps, 3);
}

void LinkGauge::draw_network(SDL_Surface* s, SDL_Rect rect) {
    static const char* const kLabels[] = {"download", "upload", "address"};
    rows(knobs_, s, rect, card(knobs_, s, rect, "Network"), kLabels, 3);
}

void LinkGauge::draw_processes(SDL_Surface* s, const ProcessRows*, SDL_Rect rect) {
    int y = card(knobs_, s, rect, "Processes");
    knobs_.text.draw(s, "name", rect.x + kPad, y, 14, knobs_.color("text_gray"));
    knobs_.text.draw(s, "cpu", rect.x + rect.w - 120, y, 14, knobs_.color("text_gray"));
    knobs_.text.draw(s, "mem", rect.x + rect.w - 60, y, 14, knobs_.color("text_gray"));
    paint::fill(s, {rect.x + kPad, y + 24, rect.w - 2 * kPad, 1}, knobs_.color("track"));
}

}  // namespace ts::services
