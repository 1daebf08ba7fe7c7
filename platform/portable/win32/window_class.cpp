// RegisterClassExW: the class table keyed by name.
#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/window_table.h"

using namespace portable;

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    return GuardedCall<ATOM>(0, 0, [&]() -> ATOM {
        if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXW)) return 0;
        if (windowClass->lpfnWndProc == nullptr || windowClass->lpszClassName == nullptr) return 0;
        // Registering by atom is not possible, and an empty name is refused.
        if (reinterpret_cast<uintptr_t>(windowClass->lpszClassName) < 0x10000) return 0;
        if (windowClass->lpszClassName[0] == L'\0') return 0;

        WindowTable& table = ThreadWindows();
        const std::wstring key = FoldClassName(windowClass->lpszClassName);
        if (table.classes.count(key) != 0) return 0;
        if (table.nextAtom == 0xFFFF) return 0;

        WindowClassRecord record;
        record.atom = table.nextAtom++;
        record.name = windowClass->lpszClassName;
        record.style = windowClass->style;
        record.procedure = windowClass->lpfnWndProc;
        record.instance = windowClass->hInstance;
        record.cursor = windowClass->hCursor;
        table.classes.emplace(key, record);
        return record.atom;
    });
}
