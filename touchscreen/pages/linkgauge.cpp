#include "linkgauge.hpp"

#include "../paint/paint.hpp"
#include "../sysdata/units.hpp"

#include <algorithm>
#include <cstdio>

namespace ts::pages {

using namespace sysdata;

namespace {

std::string speed_text(std::optional<int> mbps) {
    if (!mbps) return {};
    char buf[32];
    if (*mbps >= 1000 && *mbps % 1000 == 0) {
        std::snprintf(buf, sizeof buf, "%d Gbit/s", *mbps / 1000);
    } else if (*mbps >= 1000) {
        std::snprintf(buf, sizeof buf, "%.1f Gbit/s", *mbps / 1000.0);
    } else {
        std::snprintf(buf, sizeof buf, "%d Mbit/s", *mbps);
    }
    return buf;
}

}  // namespace

void LinkGauge::draw_network(SDL_Surface* s, SDL_Rect rect) {
    const auto snap = feed_ ? feed_() : nullptr;
    Canvas c(knobs_, s, trace);
    const NetFigures* net = snap ? &snap->net : nullptr;
    const bool online = net && !net->interface.empty();
    std::string note = !snap ? "" : online ? net->interface : "offline";
    if (online && net->speed_mbps) note += "  " + speed_text(net->speed_mbps);
    int y = c.card(rect, "Network", note);
    const int left = rect.x + kPad, right = rect.x + rect.w - kPad, inner = rect.w - 2 * kPad;
    const int bottom = rect.y + rect.h - kPad;

    c.text(online && !net->ipv4.empty() ? net->ipv4 : online ? "no IPv4 address" : kUnknown, left, y - 4, 14,
           c.color("text_gray"));
    y += 22;
    // Download and upload side by side, each in its graph colour.
    const int half = inner / 2;
    c.text("\u2193 download", left, y, 13, c.color("text_gray"));
    c.text("\u2191 upload", left + half, y, 13, c.color("text_gray"));
    c.text(format_rate(net ? net->rx_rate : std::nullopt), left, y + 18, 20, c.color("accent"), true);
    c.text(format_rate(net ? net->tx_rate : std::nullopt), left + half, y + 18, 20, c.color("warn"), true);
    y += 50;

    const int graph_h = std::max(30, bottom - y - 26);
    const SDL_Rect g{left, y, inner, graph_h};
    paint::fill(s, g, c.color("track"), 90);
    if (net) {
        const double peak = std::max({net->rx_history.max(), net->tx_history.max(), 1024.0});
        c.graph(g, net->rx_history, peak, c.color("accent"), 200);
        c.graph(g, net->tx_history, peak, c.color("warn"), 255, true);
        c.text("peak " + format_rate(peak), left + 4, y + 2, 11, c.color("text_gray"));
    }
    y += graph_h + 6;
    std::string totals = kUnknown;
    if (net && net->rx_total && net->tx_total) {
        totals = "since boot  \u2193 " + format_bytes(*net->rx_total) + "   \u2191 " + format_bytes(*net->tx_total);
    }
    c.text(c.fit(totals, 13, inner), left, y, 13, c.color("text_gray"));
    (void)right;
}

void LinkGauge::draw_processes(SDL_Surface* s, const services::ProcessRows*, SDL_Rect rect) {
    if (processes_shown_) processes_shown_();
    const auto snap = feed_ ? feed_() : nullptr;
    Canvas c(knobs_, s, trace);
    int y = c.card(rect, "Processes", "top by CPU");
    const int left = rect.x + kPad, right = rect.x + rect.w - kPad, inner = rect.w - 2 * kPad;
    const int mem_right = right, cpu_right = right - 84;
    c.text("name", left, y, 13, c.color("text_gray"));
    c.text_right("cpu", cpu_right, y, 13, c.color("text_gray"));
    c.text_right("memory", mem_right, y, 13, c.color("text_gray"));
    paint::fill(s, {left, y + 22, inner, 1}, c.color("track"));
    y += 32;
    if (!snap || !snap->processes) {
        c.text(kUnknown, left, y, 14, c.color("text_gray"));
        return;
    }
    const int bottom = rect.y + rect.h - kPad;
    const int row = std::clamp((bottom - y) / 8, 30, 60);
    const int name_w = cpu_right - 70 - left;
    for (const ProcessRow& p : *snap->processes) {
        if (y + 30 > bottom) break;
        char cpu[16];
        std::snprintf(cpu, sizeof cpu, p.cpu_percent >= 9.95 ? "%.0f %%" : "%.1f %%", p.cpu_percent);
        c.text(c.fit(p.name, 15, name_w), left, y, 15, c.color("text"));
        c.text_right(cpu, cpu_right, y, 15, c.color("text"), true);
        c.text_right(format_bytes(p.resident), mem_right, y + 1, 14, c.color("text_gray"));
        // CPU share of one core as a thin bar under the name; above one core it stays full.
        paint::bar(s, {left, y + 22, name_w, 4}, std::clamp(p.cpu_percent / 100.0, 0.0, 1.0), c.color("track"),
                   c.color("accent"));
        y += row;
    }
}

}  // namespace ts::pages
