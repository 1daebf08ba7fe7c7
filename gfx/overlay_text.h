// Texts of the overlay and of the display-mode list.
#pragma once

#include <cstdint>
#include <string>

// "800 x 600 @ 60 Hz", and "FPS: " with the figure in at most 6 significant
// digits, no trailing zeros. Into `text`, reusing its storage: nothing is
// allocated once it has held a text as long.
void WriteDisplayModeText(uint32_t width, uint32_t height, uint32_t refreshRate, std::wstring& text);
void WriteFpsText(float fps, std::wstring& text);
// One line of the mode list: "-> " or three blanks, then "800x600 @ 60Hz".
std::wstring ModeListLine(bool isMatch, uint32_t width, uint32_t height, uint32_t refreshRate);
