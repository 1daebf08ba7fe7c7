#include "platform/portable/d3dx/font/face.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include "platform/portable/win32/heap_policy.h"

namespace portable {

namespace {
constexpr INT kDefaultCellHeight = 16;
constexpr UINT kMaxWeight = 1000;

struct Match {
    std::string file;
    int index = 0;
    std::string family;
    bool embolden = false;
    bool oblique = false;
};

// Fontconfig's configuration and font caches, loaded on a thread of their
// own (StartFontConfigLoad) or by the first match.
struct ConfigLoad {
    enum class State { waiting, running, done };
    std::mutex mutex;
    std::condition_variable finished;
    State state = State::waiting;
};

ConfigLoad& SharedConfigLoad()
{
    static ConfigLoad* load = new ConfigLoad; // never destroyed: the thread may outlive main
    return *load;
}

void FinishConfigLoad()
{
    ConfigLoad& load = SharedConfigLoad();
    const std::lock_guard lock(load.mutex);
    load.state = ConfigLoad::State::done;
    load.finished.notify_all();
}

// Returns once no load runs; at exit, so that the process does not end with
// the thread half-way through fontconfig's allocations.
void WaitForConfigLoad()
{
    ConfigLoad& load = SharedConfigLoad();
    std::unique_lock lock(load.mutex);
    load.finished.wait(lock, [&] { return load.state != ConfigLoad::State::running; });
}

bool ConfigLoaded()
{
    ConfigLoad& load = SharedConfigLoad();
    {
        std::unique_lock lock(load.mutex);
        if (load.state == ConfigLoad::State::waiting) load.state = ConfigLoad::State::done;
        load.finished.wait(lock, [&] { return load.state == ConfigLoad::State::done; });
    }
    return FcInit() == FcTrue;
}

bool MatchFont(const FontRequest& request, Match& match)
{
    if (!ConfigLoaded()) return false;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return false;
    if (!request.family.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family.c_str()));
    }
    const UINT weight = request.weight == FW_DONTCARE ? FW_NORMAL : std::min(request.weight, kMaxWeight);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(static_cast<int>(weight)));
    FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (found == nullptr) return false;

    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    FcBool embolden = FcFalse;
    int slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch;
    if (ok) {
        match.file = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(found, FC_INDEX, 0, &match.index) != FcResultMatch) match.index = 0;
        if (FcPatternGetString(found, FC_FAMILY, 0, &family) == FcResultMatch) {
            match.family = reinterpret_cast<const char*>(family);
        }
        if (FcPatternGetBool(found, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) match.embolden = embolden == FcTrue;
        if (FcPatternGetInteger(found, FC_SLANT, 0, &slant) != FcResultMatch) slant = FC_SLANT_ROMAN;
        match.oblique = request.italic && slant == FC_SLANT_ROMAN;
    }
    FcPatternDestroy(found);
    return ok;
}

int RoundedScale(long units, int ppem, int unitsPerEm)
{
    return static_cast<int>(std::lround(static_cast<double>(units) * ppem / unitsPerEm));
}

// GDI's sizes: a negative height is the em size, a positive one the cell
// (ascent plus descent from the OS/2 table).
bool SizeFace(FT_Face face, const FontRequest& request, FontFace& out)
{
    const int unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    long ascentUnits = face->ascender;
    long descentUnits = -face->descender;
    long averageWidthUnits = 0;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            ascentUnits = os2->usWinAscent;
            descentUnits = os2->usWinDescent;
        }
        averageWidthUnits = os2->xAvgCharWidth;
    }
    const long cellUnits = std::max(ascentUnits + descentUnits, 1L);

    const INT height = request.height != 0 ? request.height : kDefaultCellHeight;
    int ppem =
        height < 0 ? -height : static_cast<int>(std::lround(static_cast<double>(height) * unitsPerEm / cellUnits));
    ppem = std::clamp(ppem, 1, 2048);

    int xppem = ppem;
    if (request.width > 0 && averageWidthUnits > 0) {
        const double averagePixels = static_cast<double>(averageWidthUnits) * ppem / unitsPerEm;
        xppem = std::clamp(static_cast<int>(std::lround(ppem * request.width / averagePixels)), 1, 4096);
    }
    if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(xppem), static_cast<FT_UInt>(ppem)) != 0) return false;
    out.ascent = RoundedScale(ascentUnits, ppem, unitsPerEm);
    out.descent = RoundedScale(descentUnits, ppem, unitsPerEm);
    return out.ascent + out.descent > 0;
}

void CopyBitmap(const FT_Bitmap& bitmap, GlyphImage& image)
{
    image.width = static_cast<int>(bitmap.width);
    image.height = static_cast<int>(bitmap.rows);
    image.coverage.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), 0);
    const int pitch = std::abs(bitmap.pitch);
    for (int row = 0; row < image.height; ++row) {
        // A negative pitch stores the rows bottom-up.
        const int sourceRow = bitmap.pitch >= 0 ? row : image.height - 1 - row;
        const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(sourceRow) * pitch;
        uint8_t* target = image.coverage.data() + static_cast<size_t>(row) * static_cast<size_t>(image.width);
        for (int column = 0; column < image.width; ++column) {
            switch (bitmap.pixel_mode) {
            case FT_PIXEL_MODE_MONO:
                target[column] = (source[column / 8] & (0x80 >> (column % 8))) != 0 ? 255 : 0;
                break;
            case FT_PIXEL_MODE_BGRA: target[column] = source[column * 4 + 3]; break;
            default: target[column] = source[column]; break;
            }
        }
    }
}
} // namespace

void StartFontConfigLoad()
{
    ConfigLoad& load = SharedConfigLoad();
    {
        const std::lock_guard lock(load.mutex);
        if (load.state != ConfigLoad::State::waiting) return;
        load.state = ConfigLoad::State::running;
    }
    KeepThreadsOnMainHeap();
    std::atexit(WaitForConfigLoad);
    try {
        std::thread([] {
            FcInit();
            FinishConfigLoad();
        }).detach();
    } catch (...) {
        FinishConfigLoad(); // no thread: the first match loads it
    }
}

bool OpenFontFace(const FontRequest& request, FontFace& out)
{
    Match match;
    if (!MatchFont(request, match)) return false;

    // What can throw comes before FreeType holds anything.
    FontFace made;
    made.family = match.family;
    made.file = match.file;
    made.embolden = match.embolden;
    made.oblique = match.oblique;

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return false;
    FT_Face face = nullptr;
    if (FT_New_Face(library, match.file.c_str(), match.index, &face) != 0 || !SizeFace(face, request, made)) {
        if (face != nullptr) FT_Done_Face(face);
        FT_Done_FreeType(library);
        return false;
    }
    made.library = library;
    made.face = face;
    out = std::move(made);
    return true;
}

void CloseFontFace(FontFace& face)
{
    if (face.face != nullptr) FT_Done_Face(static_cast<FT_Face>(face.face));
    if (face.library != nullptr) FT_Done_FreeType(static_cast<FT_Library>(face.library));
    face = FontFace{};
}

bool RenderGlyph(FontFace& font, char32_t codepoint, GlyphImage& image)
{
    auto face = static_cast<FT_Face>(font.face);
    if (face == nullptr) return false;
    const FT_UInt index = FT_Get_Char_Index(face, codepoint);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    if (font.embolden) FT_GlyphSlot_Embolden(slot);
    if (font.oblique) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return false;

    CopyBitmap(slot->bitmap, image);
    image.left = slot->bitmap_left;
    image.top = slot->bitmap_top;
    image.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    return true;
}

} // namespace portable
