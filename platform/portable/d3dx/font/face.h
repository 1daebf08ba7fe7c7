// The face behind a D3DX font: fontconfig's match for the requested name,
// sized and rendered with FreeType the way GDI sizes fonts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/portable/d3dx/api.h"

namespace portable {

struct FontRequest {
    std::string family; // UTF-8
    INT height = 0;     // < 0: character height in pixels; > 0: cell height; 0: default
    UINT width = 0;     // average character width, 0 for the face's own proportions
    UINT weight = FW_NORMAL;
    bool italic = false;
};

struct FontFace {
    void* library = nullptr; // FT_Library
    void* face = nullptr;    // FT_Face
    std::string family;      // the family fontconfig matched
    std::string file;
    int ascent = 0;        // pixels above the baseline
    int descent = 0;       // pixels below it
    bool embolden = false; // bold asked of a face that has none
    bool oblique = false;  // italic asked of a face that has none
};

struct GlyphImage {
    int width = 0;
    int height = 0;
    int left = 0;                  // from the pen position to the bitmap's left edge
    int top = 0;                   // from the baseline up to the bitmap's top row
    int advance = 0;               // whole pixels
    std::vector<uint8_t> coverage; // width * height, top row first
};

// Fontconfig's configuration and font caches take tens of milliseconds to
// load: this loads them on a thread of their own, while the window and the
// device are made, and the first match waits for them. Without it the first
// match loads them itself. Call it once SDL's video has started (InitVideo),
// as that start forks (video.h).
void StartFontConfigLoad();

bool OpenFontFace(const FontRequest& request, FontFace& face);
void CloseFontFace(FontFace& face);
inline int LineHeightOf(const FontFace& face) { return face.ascent + face.descent; }
// False when FreeType cannot load the glyph; missing characters give the face's default glyph.
bool RenderGlyph(FontFace& face, char32_t codepoint, GlyphImage& image);

} // namespace portable
