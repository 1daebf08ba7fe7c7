#include "platform/portable/d3dx/font/layout.h"

#include <algorithm>

namespace portable {

namespace {
constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsBreak(char32_t c) { return c == U'\n' || c == U'\r'; }
bool IsSkipped(char32_t c) { return c < 0x20 && !IsBreak(c); }

int WidthOf(const std::u32string& text, size_t begin, size_t end, const AdvanceOf& advance)
{
    int width = 0;
    for (size_t i = begin; i < end; ++i) width += advance(text[i]);
    return width;
}

// The text without control characters, and its lines between breaks. A break
// at the very end starts no further line; a single line ignores breaks.
void SplitLines(const std::u32string& text, bool singleLine, LayoutScratch& scratch)
{
    scratch.kept.clear();
    scratch.paragraphs.assign(1, LineSpan{});
    for (size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (IsBreak(c)) {
            if (singleLine) continue;
            if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
            if (i + 1 < text.size()) {
                scratch.paragraphs.back().end = scratch.kept.size();
                scratch.paragraphs.push_back(LineSpan{scratch.kept.size(), 0, 0});
            }
            continue;
        }
        if (!IsSkipped(c)) scratch.kept += c;
    }
    scratch.paragraphs.back().end = scratch.kept.size();
}

// Breaks a line at blanks so that each piece fits the width where it can; a
// word wider than the width stays whole.
void WrapLine(const std::u32string& text, const LineSpan& line, int maxWidth, const AdvanceOf& advance,
              std::vector<LineSpan>& out)
{
    size_t start = line.begin;
    while (start < line.end) {
        int width = 0;
        size_t end = start;
        size_t lastBlank = std::u32string::npos;
        while (end < line.end) {
            const int next = advance(text[end]);
            if (width + next > maxWidth && end > start) break;
            if (text[end] == U' ') lastBlank = end;
            width += next;
            ++end;
        }
        if (end < line.end && lastBlank != std::u32string::npos && lastBlank > start) end = lastBlank;
        if (end < line.end && lastBlank == std::u32string::npos) {
            // No blank to break at: the word runs on to the next blank.
            while (end < line.end && text[end] != U' ') ++end;
        }
        size_t pieceEnd = end;
        while (pieceEnd > start && text[pieceEnd - 1] == U' ') --pieceEnd;
        out.push_back(LineSpan{start, pieceEnd, WidthOf(text, start, pieceEnd, advance)});
        start = end;
        while (start < line.end && text[start] == U' ') ++start;
    }
    if (line.begin == line.end) out.push_back(LineSpan{line.begin, line.begin, 0});
}
} // namespace

void DecodeWideText(LPCWSTR text, INT count, std::u32string& decoded)
{
    decoded.clear();
    if (text == nullptr) return;
    size_t length = 0;
    if (count < 0) {
        while (text[length] != 0) ++length;
    } else {
        length = static_cast<size_t>(count);
    }
    decoded.reserve(length);

    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<char32_t>(static_cast<std::make_unsigned_t<WCHAR>>(text[i]));
        if (IsHighSurrogate(c) && i + 1 < length) {
            const auto next = static_cast<char32_t>(static_cast<std::make_unsigned_t<WCHAR>>(text[i + 1]));
            if (IsLowSurrogate(next)) {
                decoded += 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                ++i;
                continue;
            }
        }
        decoded += (IsHighSurrogate(c) || IsLowSurrogate(c) || c > kMaxCodePoint) ? kReplacement : c;
    }
}

std::u32string DecodeWideText(LPCWSTR text, INT count)
{
    std::u32string decoded;
    DecodeWideText(text, count, decoded);
    return decoded;
}

void LayOutText(const std::u32string& text, const RECT& rect, DWORD format, int lineHeight, const AdvanceOf& advance,
                LayoutScratch& scratch, TextLayout& layout)
{
    layout.glyphs.clear();
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    SplitLines(text, singleLine, scratch);
    const std::u32string& kept = scratch.kept;
    std::vector<LineSpan>& lines = scratch.lines;
    lines.clear();
    for (const LineSpan& paragraph : scratch.paragraphs) {
        if ((format & DT_WORDBREAK) != 0 && !singleLine) {
            WrapLine(kept, paragraph, std::max<LONG>(rect.right - rect.left, 0), advance, lines);
        } else {
            lines.push_back(
                LineSpan{paragraph.begin, paragraph.end, WidthOf(kept, paragraph.begin, paragraph.end, advance)});
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
    for (const LineSpan& line : lines) {
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
        for (size_t i = line.begin; i < line.end; ++i) {
            layout.glyphs.push_back(PlacedGlyph{kept[i], x, lineTop});
            x += advance(kept[i]);
        }
        lineTop += lineHeight;
    }

    // With DT_VCENTER or DT_BOTTOM the result runs from the rectangle's top to the text's bottom.
    const bool offset = (format & (DT_VCENTER | DT_BOTTOM)) != 0;
    layout.height = offset ? top + textHeight - rect.top : textHeight;
}

TextLayout LayOutText(const std::u32string& text, const RECT& rect, DWORD format, int lineHeight,
                      const AdvanceOf& advance)
{
    LayoutScratch scratch;
    TextLayout layout;
    LayOutText(text, rect, format, lineHeight, advance, scratch, layout);
    return layout;
}

} // namespace portable
