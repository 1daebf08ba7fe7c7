// Packing glyph bitmaps into atlas pages: shelves filled left to right.
#pragma once

struct AtlasPacker {
    int width = 0;
    int height = 0;
    int shelfTop = 0;
    int shelfHeight = 0;
    int cursor = 0;  // next free column on the shelf
};

constexpr int kAtlasPadding = 1;  // blank texels between glyphs, so neighbours never bleed in

// Reserves width x height (plus padding); false when the page is full or the
// rectangle can never fit.
bool PackGlyph(AtlasPacker& packer, int width, int height, int& x, int& y);
