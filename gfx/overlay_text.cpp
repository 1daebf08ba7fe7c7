#include "gfx/overlay_text.h"

#include <sstream>

std::wstring DisplayModeText(uint32_t width, uint32_t height, uint32_t refreshRate)
{
    std::wostringstream text;
    text << width << L" x " << height << L" @ " << refreshRate << L" Hz";
    return text.str();
}

std::wstring FpsText(float fps)
{
    std::wostringstream text;
    text << L"FPS: " << fps;
    return text.str();
}

std::wstring ModeListLine(bool isMatch, uint32_t width, uint32_t height, uint32_t refreshRate)
{
    std::wostringstream text;
    text << (isMatch ? L"-> " : L"   ") << width << L"x" << height << L" @ " << refreshRate << L"Hz";
    return text.str();
}
