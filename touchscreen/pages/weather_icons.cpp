#include "weather_icons.hpp"

#include "../paint/paint.hpp"

#include <algorithm>
#include <cmath>
#include <functional>

namespace ts::pages {
namespace {

using core::Color;
using weather::Icon;

constexpr Color kSun{250, 196, 60}, kMoon{226, 226, 206}, kCloud{206, 212, 222}, kDarkCloud{142, 150, 164},
    kRain{80, 164, 255}, kSnow{240, 244, 250}, kBolt{255, 214, 64}, kFog{170, 176, 188};

// A shape in the icon's own unit square: (0, 0) top-left, (1, 1) bottom-right.
using Shape = std::function<bool(double u, double v)>;

struct Canvas {
    SDL_Surface* s;
    int x, y, size;

    // Fills the pixels whose centres lie in the shape, one run per row.
    void fill(const Shape& shape, Color c) const {
        for (int py = 0; py < size; ++py) {
            const double v = (py + 0.5) / size;
            int run = -1;
            for (int px = 0; px <= size; ++px) {
                const bool in = px < size && shape((px + 0.5) / size, v);
                if (in && run < 0) run = px;
                if (!in && run >= 0) {
                    paint::fill(s, {x + run, y + py, px - run, 1}, c);
                    run = -1;
                }
            }
        }
    }
};

Shape disc(double cx, double cy, double r) {
    return [=](double u, double v) { return (u - cx) * (u - cx) + (v - cy) * (v - cy) <= r * r; };
}

// A segment from (x0, y0) to (x1, y1) with round ends, w wide.
Shape stroke(double x0, double y0, double x1, double y1, double w) {
    return [=](double u, double v) {
        const double dx = x1 - x0, dy = y1 - y0;
        const double t = std::clamp(((u - x0) * dx + (v - y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        const double ex = u - (x0 + t * dx), ey = v - (y0 + t * dy);
        return ex * ex + ey * ey <= w * w / 4;
    };
}

Shape any(std::vector<Shape> parts) {
    return [parts = std::move(parts)](double u, double v) {
        return std::any_of(parts.begin(), parts.end(), [&](const Shape& p) { return p(u, v); });
    };
}

// A cloud of scale k whose bottom-left corner sits at (x0, y1).
Shape cloud(double x0, double y1, double k) {
    const auto X = [=](double a) { return x0 + a * k; };
    const auto Y = [=](double b) { return y1 - b * k; };
    return any({disc(X(0.16), Y(0.16), 0.16 * k), disc(X(0.42), Y(0.30), 0.26 * k), disc(X(0.72), Y(0.18), 0.18 * k),
                [=](double u, double v) { return u >= X(0.16) && u <= X(0.72) && v <= Y(0.0) && v >= Y(0.2); }});
}

Shape sun(double cx, double cy, double r) {
    std::vector<Shape> parts{disc(cx, cy, r)};
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4, c = std::cos(a), s = std::sin(a);
        parts.push_back(stroke(cx + c * r * 1.45, cy + s * r * 1.45, cx + c * r * 1.95, cy + s * r * 1.95, r * 0.32));
    }
    return any(std::move(parts));
}

Shape moon(double cx, double cy, double r) {
    const Shape outer = disc(cx, cy, r), bite = disc(cx + r * 0.45, cy - r * 0.35, r * 0.8);
    return [=](double u, double v) { return outer(u, v) && !bite(u, v); };
}

Shape drops(double w) {
    return any(
        {stroke(0.34, 0.68, 0.28, 0.86, w), stroke(0.54, 0.68, 0.48, 0.86, w), stroke(0.74, 0.68, 0.68, 0.86, w)});
}

Shape flakes(double r) {
    std::vector<Shape> parts;
    for (const double cx : {0.32, 0.52, 0.72}) {
        const double cy = cx == 0.52 ? 0.86 : 0.76;
        parts.push_back(stroke(cx - r, cy, cx + r, cy, r * 0.55));
        parts.push_back(stroke(cx - r / 2, cy - r * 0.87, cx + r / 2, cy + r * 0.87, r * 0.55));
        parts.push_back(stroke(cx - r / 2, cy + r * 0.87, cx + r / 2, cy - r * 0.87, r * 0.55));
    }
    return any(std::move(parts));
}

}  // namespace

void draw_weather_icon(SDL_Surface* s, Icon icon, int x, int y, int size) {
    const Canvas c{s, x, y, size};
    const Shape high_cloud = cloud(0.1, 0.64, 0.8);
    switch (icon) {
        case Icon::Sun: c.fill(sun(0.5, 0.5, 0.2), kSun); break;
        case Icon::Moon: c.fill(moon(0.5, 0.5, 0.34), kMoon); break;
        case Icon::SunCloud:
            c.fill(sun(0.36, 0.36, 0.14), kSun);
            c.fill(cloud(0.22, 0.86, 0.72), kCloud);
            break;
        case Icon::MoonCloud:
            c.fill(moon(0.36, 0.34, 0.22), kMoon);
            c.fill(cloud(0.22, 0.86, 0.72), kCloud);
            break;
        case Icon::Cloud: c.fill(cloud(0.08, 0.8, 0.84), kCloud); break;
        case Icon::Fog:
            c.fill(cloud(0.14, 0.5, 0.7), kCloud);
            c.fill(any({stroke(0.14, 0.62, 0.86, 0.62, 0.07), stroke(0.22, 0.76, 0.78, 0.76, 0.07),
                        stroke(0.1, 0.9, 0.7, 0.9, 0.07)}),
                   kFog);
            break;
        case Icon::Drizzle:
            c.fill(high_cloud, kCloud);
            c.fill(any({disc(0.32, 0.76, 0.04), disc(0.52, 0.84, 0.04), disc(0.72, 0.76, 0.04)}), kRain);
            break;
        case Icon::Rain:
            c.fill(high_cloud, kDarkCloud);
            c.fill(drops(0.07), kRain);
            break;
        case Icon::Sleet:
            c.fill(high_cloud, kDarkCloud);
            c.fill(any({stroke(0.34, 0.68, 0.28, 0.86, 0.07), stroke(0.74, 0.68, 0.68, 0.86, 0.07)}), kRain);
            c.fill(disc(0.52, 0.8, 0.06), kSnow);
            break;
        case Icon::Snow:
            c.fill(high_cloud, kCloud);
            c.fill(flakes(0.07), kSnow);
            break;
        case Icon::Thunder:
            c.fill(high_cloud, kDarkCloud);
            c.fill(any({stroke(0.56, 0.58, 0.44, 0.76, 0.08), stroke(0.44, 0.76, 0.58, 0.76, 0.08),
                        stroke(0.58, 0.76, 0.46, 0.96, 0.08)}),
                   kBolt);
            break;
        case Icon::Unknown:
            paint::ring(s, x + size / 2, y + size / 2, size / 3, std::max(2, size / 12), kFog, 255);
            break;
    }
}

}  // namespace ts::pages
