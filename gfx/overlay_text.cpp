#include "gfx/overlay_text.h"

#include <cwchar>
#include <sstream>

namespace {
// Long enough for the longest of either text.
constexpr size_t kTextCapacity = 64;

void Assign(const wchar_t* formatted, int length, std::wstring& text)
{
    if (length < 0) length = 0;
    text.assign(formatted, static_cast<size_t>(length));
}
} // namespace

void WriteDisplayModeText(uint32_t width, uint32_t height, uint32_t refreshRate, std::wstring& text)
{
    wchar_t formatted[kTextCapacity];
    Assign(formatted, std::swprintf(formatted, kTextCapacity, L"%u x %u @ %u Hz", width, height, refreshRate), text);
}

// The stream's default for a float: %g with 6 significant digits.
void WriteFpsText(float fps, std::wstring& text)
{
    wchar_t formatted[kTextCapacity];
    Assign(formatted, std::swprintf(formatted, kTextCapacity, L"FPS: %g", static_cast<double>(fps)), text);
}

std::wstring ModeListLine(bool isMatch, uint32_t width, uint32_t height, uint32_t refreshRate)
{
    std::wostringstream text;
    text << (isMatch ? L"-> " : L"   ") << width << L"x" << height << L" @ " << refreshRate << L"Hz";
    return text.str();
}
