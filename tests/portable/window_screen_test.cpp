// Screen metrics and rectangles.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/portable/screen_metrics.h"

namespace {
TEST(ScreenMetrics, DpiIsTheDisplaysRoundedOr96WhenUnknownOrAbsurd)
{
    struct DpiCase {
        bool known;
        float reported;
        int dpi;
    };
    const DpiCase cases[] = {
        {true, 96.0f, 96},
        {true, 91.79f, 92},
        {true, 144.0f, 144},
        {true, 163.4f, 163},
        {true, 48.0f, 48},
        {true, 480.0f, 480},
        {true, 47.9f, 96},
        {true, 480.5f, 96},
        {true, 0.0f, 96},
        {true, -96.0f, 96},
        {true, 25400.0f, 96},
        {true, std::numeric_limits<float>::infinity(), 96},
        {true, std::numeric_limits<float>::quiet_NaN(), 96},
        {false, 120.0f, 96},
    };
    for (const DpiCase& c : cases) EXPECT_EQ(SaneDpi(c.known, c.reported), c.dpi) << c.known << " " << c.reported;
}

TEST(ScreenMetrics, ScreenDcGivesAPlausibleDpiAndOtherDcsNothing)
{
    const HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    EXPECT_GE(dpi, 48);
    EXPECT_LE(dpi, 480);
    EXPECT_GE(GetDeviceCaps(screen, LOGPIXELSX), 48);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(GetDeviceCaps(reinterpret_cast<HDC>(0x99), LOGPIXELSY), 0);
    EXPECT_EQ(ReleaseDC(nullptr, reinterpret_cast<HDC>(0x99)), 0);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x7777)), nullptr) << "a handle that is no window";
}

TEST(Rectangles, SetRectFillsAllFourSides)
{
    RECT rect{9, 9, 9, 9};
    EXPECT_TRUE(SetRect(&rect, -1, 2, 300, 40));
    EXPECT_EQ(rect.left, -1);
    EXPECT_EQ(rect.top, 2);
    EXPECT_EQ(rect.right, 300);
    EXPECT_EQ(rect.bottom, 40);
    EXPECT_FALSE(SetRect(nullptr, 0, 0, 1, 1));
}
} // namespace
