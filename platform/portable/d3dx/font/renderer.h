// Drawing a font's glyphs: a glyph cache in atlas textures and one textured
// quad per glyph, alpha-blended over the back buffer. The atlas packs glyph
// bitmaps into pages: shelves filled left to right, every page and shelf kept
// open for the glyphs that still fit there.
#pragma once

#include <unordered_map>
#include <vector>

#include "platform/portable/d3d9/device.h"
#include "platform/portable/d3dx/font/face.h"
#include "platform/portable/d3dx/font/layout.h"

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

struct FontGlyph {
    int page = -1; // -1: nothing to draw (blank or unavailable)
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    int advance = 0;
};

struct FontRenderer {
    unsigned program = 0;
    int targetSize = -1;
    int color = -1;
    unsigned vertexArray = 0;
    unsigned vertexBuffer = 0;
    int pageSize = 0;
    std::vector<unsigned> pages;
    GlyphAtlas atlas;
    std::unordered_map<char32_t, FontGlyph> glyphs;
    std::vector<float> scratch;
};

// Needs the device's context current.
bool CreateFontRenderer(FontRenderer& renderer);
void DestroyFontRenderer(FontRenderer& renderer);
// The cached glyph, rendered and packed on first use.
const FontGlyph& GlyphFor(FontRenderer& renderer, FontFace& face, char32_t codepoint);
// Draws laid-out text; clip is null for DT_NOCLIP. Leaves the device to apply its own state again.
void DrawLaidOutText(FontRenderer& renderer, FontFace& face, Device& device, const TextLayout& layout, D3DCOLOR color,
                     const RECT* clip);

} // namespace portable
