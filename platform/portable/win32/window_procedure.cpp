// DefWindowProcW: what a window does with the messages its procedure passes on.
#include "platform/portable/win32/window_table.h"

using namespace portable;

namespace {
constexpr LPARAM kAltDownBit = LPARAM{1} << 29;
constexpr WPARAM kSysCommandMask = 0xFFF0;

UINT LowWord(LPARAM value)
{
    return static_cast<UINT>(static_cast<uintptr_t>(value) & 0xFFFF);
}
} // namespace

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (lParam & kAltDownBit) != 0) SendToWindow(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & kSysCommandMask) == SC_CLOSE) SendToWindow(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_SETCURSOR:
        // In the client area the class cursor is shown; a class without one leaves the cursor as it is.
        if (LowWord(lParam) == HTCLIENT) {
            const WindowRecord* record = FindWindowRecord(window);
            for (const auto& entry : ThreadWindows().classes) {
                const WindowClassRecord& windowClass = entry.second;
                if (record != nullptr && windowClass.atom == record->classAtom && windowClass.cursor != nullptr)
                    SetCursor(windowClass.cursor);
            }
        }
        return FALSE;
    default:
        return 0;
    }
}
