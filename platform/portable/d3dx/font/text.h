// Wide text as code points, for the font.
#pragma once

#include <string>

#include "platform/portable/d3dx/api.h"

namespace portable {

// The first count characters (all up to the terminator for count < 0).
// UTF-16 surrogate pairs are joined; lone surrogates and values beyond
// U+10FFFF become U+FFFD.
std::u32string DecodeWideText(LPCWSTR text, INT count);
// The same into `decoded`, whose storage is reused.
void DecodeWideText(LPCWSTR text, INT count, std::u32string& decoded);

// A null-terminated wide string in UTF-8 (for fontconfig).
std::string Utf8FromWide(LPCWSTR text);

} // namespace portable
