#include "support/settings.h"

#include <fstream>
#include <iterator>

#include "app/application.h"
#include "support/log.h"

namespace {
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// One unsigned extraction: white space, an optional '+', then decimal digits.
// A '-' sign is not accepted: a negative size or rate is not a value.
bool ReadUnsigned(const std::string& text, size_t& pos, uint32_t& value)
{
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    if (pos < text.size() && text[pos] == '+') ++pos;
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return false;

    uint64_t number = 0;
    bool overflow = false;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        number = number * 10 + static_cast<uint64_t>(text[pos] - '0');
        if (number > 0xFFFFFFFFull) {
            overflow = true;
            number = 0xFFFFFFFFull + 1;
        }
        ++pos;
    }
    if (overflow) return false;
    value = static_cast<uint32_t>(number);
    return true;
}
} // namespace

void ParseSettings(const std::string& text, DisplaySettings& settings)
{
    size_t pos = 0;
    uint32_t* fields[] = {&settings.width, &settings.height, &settings.refreshRate};
    for (uint32_t* field : fields) {
        uint32_t value = 0;
        if (!ReadUnsigned(text, pos, value)) return;
        *field = value;
    }
}

void Application::LoadSettings()
{
    std::ifstream file("settings.ini", std::ios::in | std::ios::binary);
    if (file.fail()) {
        Log::Instance()->Write(L"Couldn't open settings file.");
        return;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

    DisplaySettings settings{width, height, refreshRate};
    ParseSettings(text, settings);
    width = settings.width;
    height = settings.height;
    refreshRate = settings.refreshRate;
}
