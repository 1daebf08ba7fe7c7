// The log file: line format, stamps, truncation, failure and narrowing.
#include <filesystem>
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

TEST_F(LogTest, MessageIsWrittenUnchangedIncludingLineBreaks)
{
    Log::Instance()->Write(L"  a\tb \"c\" \nrest");
    EXPECT_EQ(LogBytes(), "[09:05:03]   a\tb \"c\" \nrest\r\n");
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

TEST_F(LogTest, UnwritableLogIsSilentlySkipped)
{
    if (geteuid() == 0) {
        // Root writes anywhere; a directory in the file's place fails the open for everyone.
        std::filesystem::create_directory(directory / "log.txt");
    } else {
        std::filesystem::permissions(directory,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    Log::Instance()->Write(L"nobody reads this");
    Log::Instance()->Write(L"nor this");
    EXPECT_TRUE(Log::Instance()->stream.fail());
    EXPECT_FALSE(std::filesystem::is_regular_file(directory / "log.txt"));
}

TEST_F(LogTest, CloseFreesTheLogAndTheNextUseStartsAFreshFile)
{
    Log::Instance()->Write(L"first");
    Log::Instance()->Close();
    EXPECT_EQ(Log::Existing(), nullptr);
    Log::Instance()->Write(L"again");
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"again"});
}
