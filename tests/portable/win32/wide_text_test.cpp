// MultiByteToWideChar: Windows-1252 for CP_ACP, UTF-8 on request, and the size rules.
#include <algorithm>
#include <cctype>
#include <iterator>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {
constexpr UINT kWindows1252 = 1252;
constexpr DWORD kErrorOnInvalid = 0x8;

// The conversion of count bytes (-1: through the terminator), or "<failed>".
std::wstring Convert(UINT codePage, const std::string& bytes, int count, DWORD flags = 0)
{
    const int needed = MultiByteToWideChar(codePage, flags, bytes.c_str(), count, nullptr, 0);
    if (needed == 0) return L"<failed>";
    std::wstring text(static_cast<size_t>(needed), L'?');
    const int written = MultiByteToWideChar(codePage, flags, bytes.c_str(), count, text.data(), needed);
    if (written != needed) return L"<size changed>";
    return text;
}

std::wstring Whole(UINT codePage, const std::string& bytes, DWORD flags = 0)
{
    return Convert(codePage, bytes, static_cast<int>(bytes.size()), flags);
}

struct DecodeCase {
    const char* name;
    UINT codePage;
    std::string bytes;
    std::wstring text;
};

const DecodeCase kDecodeCases[] = {
    {"ascii", CP_ACP, "Models\\Crate\\crate.bmp", L"Models\\Crate\\crate.bmp"},
    {"latin letters", CP_ACP, "caf\xE9 \xC4\xD6\xDC\xDF", L"caf\u00E9 \u00C4\u00D6\u00DC\u00DF"},
    {"euro and quotes", CP_ACP, "\x80 \x93x\x94 \x85", L"\u20AC \u201Cx\u201D \u2026"},
    {"every 0x80-0x9f byte", kWindows1252,
     std::string("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                 "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F"),
     L"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D\u017D\u008F"
     L"\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178"},
    {"high bytes", CP_ACP, "\xA0\xFF", L"\u00A0\u00FF"},
    {"utf-8 bytes read as 1252", CP_ACP, "\xC3\xA9", L"\u00C3\u00A9"},
    {"utf-8 two bytes", CP_UTF8, "caf\xC3\xA9", L"caf\u00E9"},
    {"utf-8 three bytes", CP_UTF8, "\xE2\x82\xAC", L"\u20AC"},
    {"utf-8 four bytes is one wide character", CP_UTF8, "\xF0\x9F\x98\x80", std::wstring(1, wchar_t(0x1F600))},
    {"utf-8 stray continuation", CP_UTF8, "a\x80z", L"a\uFFFDz"},
    {"utf-8 overlong", CP_UTF8, "\xC0\xAF", L"\uFFFD\uFFFD"},
    {"utf-8 surrogate", CP_UTF8, "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
    {"utf-8 truncated at the end", CP_UTF8, "a\xE2\x82", L"a\uFFFD"},
    {"utf-8 beyond U+10FFFF", CP_UTF8, "\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
};

void PrintTo(const DecodeCase& decode, std::ostream* out) { *out << decode.name; }

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, GivesTheCodePoints) { EXPECT_EQ(Whole(GetParam().codePage, GetParam().bytes), GetParam().text); }

std::string CaseName(const testing::TestParamInfo<DecodeCase>& info)
{
    std::string name;
    for (const char* c = info.param.name; *c != '\0'; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(CodePages, DecodeTest, testing::ValuesIn(kDecodeCases), CaseName);

TEST(MultiByteToWideChar, CountMinusOneIncludesTheTerminator)
{
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
    wchar_t text[8];
    std::fill(std::begin(text), std::end(text), L'#');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, text, 8), 4);
    EXPECT_EQ(std::wstring(text, 4), std::wstring(L"abc\0", 4));
    EXPECT_EQ(text[4], L'#');
}

TEST(MultiByteToWideChar, ExplicitCountConvertsExactlyThatManyBytesWithoutTerminator)
{
    wchar_t text[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcdef", 3, text, 4), 3);
    EXPECT_EQ(std::wstring(text, 4), L"abc#");
    EXPECT_EQ(Convert(CP_ACP, std::string("a\0b", 3), 3), std::wstring(L"a\0b", 3));
}

TEST(MultiByteToWideChar, ZeroWideCountAsksForTheSizeAndWritesNothing)
{
    wchar_t text[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xC3\xA9t\xC3\xA9", -1, text, 0), 4);
    EXPECT_EQ(std::wstring(text, 4), L"####");
}

TEST(MultiByteToWideChar, TooSmallBufferGivesZeroAndWritesNothing)
{
    wchar_t text[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcd", -1, text, 4), 0);
    EXPECT_EQ(std::wstring(text, 4), L"####");
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcd", 4, text, 3), 0);
    EXPECT_EQ(std::wstring(text, 4), L"####");
}

TEST(MultiByteToWideChar, InvalidArgumentsGiveZero)
{
    wchar_t text[8];
    const char same[8] = "abc";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, text, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, text, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -2, text, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, text, -1), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 8), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, same, 1, reinterpret_cast<LPWSTR>(const_cast<char*>(same)), 1), 0);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "abc", 3, text, 8), 0) << "code pages not offered fail";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0x1, "abc", 3, text, 8), 0) << "UTF-8 takes no MB_PRECOMPOSED";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0x2, "abc", 3, text, 8), 0) << "MB_COMPOSITE is not offered";
}

TEST(MultiByteToWideChar, ErrorOnInvalidRefusesBadUtf8)
{
    EXPECT_EQ(Whole(CP_UTF8, "a\x80z", kErrorOnInvalid), L"<failed>");
    EXPECT_EQ(Whole(CP_UTF8, "caf\xC3\xA9", kErrorOnInvalid), L"caf\u00E9");
    EXPECT_EQ(Whole(CP_ACP, "\x81", kErrorOnInvalid), L"\u0081");
}
} // namespace
