// The face and metrics behind a D3DX font.
#include <ostream>

#include <gtest/gtest.h>

#include "platform/portable/d3dx/font/face.h"

using namespace portable;

namespace {
struct FaceCase {
    const char* name;
    FontRequest request;
    const char* family;
    int lineHeight;
};

void PrintTo(const FaceCase& c, std::ostream* out) { *out << c.name; }

class FontFaceTest : public ::testing::TestWithParam<FaceCase> {};

TEST_P(FontFaceTest, MatchesAndSizesLikeGdi)
{
    const FaceCase& c = GetParam();
    FontFace face;
    ASSERT_TRUE(OpenFontFace(c.request, face));
    EXPECT_EQ(face.family, c.family);
    EXPECT_EQ(LineHeightOf(face), c.lineHeight);
    EXPECT_GT(face.ascent, face.descent);

    GlyphImage glyph;
    ASSERT_TRUE(RenderGlyph(face, U'H', glyph));
    EXPECT_GT(glyph.width, 0);
    EXPECT_GT(glyph.height, 0);
    EXPECT_LE(glyph.top, face.ascent);
    EXPECT_GT(glyph.advance, 0);
    ASSERT_EQ(glyph.coverage.size(), size_t(glyph.width) * size_t(glyph.height));
    EXPECT_NE(std::find(glyph.coverage.begin(), glyph.coverage.end(), 255), glyph.coverage.end());

    GlyphImage blank;
    ASSERT_TRUE(RenderGlyph(face, U' ', blank));
    EXPECT_EQ(blank.width * blank.height, 0);
    EXPECT_GT(blank.advance, 0);
    CloseFontFace(face);
}

// Liberation Sans has Arial's metrics: winAscent 1854, winDescent 434, 2048 units per em.
INSTANTIATE_TEST_SUITE_P(
    Requests, FontFaceTest,
    ::testing::Values(FaceCase{"arial_14pt_at_96dpi", {"Arial", -18, 0, FW_DONTCARE, false}, "Liberation Sans", 20},
                      FaceCase{"arial_cell_height", {"Arial", 23, 0, FW_NORMAL, false}, "Liberation Sans", 23},
                      FaceCase{"arial_bold", {"Arial", -18, 0, FW_BOLD, false}, "Liberation Sans", 20},
                      FaceCase{"default_height", {"Arial", 0, 0, FW_NORMAL, false}, "Liberation Sans", 16}),
    [](const ::testing::TestParamInfo<FaceCase>& param) { return param.param.name; });

TEST(FontFaceWeight, BoldDrawsWiderStems)
{
    FontFace regular, bold;
    ASSERT_TRUE(OpenFontFace({"Arial", -18, 0, FW_NORMAL, false}, regular));
    ASSERT_TRUE(OpenFontFace({"Arial", -18, 0, FW_BOLD, false}, bold));
    EXPECT_NE(regular.file, bold.file);
    GlyphImage a, b;
    ASSERT_TRUE(RenderGlyph(regular, U'l', a));
    ASSERT_TRUE(RenderGlyph(bold, U'l', b));
    EXPECT_GT(b.width, a.width);
    CloseFontFace(regular);
    CloseFontFace(bold);
}

TEST(FontFaceWidth, NarrowerAverageWidthNarrowsGlyphs)
{
    FontFace normal, narrow;
    ASSERT_TRUE(OpenFontFace({"Arial", -18, 0, FW_NORMAL, false}, normal));
    ASSERT_TRUE(OpenFontFace({"Arial", -18, 4, FW_NORMAL, false}, narrow));
    GlyphImage a, b;
    ASSERT_TRUE(RenderGlyph(normal, U'M', a));
    ASSERT_TRUE(RenderGlyph(narrow, U'M', b));
    EXPECT_LT(b.advance, a.advance);
    EXPECT_EQ(LineHeightOf(normal), LineHeightOf(narrow));
    CloseFontFace(normal);
    CloseFontFace(narrow);
}

} // namespace
