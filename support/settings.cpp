#include "support/settings.h"

#include <cstdio>

#include "app/application.h"
#include "platform/platform.h"
#include "support/log.h"

namespace {
bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Up to three unsigned extractions from next(), which gives one byte at a time
// and EOF at the end. Each takes white space, an optional '+', then decimal
// digits; a '-' sign is not accepted, as a negative size or rate is no value.
// Reading stops at the first failure or after the third number.
template <typename Next>
void ParseSettingsFrom(Next next, DisplaySettings& settings)
{
    int c = next();
    for (uint32_t* field : {&settings.width, &settings.height, &settings.refreshRate}) {
        while (IsBlank(c)) c = next();
        if (c == '+') c = next();
        if (!IsDigit(c)) return;

        uint64_t number = 0;
        bool overflow = false;
        while (IsDigit(c)) {
            number = number * 10 + static_cast<uint64_t>(c - '0');
            if (number > 0xFFFFFFFFull) {
                overflow = true;
                number = 0xFFFFFFFFull + 1;
            }
            c = next();
        }
        if (overflow) return;
        *field = static_cast<uint32_t>(number);
    }
}

// Reads up to three numbers from the text into the fields in order. The first
// field that cannot be read (no digits, the end of the text, a value beyond 32
// bits) keeps its value, and so does every field after it.
void ParseSettings(const std::string& text, DisplaySettings& settings)
{
    size_t pos = 0;
    ParseSettingsFrom([&] { return pos < text.size() ? static_cast<unsigned char>(text[pos++]) : EOF; }, settings);
}
} // namespace

void Application::LoadSettings()
{
    // One read of the file's start: a huge file costs nothing, and one that
    // fails part way (a read error) keeps what was read before it.
    FILE* file = _fsopen("settings.ini", "rb", _SH_DENYNO);
    if (file == nullptr) {
        Log::Instance()->Write(L"Couldn't open settings file.");
        return;
    }
    std::string text(kSettingsBytesRead, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    DisplaySettings settings{width, height, refreshRate};
    ParseSettings(text, settings);
    width = settings.width;
    height = settings.height;
    refreshRate = settings.refreshRate;
}
