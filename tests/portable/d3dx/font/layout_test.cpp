// Text layout, wide-text decoding and glyph packing of the portable font.
#include <ostream>

#include <gtest/gtest.h>

#include "platform/portable/d3dx/font/layout.h"
#include "platform/portable/d3dx/font/renderer.h"
#include "platform/portable/win32/wide_text.h"

using namespace portable;

namespace {
// Every character is 10 pixels wide, a blank 5.
int Advance(char32_t c) { return c == U' ' ? 5 : 10; }

struct LayoutCase {
    const char* name;
    std::u32string text;
    RECT rect;
    DWORD format;
    int expectedHeight;
    std::vector<std::pair<int, int>> firstGlyphOfEachLine; // x, line top
    RECT expectedBounds;
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, PlacesLinesAndReportsTheHeight)
{
    const LayoutCase& c = GetParam();
    const TextLayout layout = LayOutText(c.text, c.rect, c.format, 20, Advance);
    EXPECT_EQ(layout.height, c.expectedHeight);
    std::vector<std::pair<int, int>> starts;
    int lastTop = -100000;
    for (const PlacedGlyph& g : layout.glyphs) {
        if (g.lineTop != lastTop) starts.emplace_back(g.x, g.lineTop);
        lastTop = g.lineTop;
    }
    EXPECT_EQ(starts, c.firstGlyphOfEachLine);
    EXPECT_EQ(layout.bounds.left, c.expectedBounds.left);
    EXPECT_EQ(layout.bounds.top, c.expectedBounds.top);
    EXPECT_EQ(layout.bounds.right, c.expectedBounds.right);
    EXPECT_EQ(layout.bounds.bottom, c.expectedBounds.bottom);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LayoutTest,
    ::testing::Values(
        LayoutCase{"one_line_left_top", U"abc", {10, 10, 200, 30}, DT_NOCLIP, 20, {{10, 10}}, {10, 10, 40, 30}},
        LayoutCase{
            "longer_than_rectangle", U"abcdefghij", {10, 10, 50, 30}, DT_NOCLIP, 20, {{10, 10}}, {10, 10, 110, 30}},
        LayoutCase{"line_breaks", U"ab\ncd\r\nef", {0, 0, 100, 100}, 0, 60, {{0, 0}, {0, 20}, {0, 40}}, {0, 0, 20, 60}},
        LayoutCase{"trailing_break_adds_no_line", U"ab\n", {0, 0, 100, 100}, 0, 20, {{0, 0}}, {0, 0, 20, 20}},
        LayoutCase{"empty_line_counts", U"a\n\nb", {0, 0, 100, 100}, 0, 60, {{0, 0}, {0, 40}}, {0, 0, 10, 60}},
        LayoutCase{
            "single_line_ignores_breaks", U"ab\ncd", {0, 0, 100, 100}, DT_SINGLELINE, 20, {{0, 0}}, {0, 0, 40, 20}},
        LayoutCase{"centre", U"abcd", {0, 0, 100, 20}, DT_CENTER, 20, {{30, 0}}, {30, 0, 70, 20}},
        LayoutCase{"right", U"abcd", {0, 0, 100, 20}, DT_RIGHT, 20, {{60, 0}}, {60, 0, 100, 20}},
        LayoutCase{
            "vertical_centre", U"ab", {0, 0, 100, 100}, DT_SINGLELINE | DT_VCENTER, 60, {{0, 40}}, {0, 40, 20, 60}},
        LayoutCase{"bottom", U"ab", {0, 0, 100, 100}, DT_SINGLELINE | DT_BOTTOM, 100, {{0, 80}}, {0, 80, 20, 100}},
        LayoutCase{"word_break", U"aaa bbb ccc", {0, 0, 75, 100}, DT_WORDBREAK, 40, {{0, 0}, {0, 20}}, {0, 0, 65, 40}},
        LayoutCase{"word_wider_than_rectangle",
                   U"aaaaaaaa bb",
                   {0, 0, 30, 100},
                   DT_WORDBREAK,
                   40,
                   {{0, 0}, {0, 20}},
                   {0, 0, 80, 40}},
        LayoutCase{"control_characters_skipped", U"a\tb", {0, 0, 100, 20}, 0, 20, {{0, 0}}, {0, 0, 20, 20}}),
    [](const ::testing::TestParamInfo<LayoutCase>& param) { return param.param.name; });

TEST(WideText, CountsAndSurrogates)
{
    EXPECT_EQ(DecodeWideText(L"abc", -1), U"abc");
    EXPECT_EQ(DecodeWideText(L"abc", 2), U"ab");
    EXPECT_EQ(DecodeWideText(L"abc", 0), U"");
    EXPECT_EQ(DecodeWideText(nullptr, -1), U"");

    const WCHAR pair[] = {0xD83D, 0xDE00, 'x', 0};
    EXPECT_EQ(DecodeWideText(pair, -1), std::u32string({0x1F600, U'x'}));
    const WCHAR lone[] = {'a', 0xDC00, 0xD800, 0};
    EXPECT_EQ(DecodeWideText(lone, -1), std::u32string({U'a', 0xFFFD, 0xFFFD}));
    const WCHAR direct[] = {static_cast<WCHAR>(0x1F600), static_cast<WCHAR>(0x110000), 0};
    EXPECT_EQ(DecodeWideText(direct, -1), std::u32string({0x1F600, 0xFFFD}));

    EXPECT_EQ(WideToUtf8(L"Arial"), "Arial");
    const WCHAR accented[] = {'S', 0xE9, 'g', 'o', 'e', 0x20AC, 0};
    EXPECT_EQ(WideToUtf8(accented), "S\xC3\xA9goe\xE2\x82\xAC");
}

TEST(AtlasPacking, ShelvesFillLeftToRightThenDownAndEveryGapStaysInUse)
{
    GlyphAtlas atlas{32, {}};
    struct Step {
        int width, height;
        bool placed;
        int page, x, y;
    };
    const Step steps[] = {
        {10, 8, true, 0, 0, 0},   {10, 12, true, 0, 11, 0}, // the open shelf grows to 13
        {15, 5, true, 0, 0, 13},                            // 22 + 16 > 32: a new shelf below the tallest
        {40, 4, false, 0, 0, 0},                            // wider than a page
        {31, 12, true, 0, 0, 19},                           // no room beside: a third shelf
        {20, 20, true, 1, 0, 0},                            // no room left for it on the first page
        {4, 4, true, 0, 22, 0},                             // smaller glyphs still fill the first page's gaps
        {5, 5, true, 0, 16, 13},                            // a shelf above that is no longer the last
        {14, 5, true, 1, 0, 21},
    };
    for (const Step& step : steps) {
        AtlasSpot spot{-1, -1, -1};
        ASSERT_EQ(PlaceGlyph(atlas, step.width, step.height, spot), step.placed) << step.width << "x" << step.height;
        if (!step.placed) continue;
        EXPECT_EQ(spot.page, step.page) << step.width << "x" << step.height;
        EXPECT_EQ(spot.x, step.x) << step.width << "x" << step.height;
        EXPECT_EQ(spot.y, step.y) << step.width << "x" << step.height;
    }
    EXPECT_EQ(atlas.pages.size(), 2u);
}

} // namespace
