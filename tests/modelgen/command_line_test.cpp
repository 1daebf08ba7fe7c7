#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "tools/modelgen/command_line.h"

namespace {

using namespace modelgen;

ParsedCommandLine Parse(std::vector<std::string_view> args) { return ParseCommandLine(args); }

TEST(CommandLine, AcceptsEachMode)
{
    const ParsedCommandLine all = Parse({"--out", "Models"});
    ASSERT_TRUE(all.commandLine);
    EXPECT_EQ(all.commandLine->mode, RunMode::AllModels);
    EXPECT_EQ(all.commandLine->out, "Models");
    EXPECT_TRUE(all.commandLine->output.encoding == *ParseXEncoding("text"));
    EXPECT_TRUE(all.commandLine->output.textures);
    EXPECT_FALSE(all.commandLine->output.write.templates);
    EXPECT_FALSE(all.commandLine->output.write.mszip.chainBlocks);

    const ParsedCommandLine one = Parse({"--model", "skybox", "--encoding", "bzip64", "--out", "dir", "--no-textures",
                                         "--templates", "--chain-blocks"});
    ASSERT_TRUE(one.commandLine);
    EXPECT_EQ(one.commandLine->mode, RunMode::OneModel);
    EXPECT_EQ(one.commandLine->model, "skybox");
    EXPECT_TRUE(one.commandLine->output.encoding == *ParseXEncoding("bzip64"));
    EXPECT_FALSE(one.commandLine->output.textures);
    EXPECT_TRUE(one.commandLine->output.write.templates);
    EXPECT_TRUE(one.commandLine->output.write.mszip.chainBlocks);

    const ParsedCommandLine large = Parse({"--large", "500000", "--out", "big.x", "--encoding", "bin32"});
    ASSERT_TRUE(large.commandLine);
    EXPECT_EQ(large.commandLine->mode, RunMode::Large);
    EXPECT_EQ(large.commandLine->largeTriangles, 500000);

    const ParsedCommandLine icons = Parse({"--icons", "--out", "packaging/icons"});
    ASSERT_TRUE(icons.commandLine);
    EXPECT_EQ(icons.commandLine->mode, RunMode::Icons);
    EXPECT_EQ(icons.commandLine->out, "packaging/icons");

    const ParsedCommandLine help = Parse({"--help"});
    ASSERT_TRUE(help.commandLine);
    EXPECT_EQ(help.commandLine->mode, RunMode::Help);
}

TEST(CommandLine, RejectsBadArguments)
{
    const std::vector<std::vector<std::string_view>> bad = {
        {},
        {"--encoding", "text"},
        {"--out"},
        {"--out", ""},
        {"--out", "x", "--encoding"},
        {"--out", "x", "--encoding", "zip"},
        {"--out", "x", "--model", "tank"},
        {"--out", "x", "--model"},
        {"--out", "x", "--large", "many"},
        {"--out", "x", "--large", "12x"},
        {"--out", "x", "--large", "-5"},
        {"--out", "x", "--large", "1"},
        {"--out", "x", "--large", "999999999"},
        {"--out", "x", "--large", "10", "--model", "crate"},
        {"--out", "x", "--icons", "--model", "crate"},
        {"--icons"},
        {"--out", "x", "--verbose"},
        {"Models"},
    };
    for (const auto& args : bad) {
        const ParsedCommandLine parsed = Parse(args);
        std::string joined;
        for (const auto a : args) joined += std::string(a) + " ";
        EXPECT_FALSE(parsed.commandLine) << joined;
        EXPECT_FALSE(parsed.error.empty()) << joined;
    }
}

} // namespace
