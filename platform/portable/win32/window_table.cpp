#include "platform/portable/win32/window_table.h"

namespace portable {

WindowTable& ThreadWindows()
{
    static WindowTable table;
    return table;
}

std::wstring FoldClassName(const std::wstring& name)
{
    std::wstring folded = name;
    for (wchar_t& c : folded)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return folded;
}

const WindowClassRecord* FindWindowClass(LPCWSTR nameOrAtom)
{
    if (nameOrAtom == nullptr) return nullptr;
    const WindowTable& table = ThreadWindows();
    const auto value = reinterpret_cast<uintptr_t>(nameOrAtom);
    if (value < 0x10000) {
        for (const auto& entry : table.classes)
            if (entry.second.atom == value) return &entry.second;
        return nullptr;
    }
    const auto found = table.classes.find(FoldClassName(nameOrAtom));
    return found == table.classes.end() ? nullptr : &found->second;
}

WindowRecord* FindWindowRecord(HWND window)
{
    WindowTable& table = ThreadWindows();
    const auto found = table.windows.find(reinterpret_cast<uintptr_t>(window));
    return found == table.windows.end() ? nullptr : &found->second;
}

LRESULT SendToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WindowRecord* record = FindWindowRecord(window);
    if (record == nullptr || record->procedure == nullptr) return 0;
    return record->procedure(window, message, wParam, lParam);
}

} // namespace portable
