#include "cards.hpp"

#include "../paint/paint.hpp"

namespace ts::pages {

using config::Knobs;

int card(Knobs& k, SDL_Surface* s, SDL_Rect rect, const std::string& title) {
    paint::rounded_box(s, rect, 18, k.color("card"), 200);
    k.text.draw(s, title, rect.x + kPad, rect.y + kPad, 18, k.color("text"), true);
    return rect.y + kPad + 34;
}

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

}  // namespace ts::pages
