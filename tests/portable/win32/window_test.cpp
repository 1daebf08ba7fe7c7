// Window classes and window creation failures that need no display.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {
LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

WNDCLASSEXW ClassNamed(LPCWSTR name)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXW);
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = Procedure;
    windowClass.lpszClassName = name;
    return windowClass;
}

TEST(WindowClass, RegistersOnceByNameWithoutRegardToCase)
{
    const WNDCLASSEXW first = ClassNamed(L"ClassTestOnce");
    const ATOM atom = RegisterClassExW(&first);
    EXPECT_GE(atom, 0xC000);
    EXPECT_EQ(RegisterClassExW(&first), 0);
    const WNDCLASSEXW otherCase = ClassNamed(L"CLASSTESTONCE");
    EXPECT_EQ(RegisterClassExW(&otherCase), 0);
    const WNDCLASSEXW other = ClassNamed(L"ClassTestOther");
    const ATOM otherAtom = RegisterClassExW(&other);
    EXPECT_NE(otherAtom, 0);
    EXPECT_NE(otherAtom, atom);
}

TEST(WindowClass, RefusesIncompleteRecords)
{
    WNDCLASSEXW wrongSize = ClassNamed(L"ClassTestWrongSize");
    wrongSize.cbSize = sizeof(WNDCLASSEXW) - 1;
    EXPECT_EQ(RegisterClassExW(&wrongSize), 0);
    WNDCLASSEXW noProcedure = ClassNamed(L"ClassTestNoProcedure");
    noProcedure.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassExW(&noProcedure), 0);
    const WNDCLASSEXW noName = ClassNamed(nullptr);
    EXPECT_EQ(RegisterClassExW(&noName), 0);
    const WNDCLASSEXW emptyName = ClassNamed(L"");
    EXPECT_EQ(RegisterClassExW(&emptyName), 0);
    EXPECT_EQ(RegisterClassExW(nullptr), 0);
    // None of them took its name.
    const WNDCLASSEXW valid = ClassNamed(L"ClassTestWrongSize");
    EXPECT_NE(RegisterClassExW(&valid), 0);
}

TEST(WindowClass, WindowOfAnUnknownClassIsNotCreated)
{
    EXPECT_EQ(CreateWindowExW(0, L"ClassTestNeverRegistered", L"x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);
}

TEST(WindowClass, FunctionsOnHandlesThatAreNoWindowsFail)
{
    const HWND bogus = reinterpret_cast<HWND>(0x7777);
    EXPECT_FALSE(DestroyWindow(bogus));
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_FALSE(UpdateWindow(bogus));
}
} // namespace
