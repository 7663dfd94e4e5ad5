#include "activity_card.hpp"

#include "../paint/paint.hpp"
#include "../sysdata/units.hpp"

#include <algorithm>

namespace ts::pages {

using namespace sysdata;

namespace {

// Where the graph lies: below the rates, above the host line's two text lines.
SDL_Rect graph_rect(SDL_Rect rect) {
    const int y = below_title(rect) + 48;
    const int host_y = rect.y + rect.h - kPad - 40;
    return {rect.x + kPad, y, rect.w - 2 * kPad, std::max(20, host_y - y - 12)};
}

}  // namespace

void draw_activity_card(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const Snapshot* snap, TextTrace* trace) {
    draw_activity_frame(knobs, s, rect, trace);
    draw_activity_figures(knobs, s, rect, snap, trace);
}

void draw_activity_frame(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, TextTrace* trace) {
    Canvas c(knobs, s, trace);
    const int y = c.card(rect, "Disk activity");
    const int left = rect.x + kPad, half = (rect.w - 2 * kPad) / 2;
    c.text("read", left, y - 4, 13, c.color("text_gray"));
    c.text("write", left + half, y - 4, 13, c.color("text_gray"));
    // The graph's track stays too: blending it is most of what the figures would cost.
    paint::fill(s, graph_rect(rect), c.color("track"), 90);
}

void draw_activity_figures(config::Knobs& knobs, SDL_Surface* s, SDL_Rect rect, const Snapshot* snap, TextTrace* trace) {
    Canvas c(knobs, s, trace);
    int y = below_title(rect);
    const int left = rect.x + kPad, right = rect.x + rect.w - kPad, inner = rect.w - 2 * kPad;
    const int half = inner / 2;
    const DiskIo* io = snap ? &snap->disk : nullptr;
    c.text(format_rate(io ? io->read_rate : std::nullopt), left, y + 14, 20, c.color("accent"), true);
    c.text(format_rate(io ? io->write_rate : std::nullopt), left + half, y + 14, 20, c.color("warn"), true);
    y += 48;

    const SDL_Rect g = graph_rect(rect);
    const int host_y = rect.y + rect.h - kPad - 40;
    if (io) {
        const double peak = std::max({io->read_history.max(), io->write_history.max(), 64.0 * 1024});
        c.graph(g, io->read_history, peak, c.color("accent"), 200);
        c.graph(g, io->write_history, peak, c.color("warn"), 255, true);
        c.text("peak " + format_rate(peak), left + 4, y + 2, 11, c.color("text_gray"));
    }

    const std::string uptime = "up " + format_uptime(snap ? snap->uptime : std::nullopt);
    const int uw = c.width(uptime, 14);
    const std::string host = snap && !snap->hostname.empty() ? snap->hostname : kUnknown;
    c.text(c.fit(host, 15, inner - uw - 12, true), left, host_y, 15, c.color("text"), true);
    c.text_right(uptime, right, host_y + 1, 14, c.color("text_gray"));
    std::string address = kUnknown;
    if (snap && !snap->net.ipv4.empty()) {
        address = snap->net.ipv4 + "  (" + snap->net.interface + ")";
    } else if (snap && snap->net.interface.empty()) {
        address = "offline";
    }
    c.text(c.fit(address, 14, inner), left, host_y + 22, 14, c.color("text_gray"));
}

}  // namespace ts::pages
