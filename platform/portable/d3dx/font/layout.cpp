#include "platform/portable/d3dx/font/layout.h"

#include <algorithm>

using namespace portable;

namespace portable {

namespace {
struct Line {
    std::u32string text;
    int width = 0;
};

bool IsBreak(char32_t c) { return c == U'\n' || c == U'\r'; }
bool IsSkipped(char32_t c) { return c < 0x20 && !IsBreak(c); }

int WidthOf(const std::u32string& text, const AdvanceOf& advance)
{
    int width = 0;
    for (char32_t c : text) width += advance(c);
    return width;
}

std::vector<std::u32string> SplitLines(const std::u32string& text, bool singleLine)
{
    std::vector<std::u32string> lines(1);
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (IsBreak(c)) {
            if (singleLine) continue;
            if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
            if (i + 1 < text.size()) lines.emplace_back();
            continue;
        }
        if (!IsSkipped(c)) lines.back() += c;
    }
    return lines;
}

// Breaks a line at blanks so that each piece fits the width where it can; a
// word wider than the width stays whole.
void WrapLine(const std::u32string& line, int maxWidth, const AdvanceOf& advance, std::vector<Line>& out)
{
    size_t start = 0;
    while (start < line.size()) {
        int width = 0;
        size_t end = start;
        size_t lastBlank = std::u32string::npos;
        while (end < line.size()) {
            const int next = advance(line[end]);
            if (width + next > maxWidth && end > start) break;
            if (line[end] == U' ') lastBlank = end;
            width += next;
            ++end;
        }
        if (end < line.size() && lastBlank != std::u32string::npos && lastBlank > start) end = lastBlank;
        if (end < line.size() && lastBlank == std::u32string::npos) {
            // No blank to break at: the word runs on to the next blank.
            while (end < line.size() && line[end] != U' ') ++end;
        }
        std::u32string piece = line.substr(start, end - start);
        while (!piece.empty() && piece.back() == U' ') piece.pop_back();
        out.push_back(Line{piece, WidthOf(piece, advance)});
        start = end;
        while (start < line.size() && line[start] == U' ') ++start;
    }
    if (line.empty()) out.push_back(Line{});
}
} // namespace

TextLayout LayOutText(const std::u32string& text, const RECT& rect, DWORD format, int lineHeight,
                      const AdvanceOf& advance)
{
    TextLayout layout;
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    std::vector<Line> lines;
    for (const std::u32string& raw : SplitLines(text, singleLine)) {
        if ((format & DT_WORDBREAK) != 0 && !singleLine) {
            WrapLine(raw, std::max<LONG>(rect.right - rect.left, 0), advance, lines);
        } else {
            lines.push_back(Line{raw, WidthOf(raw, advance)});
        }
    }

    const int textHeight = static_cast<int>(lines.size()) * lineHeight;
    int top = rect.top;
    if ((format & DT_BOTTOM) != 0) {
        top = rect.bottom - textHeight;
    } else if ((format & DT_VCENTER) != 0) {
        top = rect.top + (rect.bottom - rect.top - textHeight) / 2;
    }

    layout.bounds = RECT{rect.left, top, rect.left, top + textHeight};
    bool first = true;
    int lineTop = top;
    for (const Line& line : lines) {
        int x = rect.left;
        if ((format & DT_RIGHT) != 0) {
            x = rect.right - line.width;
        } else if ((format & DT_CENTER) != 0) {
            x = rect.left + (rect.right - rect.left - line.width) / 2;
        }
        if (first) {
            layout.bounds.left = x;
            layout.bounds.right = x + line.width;
            first = false;
        } else {
            layout.bounds.left = std::min<LONG>(layout.bounds.left, x);
            layout.bounds.right = std::max<LONG>(layout.bounds.right, x + line.width);
        }
        for (char32_t c : line.text) {
            layout.glyphs.push_back(PlacedGlyph{c, x, lineTop});
            x += advance(c);
        }
        lineTop += lineHeight;
    }

    // With DT_VCENTER or DT_BOTTOM the result runs from the rectangle's top to the text's bottom.
    const bool offset = (format & (DT_VCENTER | DT_BOTTOM)) != 0;
    layout.height = offset ? top + textHeight - rect.top : textHeight;
    return layout;
}

} // namespace portable
