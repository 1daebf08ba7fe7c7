#include "platform/portable/d3dx/font/atlas.h"

#include <algorithm>

namespace portable {

namespace {
bool PlaceOnPage(AtlasPage& page, int size, int width, int height, int& x, int& y)
{
    // A full shelf above keeps its height; a glyph no taller still fits there.
    for (size_t i = 0; i + 1 < page.shelves.size(); ++i) {
        AtlasShelf& shelf = page.shelves[i];
        if (height <= shelf.height && shelf.cursor + width <= size) {
            x = shelf.cursor;
            y = shelf.top;
            shelf.cursor += width;
            return true;
        }
    }
    if (!page.shelves.empty()) {
        AtlasShelf& last = page.shelves.back();
        if (last.cursor + width <= size && last.top + height <= size) {
            x = last.cursor;
            y = last.top;
            last.cursor += width;
            last.height = std::max(last.height, height);
            return true;
        }
    }
    const int top = page.shelves.empty() ? 0 : page.shelves.back().top + page.shelves.back().height;
    if (top + height > size) return false;
    page.shelves.push_back(AtlasShelf{top, height, width});
    x = 0;
    y = top;
    return true;
}
} // namespace

bool PlaceGlyph(GlyphAtlas& atlas, int width, int height, AtlasSpot& spot)
{
    const int paddedWidth = width + kAtlasPadding;
    const int paddedHeight = height + kAtlasPadding;
    if (width < 0 || height < 0 || paddedWidth > atlas.pageSize || paddedHeight > atlas.pageSize) return false;

    for (size_t page = 0; page < atlas.pages.size(); ++page) {
        if (PlaceOnPage(atlas.pages[page], atlas.pageSize, paddedWidth, paddedHeight, spot.x, spot.y)) {
            spot.page = static_cast<int>(page);
            return true;
        }
    }
    atlas.pages.emplace_back();
    spot.page = static_cast<int>(atlas.pages.size()) - 1;
    return PlaceOnPage(atlas.pages.back(), atlas.pageSize, paddedWidth, paddedHeight, spot.x, spot.y);
}

} // namespace portable
