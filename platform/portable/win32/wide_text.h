// Wide strings (one wchar_t per code point) to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace portable {

// Surrogate pairs are joined; unpaired surrogates and values beyond U+10FFFF become U+FFFD.
std::string WideToUtf8(std::wstring_view text);

} // namespace portable
