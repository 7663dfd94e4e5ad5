#include "loadgauge.hpp"

#include "../paint/paint.hpp"
#include "../sysdata/units.hpp"

#include <algorithm>
#include <cstdio>

namespace ts::pages {

using namespace sysdata;

void LoadGauge::draw_cpu(SDL_Surface* s, SDL_Rect rect) {
    const auto snap = feed_ ? feed_() : nullptr;
    Canvas c(knobs_, s, trace);
    const CpuFigures* cpu = snap ? &snap->cpu : nullptr;
    const std::optional<double> temp = snap ? snap->processor_celsius() : std::nullopt;
    int y = c.card(rect, "Processor", temp ? format_celsius(temp) : "");
    const int left = rect.x + kPad, right = rect.x + rect.w - kPad, inner = rect.w - 2 * kPad;

    // Total load, large, with frequency and load average beside it.
    const std::optional<double> total = cpu ? cpu->total : std::nullopt;
    c.text(format_percent(total), left, y - 4, 34, c.color("text"), true);
    const Frequency* freq = cpu && cpu->frequency ? &*cpu->frequency : nullptr;
    std::string f = freq ? format_mhz(freq->average_mhz) : kUnknown;
    if (freq && freq->max_mhz > freq->average_mhz + 1) f += "  max " + format_mhz(freq->max_mhz);
    c.text_right(c.fit(f, 14, inner - 120), right, y - 2, 14, c.color("text_gray"));
    std::string load = kUnknown;
    if (cpu && cpu->load_average) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "load %.2f  %.2f  %.2f", (*cpu->load_average)[0], (*cpu->load_average)[1],
                      (*cpu->load_average)[2]);
        load = buf;
    }
    c.text_right(c.fit(load, 14, inner - 120), right, y + 20, 14, c.color("text_gray"));
    y += 50;

    // Cores below take what they need; the history of the total gets the rest.
    const int bottom = rect.y + rect.h - kPad;
    const int core_count = cpu ? static_cast<int>(std::min<std::size_t>(cpu->cores.size(), 64)) : 0;
    const int cores_h = core_count == 0 ? 24 : core_count <= 8 ? core_count * 32 : 20 + ((core_count + 15) / 16) * 44;
    const int graph_h = std::clamp(bottom - y - cores_h - 14, 60, 320);
    const SDL_Rect g{left, y, inner, graph_h};
    paint::fill(s, g, c.color("track"), 90);
    for (int q = 1; q < 4; ++q) paint::fill(s, {left, y + graph_h * q / 4, inner, 1}, c.color("track"));
    if (cpu) c.graph(g, cpu->history, 100.0, c.color("accent"), 220);
    c.text("60 s", left + 4, y + 2, 11, c.color("text_gray"));
    y += graph_h + 14;

    // Cores: labelled rows up to 8, else a grid of upright bars.
    const std::vector<std::optional<double>> none;
    const auto& cores = cpu ? cpu->cores : none;
    const int n = static_cast<int>(std::min<std::size_t>(cores.size(), 64));
    if (n == 0) {
        c.text("cores " + std::string(kUnknown), left, y, 14, c.color("text_gray"));
        return;
    }
    if (n <= 8) {
        const int row = std::clamp((bottom - y) / n, 18, 32);
        for (int i = 0; i < n; ++i) {
            const int ry = y + i * row;
            const auto& v = cores[static_cast<std::size_t>(i)];
            c.text("cpu" + std::to_string(i), left, ry, 13, c.color("text_gray"));
            const std::string pct = v ? format_percent(v) : "off";
            c.text_right(pct, right, ry, 13, c.color("text"));
            c.fill_bar({left + 52, ry + 5, inner - 52 - 50, 8}, v ? *v / 100.0 : 0.0);
        }
        return;
    }
    c.text(std::to_string(n) + " cores", left, y, 13, c.color("text_gray"));
    y += 20;
    const int cols = std::min(n, 16);
    const int grid_rows = (n + cols - 1) / cols;
    const int gap = 4;
    const int cell_w = (inner - (cols - 1) * gap) / cols;
    const int cell_h = std::max(10, std::min(60, (bottom - y - (grid_rows - 1) * gap) / grid_rows));
    for (int i = 0; i < n; ++i) {
        const SDL_Rect cell{left + (i % cols) * (cell_w + gap), y + (i / cols) * (cell_h + gap), cell_w, cell_h};
        paint::fill(s, cell, c.color("track"));
        const auto& v = cores[static_cast<std::size_t>(i)];
        if (!v) continue;  // offline: the empty track says so
        const double f = std::clamp(*v / 100.0, 0.0, 1.0);
        const int h = static_cast<int>(f * cell_h + 0.5);
        if (h > 0) paint::fill(s, {cell.x, cell.y + cell_h - h, cell_w, h}, c.fill_color(f));
    }
}

void LoadGauge::draw_memory(SDL_Surface* s, SDL_Rect rect) {
    const auto snap = feed_ ? feed_() : nullptr;
    Canvas c(knobs_, s, trace);
    const Memory* m = snap && snap->memory ? &*snap->memory : nullptr;
    int y = c.card(rect, "Memory", m ? format_bytes(m->total) : "");
    const int left = rect.x + kPad, right = rect.x + rect.w - kPad, inner = rect.w - 2 * kPad;
    const int bottom = rect.y + rect.h - kPad;
    const auto row = [&](const std::string& label, const std::string& figure, std::optional<double> fraction) {
        if (y + 34 > bottom) return;
        c.text(label, left, y, 14, c.color("text_gray"));
        c.text_right(c.fit(figure, 14, inner - c.width(label, 14) - 12), right, y, 14, c.color("text"));
        if (fraction) c.fill_bar({left, y + 22, inner, 10}, *fraction);
        y += fraction ? 48 : 30;
    };
    if (!m) {
        row("used", kUnknown, std::nullopt);
        row("swap", kUnknown, std::nullopt);
        return;
    }
    const double total = static_cast<double>(m->total);
    row("used", format_bytes(m->used) + " of " + format_bytes(m->total), m->used / total);
    row("cache / buffers", format_bytes(m->cached) + " / " + format_bytes(m->buffers),
        static_cast<double>(m->cached + m->buffers) / total);
    row("available", format_bytes(m->available), std::nullopt);
    if (m->swap_total == 0) {
        row("swap", "no swap", std::nullopt);
    } else {
        row("swap", format_bytes(m->swap_used) + " of " + format_bytes(m->swap_total),
            static_cast<double>(m->swap_used) / static_cast<double>(m->swap_total));
    }
}

}  // namespace ts::pages
