// settings.ini: every row of the contents table and the sign rules.
#include <filesystem>

#include "support/settings.h"
#include "tests/system/system_fixture.h"

using SettingsTest = SystemTest;

namespace {
struct SettingsRow {
    const char* label;
    std::string content;
    uint32_t width, height, refreshRate;
};

class SettingsTable : public SystemTest, public ::testing::WithParamInterface<SettingsRow> {};
} // namespace

TEST_P(SettingsTable, ReadsFieldsUpToTheFirstBadOne)
{
    const SettingsRow& row = GetParam();
    scratch.Write("settings.ini", row.content);
    Application* application = Application::Instance();
    application->LoadSettings();
    EXPECT_EQ(application->width, row.width);
    EXPECT_EQ(application->height, row.height);
    EXPECT_EQ(application->refreshRate, row.refreshRate);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"Log created."});
}

INSTANTIATE_TEST_SUITE_P(
    Contents, SettingsTable,
    ::testing::Values(SettingsRow{"Empty", "", 800, 600, 60}, SettingsRow{"TwoNumbers", "1024 768", 1024, 768, 60},
                      SettingsRow{"LetterInTheMiddle", "1024 abc 75", 1024, 600, 60},
                      SettingsRow{"Commas", "800,600,60", 800, 600, 60},
                      SettingsRow{"TrailingText", "1024 768 75 and some words\nmore", 1024, 768, 75},
                      SettingsRow{"BlankLinesAndTabs", "\r\n\r\n\t1280\t\r\n\t720 \r\n\r\n  144\r\n", 1280, 720, 144},
                      SettingsRow{"OneLinePerNumber", "640\n480\n75\n", 640, 480, 75},
                      SettingsRow{"TooManyDigits", "99999999999 768 75", 800, 600, 60},
                      SettingsRow{"JustAboveThirtyTwoBits", "4294967296 768 75", 800, 600, 60},
                      SettingsRow{"LargestThirtyTwoBitValue", "4294967295 768 75", 4294967295u, 768, 75},
                      SettingsRow{"LeadingZeros", "0800 00600 060", 800, 600, 60},
                      SettingsRow{"HexPrefixReadsZeroThenStops", "0x400 768 75", 0, 600, 60},
                      SettingsRow{"Utf8Signature",
                                  "\xEF\xBB\xBF"
                                  "1024 768 75",
                                  800, 600, 60},
                      SettingsRow{"Utf16",
                                  std::string("\xFF\xFE"
                                              "1\0"
                                              "0\0"
                                              "2\0"
                                              "4\0",
                                              10),
                                  800, 600, 60},
                      SettingsRow{"PlusSign", "+1024 +768 +75", 1024, 768, 75},
                      SettingsRow{"MinusSignIsNotANumber", "1024 -768 75", 1024, 600, 60},
                      SettingsRow{"ZeroRefreshRate", "800 600 0", 800, 600, 0},
                      SettingsRow{"NumbersEndingAtTheLastByteRead",
                                  std::string(kSettingsBytesRead - 12, ' ') + "1024 768 75\n", 1024, 768, 75},
                      SettingsRow{"NumbersPastTheBytesRead", std::string(kSettingsBytesRead, '\n') + "1024 768 75", 800,
                                  600, 60}),
    [](const ::testing::TestParamInfo<SettingsRow>& row) { return std::string(row.param.label); });

TEST_F(SettingsTest, AMissingFileOrAFolderInItsPlaceKeepsTheDefaultsAndSaysSo)
{
    for (const bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "folder" : "missing");
        if (folder) std::filesystem::create_directory("settings.ini");
        Application::Destroy();
        Application* application = Application::Instance();
        application->LoadSettings();
        EXPECT_EQ(application->width, 800u);
        EXPECT_EQ(application->height, 600u);
        EXPECT_EQ(application->refreshRate, 60u);
        EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Log created.", "Couldn't open settings file."}));
    }
}

TEST_F(SettingsTest, FieldsAfterAFailureKeepWhateverValueTheyHad)
{
    scratch.Write("settings.ini", "7 x 9");
    Application* application = Application::Instance();
    application->width = 1;
    application->height = 2;
    application->refreshRate = 3;
    application->LoadSettings();
    EXPECT_EQ(application->width, 7u);
    EXPECT_EQ(application->height, 2u);
    EXPECT_EQ(application->refreshRate, 3u);
}
