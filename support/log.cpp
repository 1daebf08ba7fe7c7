#include "support/log.h"

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace {
Log* g_log = nullptr;

void AppendTwoDigits(std::string& line, unsigned value)
{
    line += static_cast<char>('0' + (value / 10) % 10);
    line += static_cast<char>('0' + value % 10);
}

// The one word a user gets about the log, on standard error.
void SayLogUnwritable(const char* when, int error)
{
    std::fprintf(stderr, "log.txt cannot be written%s (%s); running without a log\n", when, std::strerror(error));
}
} // namespace

std::string NarrowForLog(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if ((code < 0x20 && code != '\t') || (code >= 0x7F && code < 0xA0)) {
            bytes += '?';
        } else if (code <= 0xFF) {
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
        // Binary mode with explicit CR LF keeps the bytes the same on every
        // build. Only a file opens, and nothing waits (a pipe nobody reads).
        errno = 0;
        g_log->file = _fsopen("log.txt", "wb", _SH_DENYNO);
        if (g_log->file == nullptr) SayLogUnwritable("", errno);
    }
    return g_log;
}

Log* Log::Existing() { return g_log; }

void Log::Write(const std::wstring& message)
{
    if (file == nullptr) return;

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

    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file) != line.size() || std::fflush(file) != 0) {
        SayLogUnwritable(" any more", errno);
        std::fclose(file);
        file = nullptr;
    }
}

void Log::Close()
{
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    if (g_log == this) g_log = nullptr;
    delete this;
}
