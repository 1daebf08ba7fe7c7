// Screen metrics and rectangles.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {
TEST(ScreenMetrics, ScreenDcGivesTheDpiOfAProgramNotDpiAwareAndOtherDcsNothing)
{
    const HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
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
