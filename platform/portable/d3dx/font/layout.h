// Placing text in a rectangle as DrawText does: the wide text as code points,
// lines, alignment, the height.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/portable/d3dx/api.h"

namespace portable {

// The first count characters (all up to the terminator for count < 0).
// UTF-16 surrogate pairs are joined; lone surrogates and values beyond
// U+10FFFF become U+FFFD.
std::u32string DecodeWideText(LPCWSTR text, INT count);
// The same into `decoded`, whose storage is reused.
void DecodeWideText(LPCWSTR text, INT count, std::u32string& decoded);

struct PlacedGlyph {
    char32_t codepoint;
    int x;       // pen position
    int lineTop; // top of the glyph's line; the baseline is lineTop + ascent
};

struct TextLayout {
    std::vector<PlacedGlyph> glyphs;
    RECT bounds{};  // the lines' extent
    int height = 0; // DrawText's result
};

// One line of laid-out text: characters [begin, end) of the kept text.
struct LineSpan {
    size_t begin = 0;
    size_t end = 0;
    int width = 0;
};

// Storage one layout leaves to the next: laying out text allocates nothing
// once it has grown to the text's size.
struct LayoutScratch {
    std::u32string kept;              // the text without breaks and control characters
    std::vector<LineSpan> paragraphs; // the lines between breaks
    std::vector<LineSpan> lines;      // after word breaking
};

using AdvanceOf = std::function<int(char32_t)>;

// Honours DT_SINGLELINE, DT_WORDBREAK, DT_CENTER, DT_RIGHT, DT_VCENTER and
// DT_BOTTOM. A line break at the very end starts no further line.
void LayOutText(const std::u32string& text, const RECT& rect, DWORD format, int lineHeight, const AdvanceOf& advance,
                LayoutScratch& scratch, TextLayout& layout);
TextLayout LayOutText(const std::u32string& text, const RECT& rect, DWORD format, int lineHeight,
                      const AdvanceOf& advance);

} // namespace portable
