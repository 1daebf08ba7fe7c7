// The program's log: time-stamped lines in "log.txt", truncated at the start
// of every run and flushed line by line.
#pragma once

#include <cstdio>
#include <string>

struct Log {
    // Null once the log cannot be written (never opened, or a write failed):
    // the run goes on without it.
    std::FILE* file = nullptr;

    // The process-wide log, opened on first use. A log.txt that cannot be
    // opened for writing (a folder, a device, a pipe, read-only) is said so
    // once on standard error.
    static Log* Instance();
    // The process-wide log if it exists, without creating it.
    static Log* Existing();
    // Writes "[HH:MM:SS] message" and a CR LF line end, unless the log cannot
    // be written; the first write that fails is said so on standard error.
    void Write(const std::wstring& message);
    // Closes the file, frees the log and clears the process-wide pointer.
    void Close();
};

// One byte per character, so that one message stays one line: codes up to
// 255 as that byte, except control characters other than tab (below 32, and
// 127 to 159), which could break or forge lines, and anything above 255: each
// is '?' (a character beyond the 16-bit range counts as its two UTF-16
// units, "??").
std::string NarrowForLog(const std::wstring& text);
