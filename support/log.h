// The program's log: time-stamped lines in "log.txt", truncated at the start
// of every run and flushed line by line.
#pragma once

#include <fstream>
#include <string>

struct Log {
    std::ofstream stream;

    // The process-wide log, opened on first use.
    static Log* Instance();
    // The process-wide log if it exists, without creating it.
    static Log* Existing();
    // Writes "[HH:MM:SS] message" and a CR LF line end, unless the stream has failed.
    void Write(const std::wstring& message);
    // Closes the file, frees the log and clears the process-wide pointer.
    void Close();
};

// One byte per character: codes up to 255 as that byte, anything else as '?'
// (a character beyond the 16-bit range counts as its two UTF-16 units, "??").
std::string NarrowForLog(const std::wstring& text);
