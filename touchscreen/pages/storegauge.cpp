#include "storegauge.hpp"

#include "../sysdata/units.hpp"

#include <algorithm>
#include <string_view>

namespace ts::pages {

using namespace sysdata;

namespace {

constexpr int kDiskRow = 58;  // pixels: name and figures, bar below
constexpr int kRowInk = 40;   // pixels of a disk row that hold something
constexpr int kTempRow = 32;  // pixels
constexpr int kGap = 12;      // pixels between the two cards

}  // namespace

std::string filesystem_title(const std::string& mount_point, const std::string& label) {
    if (label.empty()) return mount_point;
    const std::string_view p = mount_point;
    for (const std::string_view place : {"/media", "/run/media", "/mnt"}) {
        if (p.starts_with(place) && (p.size() == place.size() || p[place.size()] == '/')) return label;
    }
    return mount_point;
}

void StoreGauge::draw_disk(SDL_Surface* s, SDL_Rect rect) {
    const auto snap = feed_ ? feed_() : nullptr;
    Canvas c(knobs_, s, trace);
    const std::vector<TemperatureRow> no_temps;
    const auto& temps = snap && snap->temperatures ? *snap->temperatures : no_temps;

    // Temperatures take what their rows need (one line for "no sensors"), at most 8 rows.
    const int temp_rows = std::clamp(static_cast<int>(temps.size()), 1, 8);
    const int temp_h = kPad + 34 + temp_rows * kTempRow + kPad - 6;
    // The disks card is as tall as its rows, up to what the temperatures leave; the
    // temperatures follow right below it.
    const int fs_count = snap && snap->filesystems ? static_cast<int>(snap->filesystems->size()) : 1;
    const int disks_need = kPad + 34 + (std::max(1, fs_count) - 1) * kDiskRow + kRowInk + kPad;
    const SDL_Rect disks{rect.x, rect.y, rect.w, std::min(disks_need, rect.h - temp_h - kGap)};
    const SDL_Rect sensors{rect.x, disks.y + disks.h + kGap, rect.w, temp_h};
    const int left = rect.x + kPad, right = rect.x + rect.w - kPad, inner = rect.w - 2 * kPad;

    int y = c.card(disks, "Disks");
    if (!snap || !snap->filesystems) {
        c.text(kUnknown, left, y, 14, c.color("text_gray"));
    } else {
        const auto& fs = *snap->filesystems;
        const int space = disks.y + disks.h - kPad - y;
        const int room = space < kRowInk ? 0 : (space - kRowInk) / kDiskRow + 1;
        const int n = static_cast<int>(fs.size());
        // When they do not all fit, the last row says how many more there are.
        const int shown = n <= room ? n : std::max(0, room - 1);
        for (int i = 0; i < shown; ++i) {
            const FilesystemRow& f = fs[static_cast<std::size_t>(i)];
            const std::uint64_t usable = f.size.used + f.size.avail;  // as df: reserved blocks left out
            const double frac = usable ? static_cast<double>(f.size.used) / static_cast<double>(usable) : 0.0;
            const std::string figure = format_bytes(f.size.used) + " of " + format_bytes(f.size.total);
            const int fw = c.width(figure, 14);
            c.text(c.fit(filesystem_title(f.mount_point, f.label), 15, inner - fw - 14, true), left, y, 15, c.color("text"), true);
            c.text_right(figure, right, y + 1, 14, c.color("text_gray"));
            c.fill_bar({left, y + 26, inner - 48, 10}, frac);
            c.text_right(format_percent(frac * 100), right, y + 22, 13, c.fill_color(frac));
            y += kDiskRow;
        }
        if (shown < n) c.text("+" + std::to_string(n - shown) + " more", left, y, 14, c.color("text_gray"));
        if (n == 0) c.text("no filesystems", left, y, 14, c.color("text_gray"));
    }

    y = c.card(sensors, "Temperatures");
    if (!snap || !snap->temperatures) {
        c.text(kUnknown, left, y, 14, c.color("text_gray"));
    } else if (temps.empty()) {
        c.text("no sensors", left, y, 14, c.color("text_gray"));
    } else {
        for (int i = 0; i < temp_rows; ++i) {
            const TemperatureRow& t = temps[static_cast<std::size_t>(i)];
            const std::string value = format_celsius(t.celsius);
            // 40-90 °C mapped onto green..red so a hot part stands out.
            const double heat = std::clamp((t.celsius - 40.0) / 50.0, 0.0, 1.0);
            const int vx = c.text_right(value, right, y, 15, heat > 0.8 ? c.color("bad") : heat > 0.6 ? c.color("warn")
                                                                                                      : c.color("text"), true);
            c.text(c.fit(t.label, 14, vx - left - 12), left, y + 1, 14, c.color("text_gray"));
            y += kTempRow;
        }
    }
}

}  // namespace ts::pages
