#include "tools/modelgen/command_line.h"

#include <charconv>
#include <utility>

#include "tools/modelgen/assets.h"

namespace modelgen {
namespace {

ParsedCommandLine Fail(std::string message) { return {std::nullopt, std::move(message)}; }

} // namespace

std::string Usage()
{
    return "usage:\n"
           "  modelgen --out DIR [options]               the four models into DIR/<Model>/\n"
           "  modelgen --model NAME --out DIR [options]  one model (crate, level, sniper, skybox) into DIR\n"
           "  modelgen --large N --out FILE [options]    a model of about N triangles, textures beside it\n"
           "  modelgen --icons --out DIR                 the program's icon: walkthrough.ico and PNGs\n"
           "options:\n"
           "  --encoding E     text (default), text64, bin32, bin64, tzip32, tzip64, bzip32, bzip64\n"
           "  --templates      declare the standard templates in the file\n"
           "  --chain-blocks   compressed blocks use the previous block's output as dictionary\n"
           "  --no-textures    write the .x file only\n";
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string_view>& arguments)
{
    CommandLine line;
    bool haveModel = false;
    bool haveLarge = false;
    bool haveIcons = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view arg = arguments[i];
        const auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments[++i];
        };
        if (arg == "--help" || arg == "-h") {
            line.mode = RunMode::Help;
            return {line, {}};
        } else if (arg == "--out") {
            const auto v = value();
            if (!v || v->empty()) return Fail("--out needs a path");
            line.out = *v;
        } else if (arg == "--encoding") {
            const auto v = value();
            const auto encoding = v ? ParseXEncoding(*v) : std::nullopt;
            if (!encoding)
                return Fail("--encoding needs one of text, text64, bin32, bin64, tzip32, tzip64, bzip32, bzip64");
            line.output.encoding = *encoding;
        } else if (arg == "--model") {
            const auto v = value();
            bool known = false;
            for (const std::string& name : ModelNames()) known = known || (v && name == *v);
            if (!known) return Fail("--model needs one of crate, level, sniper, skybox");
            line.model = *v;
            haveModel = true;
        } else if (arg == "--large") {
            const auto v = value();
            int count = 0;
            if (!v) return Fail("--large needs a triangle count");
            const auto result = std::from_chars(v->data(), v->data() + v->size(), count);
            if (result.ec != std::errc{} || result.ptr != v->data() + v->size() || count < 2 || count > 20000000)
                return Fail("--large needs a triangle count from 2 to 20000000");
            line.largeTriangles = count;
            haveLarge = true;
        } else if (arg == "--icons") {
            haveIcons = true;
        } else if (arg == "--templates") {
            line.output.write.templates = true;
        } else if (arg == "--chain-blocks") {
            line.output.write.mszip.chainBlocks = true;
        } else if (arg == "--no-textures") {
            line.output.textures = false;
        } else {
            return Fail("unknown argument: " + std::string(arg));
        }
    }
    if (static_cast<int>(haveModel) + static_cast<int>(haveLarge) + static_cast<int>(haveIcons) > 1)
        return Fail("--model, --large and --icons exclude each other");
    if (line.out.empty()) return Fail("--out is required");
    line.mode = haveIcons ? RunMode::Icons
        : haveLarge       ? RunMode::Large
        : haveModel       ? RunMode::OneModel
                          : RunMode::AllModels;
    return {line, {}};
}

} // namespace modelgen
