#include "support/log.h"

#include "platform/platform.h"

namespace {
Log* g_log = nullptr;

void AppendTwoDigits(std::string& line, unsigned value)
{
    line += static_cast<char>('0' + (value / 10) % 10);
    line += static_cast<char>('0' + value % 10);
}
} // namespace

std::string NarrowForLog(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if (code <= 0xFF) {
            bytes += static_cast<char>(code);
        } else if (code > 0xFFFF) {
            bytes += "??";
        } else {
            bytes += '?';
        }
    }
    return bytes;
}

Log* Log::Instance()
{
    if (g_log == nullptr) {
        g_log = new Log;
        // Binary mode with explicit CR LF keeps the bytes the same on every build.
        g_log->stream.open("log.txt", std::ios::out | std::ios::trunc | std::ios::binary);
    }
    return g_log;
}

Log* Log::Existing() { return g_log; }

void Log::Write(const std::wstring& message)
{
    if (stream.fail()) return;

    SYSTEMTIME now;
    GetLocalTime(&now);

    std::string line = "[";
    AppendTwoDigits(line, now.wHour);
    line += ':';
    AppendTwoDigits(line, now.wMinute);
    line += ':';
    AppendTwoDigits(line, now.wSecond);
    line += "] ";
    line += NarrowForLog(message);
    line += "\r\n";

    stream.write(line.data(), static_cast<std::streamsize>(line.size()));
    stream.flush();
}

void Log::Close()
{
    if (!stream.fail()) stream.close();
    if (g_log == this) g_log = nullptr;
    delete this;
}
