#include "platform/portable/d3dx_font_atlas.h"

#include <algorithm>

bool PackGlyph(AtlasPacker& packer, int width, int height, int& x, int& y)
{
    const int paddedWidth = width + kAtlasPadding;
    const int paddedHeight = height + kAtlasPadding;
    if (width < 0 || height < 0 || paddedWidth > packer.width || paddedHeight > packer.height) return false;

    if (packer.cursor + paddedWidth > packer.width) {
        packer.shelfTop += packer.shelfHeight;
        packer.shelfHeight = 0;
        packer.cursor = 0;
    }
    if (packer.shelfTop + paddedHeight > packer.height) return false;

    x = packer.cursor;
    y = packer.shelfTop;
    packer.cursor += paddedWidth;
    packer.shelfHeight = std::max(packer.shelfHeight, paddedHeight);
    return true;
}
