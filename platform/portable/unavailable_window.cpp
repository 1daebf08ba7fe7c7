// Window operations before the windowing layer exists: window creation fails,
// so start-up ends without a window. Replaced by the SDL2 layer.
#include "platform/platform.h"

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW*) { return 0; }
HWND WINAPI CreateWindowExW(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID)
{
    return nullptr;
}
BOOL WINAPI DestroyWindow(HWND) { return FALSE; }
BOOL WINAPI ShowWindow(HWND, int) { return FALSE; }
BOOL WINAPI UpdateWindow(HWND) { return FALSE; }
LRESULT WINAPI DefWindowProcW(HWND, UINT, WPARAM, LPARAM) { return 0; }
BOOL WINAPI PeekMessageW(LPMSG, HWND, UINT, UINT, UINT) { return FALSE; }
BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }
LRESULT WINAPI DispatchMessageW(const MSG*) { return 0; }
BOOL WINAPI PostMessageW(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
void WINAPI PostQuitMessage(int) {}
BOOL WINAPI RegisterRawInputDevices(PCRAWINPUTDEVICE, UINT, UINT) { return FALSE; }
UINT WINAPI GetRawInputData(HRAWINPUT, UINT, LPVOID, PUINT, UINT) { return static_cast<UINT>(-1); }
HCURSOR WINAPI SetCursor(HCURSOR) { return nullptr; }
HDC WINAPI GetDC(HWND) { return nullptr; }
int WINAPI GetDeviceCaps(HDC, int index) { return index == LOGPIXELSY || index == LOGPIXELSX ? 96 : 0; }
int WINAPI ReleaseDC(HWND, HDC) { return 1; }
BOOL WINAPI SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}
int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR, int, LPWSTR, int) { return 0; }
