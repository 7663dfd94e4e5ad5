// Rounded corners: four 40 x 40 masks of the base colour with a transparent quarter disc,
// laid over the screen's corners. Built once.
#include "frame.hpp"
#include "layers.hpp"
#include "pixels.hpp"

namespace ts::render {
namespace {

constexpr int kCornerRadius = 40;  // pixels

core::Surface mirrored(SDL_Surface* src, bool left_right, bool top_bottom) {
    core::Surface out = core::make_alpha_surface(src->w, src->h);
    pixels::mirror(view_of(src), view_of(out.get()), left_right, top_bottom);
    return out;
}

// Replaces (does not blend) the pixels of the disc: SDL_FillRect writes alpha as given.
void fill_circle(SDL_Surface* s, int cx, int cy, int radius, Uint32 pixel) {
    pixels::for_each_circle_row(cx, cy, radius, [&](int y, int x0, int x1) {
        const SDL_Rect row{x0, y, x1 - x0 + 1, 1};
        if (SDL_FillRect(s, &row, pixel) != 0) throw core::SdlError("SDL_FillRect");
    });
}

}  // namespace

const core::CornerMasks& _get_corner_masks(core::AppState& state) {
    if (state._corner_mask_cache) return *state._corner_mask_cache;
    const core::Color corner_color = core::BASE_COLOR;
    core::Surface base = core::make_alpha_surface(kCornerRadius, kCornerRadius);
    const SDL_Rect all{0, 0, kCornerRadius, kCornerRadius};
    if (SDL_FillRect(base.get(), &all, SDL_MapRGBA(base->format, corner_color.r, corner_color.g, corner_color.b, 255))) {
        throw core::SdlError("SDL_FillRect");
    }
    fill_circle(base.get(), kCornerRadius, kCornerRadius, kCornerRadius, SDL_MapRGBA(base->format, 0, 0, 0, 0));

    core::CornerMasks masks;
    masks.tr = mirrored(base.get(), true, false);
    masks.bl = mirrored(base.get(), false, true);
    masks.br = mirrored(base.get(), true, true);
    masks.tl = std::move(base);
    masks.radius = kCornerRadius;
    state._corner_mask_cache = std::move(masks);
    return *state._corner_mask_cache;
}

std::array<MaskPlace, 4> mask_places(const core::CornerMasks& m, int w, int h) {
    const int r = m.radius;
    return {{{m.tl.get(), 0, 0}, {m.tr.get(), w - r, 0}, {m.bl.get(), 0, h - r}, {m.br.get(), w - r, h - r}}};
}

}  // namespace ts::render
