// Drawing pieces the built-in pages share: a titled card, labelled bars, history graphs,
// text cut to fit with an ellipsis, and an optional record of every text drawn (for tests).
#pragma once

#include "../config/knobs.hpp"
#include "../sysdata/snapshot.hpp"

#include <SDL.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ts::pages {

inline constexpr int kPad = 16;  // pixels inside a card's edge
// The y below a card's title, for a card at rect.
inline int below_title(SDL_Rect rect) { return rect.y + kPad + 34; }

// A card with a title; returns the y below the title.
int card(config::Knobs& k, SDL_Surface* s, SDL_Rect rect, const std::string& title);
// A labelled bar row: label left, figure right, bar below (fraction 0-1). Returns the next row's y.
int gauge_row(config::Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const std::string& label,
              const std::string& figure, double fraction);
// Placeholder rows ("--") for figures not gathered yet, as many as fit.
void rows(config::Knobs& k, SDL_Surface* s, SDL_Rect rect, int y, const char* const* labels, int count);

// Where the system-figure pages get their data: the sampler's latest snapshot, or nothing yet.
using SnapshotFeed = std::function<std::shared_ptr<const sysdata::Snapshot>()>;

// Every text a page drew and the box it took, in drawing order.
struct DrawnText {
    std::string text;
    SDL_Rect box;
};
using TextTrace = std::vector<DrawnText>;

// A rectangle of a surface kept aside, to be copied back to the same place. Main thread only.
class KeptPixels {
public:
    // Copies the kept pixels back into s when they were taken from the same rectangle of a
    // surface of the same format; false, having drawn nothing, when they were not.
    bool put_back(SDL_Surface* s, SDL_Rect rect) const;
    // Keeps rect of s (clipped to it); forgets what was kept before.
    void take(SDL_Surface* s, SDL_Rect rect);
    void forget() { kept_ = false; }

private:
    core::Surface pixels_;
    SDL_Rect rect_{};
    Uint32 format_ = 0;
    bool kept_ = false;
};

// The pixels a card drew last and what it drew them from. Pages are drawn again several
// times a second while a card's figures change far less often: a card drawn from the same
// inputs into a transparent rectangle is then one copy of its kept pixels. Key holds all a
// card's pixels follow from besides its rectangle, and compares with ==.
template <class Key>
class CardMemo {
public:
    // Copies the kept pixels to rect of s when they were drawn there from an equal key.
    bool replay(SDL_Surface* s, SDL_Rect rect, const Key& key) const {
        return key_ && *key_ == key && pixels_.put_back(s, rect);
    }
    // Keeps rect of s, just drawn from key onto a transparent rectangle.
    void keep(SDL_Surface* s, SDL_Rect rect, Key key) {
        key_.reset();
        pixels_.take(s, rect);
        key_ = std::move(key);
    }

private:
    KeptPixels pixels_;
    std::optional<Key> key_;
};

// A page surface with the configuration's fonts and colours; main thread only.
class Canvas {
public:
    Canvas(config::Knobs& k, SDL_Surface* s, TextTrace* trace) : k(k), s(s), trace_(trace) {}
    // Draws with the top-left at (x, y); returns the width.
    int text(const std::string& t, int x, int y, int size, core::Color c, bool bold = false);
    // Draws ending at x = right; returns the left edge.
    int text_right(const std::string& t, int right, int y, int size, core::Color c, bool bold = false);
    // t itself when it fits max_w pixels, else cut at a character boundary with "…".
    std::string fit(const std::string& t, int size, int max_w, bool bold = false);
    int width(const std::string& t, int size, bool bold = false) { return k.text.width(t, size, bold); }
    core::Color color(const char* name) const { return k.color(name); }

    // A titled card; returns the y below the title. The note sits at the title's right.
    int card(SDL_Rect rect, const std::string& title, const std::string& note = "");
    // Bar coloured by fill: green, amber above 80 %, red above 90 %.
    void fill_bar(SDL_Rect r, double fraction);
    core::Color fill_color(double fraction) const;
    // The history as columns from the bottom of r scaled to max; gaps where unknown.
    void graph(SDL_Rect r, const sysdata::History& h, double max, core::Color c, Uint8 alpha, bool line_only = false);

    config::Knobs& k;
    SDL_Surface* s;

private:
    TextTrace* trace_;
};

}  // namespace ts::pages
