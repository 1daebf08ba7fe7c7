// The log file: line format, stamps, truncation, failure and narrowing.
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "support/log.h"
#include "tests/system/system_fixture.h"

using LogTest = SystemTest;

TEST_F(LogTest, StampsEachLineWithZeroPaddedLocalTimeAndEndsItWithCrLf)
{
    fake::State().localTime.wHour = 7;
    fake::State().localTime.wMinute = 4;
    fake::State().localTime.wSecond = 9;
    Log::Instance()->Write(L"Log created.");
    fake::State().localTime.wHour = 23;
    fake::State().localTime.wMinute = 59;
    fake::State().localTime.wSecond = 58;
    Log::Instance()->Write(L"");
    EXPECT_EQ(LogBytes(), "[07:04:09] Log created.\r\n[23:59:58] \r\n");
}

TEST_F(LogTest, EachLineIsOnDiskWhenWriteReturns)
{
    Log::Instance()->Write(L"one");
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"one"});
    Log::Instance()->Write(L"two");
    EXPECT_EQ(LogMessages(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(LogTest, ControlCharactersBecomeQuestionMarksSoOneMessageIsOneLine)
{
    // A texture name that would forge a line, clear a terminal or break a line for a Latin-1 reader.
    Log::Instance()->Write(L"  a\tb \"c\" \r\n[09:05:04] Successfully loaded x\x1b[2J\x7f\x85\u00a0.");
    Log::Instance()->Write(L"next");
    EXPECT_EQ(LogBytes(),
              "[09:05:03]   a\tb \"c\" ??[09:05:04] Successfully loaded x?[2J??\xa0.\r\n[09:05:03] next\r\n");
}

TEST_F(LogTest, EveryRunTruncatesTheFile)
{
    scratch.Write("log.txt", "[00:00:00] an earlier run\r\n");
    Log::Instance()->Write(L"second run");
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"second run"});
}

TEST_F(LogTest, CharactersBeyondOneByteBecomeQuestionMarksAndLaterLinesStillCome)
{
    const std::wstring text = std::wstring(L"caf\u00e9 \u263a ") + static_cast<wchar_t>(0x1F600) + L".";
    Log::Instance()->Write(text);
    Log::Instance()->Write(L"next");
    EXPECT_EQ(LogBytes(), "[09:05:03] caf\xe9 ? ??.\r\n[09:05:03] next\r\n");
}

TEST_F(LogTest, UnwritableLogIsSaidOnceOnStandardErrorAndTheRunGoesOn)
{
    struct Case {
        const char* label;
        void (*make)(const std::filesystem::path& log);
    };
    const Case cases[] = {
        {"folder", [](const std::filesystem::path& log) { std::filesystem::create_directory(log); }},
        {"pipe", [](const std::filesystem::path& log) { ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0); }},
        {"device", [](const std::filesystem::path& log) { std::filesystem::create_symlink("/dev/full", log); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(directory / "log.txt");
        c.make(directory / "log.txt");
        ::testing::internal::CaptureStderr();
        Log::Instance()->Write(L"nobody reads this");
        Log::Instance()->Write(L"nor this");
        EXPECT_EQ(Log::Instance()->file, nullptr);
        Log::Instance()->Close();
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "log.txt cannot be written (Permission denied); running without a log\n");
        EXPECT_FALSE(std::filesystem::is_regular_file(directory / "log.txt"));
    }
}

TEST_F(LogTest, CloseFreesTheLogAndTheNextUseStartsAFreshFile)
{
    Log::Instance()->Write(L"first");
    Log::Instance()->Close();
    EXPECT_EQ(Log::Existing(), nullptr);
    Log::Instance()->Write(L"again");
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"again"});
}
