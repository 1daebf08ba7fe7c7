// Packing glyph bitmaps into atlas pages: shelves filled left to right, every
// page and shelf kept open for the glyphs that still fit there.
#pragma once

#include <vector>

namespace portable {

struct AtlasShelf {
    int top = 0;
    int height = 0;
    int cursor = 0; // next free column
};

struct AtlasPage {
    std::vector<AtlasShelf> shelves; // top to bottom; only the last may still grow taller
};

struct GlyphAtlas {
    int pageSize = 0;
    std::vector<AtlasPage> pages;
};

struct AtlasSpot {
    int page = 0;
    int x = 0;
    int y = 0;
};

constexpr int kAtlasPadding = 1; // blank texels between glyphs, so neighbours never bleed in

// Reserves width x height (plus padding) on the first page with room for it,
// opening a new page when none has; false when it can never fit a page.
bool PlaceGlyph(GlyphAtlas& atlas, int width, int height, AtlasSpot& spot);

} // namespace portable
