#include <gtest/gtest.h>

#include "common/outcome.h"
#include "zelvan/arguments.h"

namespace zelvan_cli {
namespace {

Invocation Parse(std::vector<std::string_view> arguments) { return ParseArguments(arguments); }

std::string UsageMessage(std::vector<std::string_view> arguments) {
    try {
        Parse(arguments);
    } catch (const tools::UsageError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(Arguments, ReadTakesLetterFirstCountAndOutput) {
    const Invocation got = Parse({"--drive", "C=disk.img", "read", "c:", "10", "4", "-o", "out.bin"});
    ASSERT_NE(got.command, nullptr);
    EXPECT_EQ(got.command->name, "read");
    EXPECT_EQ(got.drive, 'c');
    EXPECT_EQ(got.first, 10u);
    EXPECT_EQ(got.count, 4u);
    EXPECT_EQ(got.outputPath, "out.bin");
    EXPECT_EQ(got.machine.drives, std::vector<std::string>{"C=disk.img"});
}

TEST(Arguments, OptionsMayFollowTheCommandAndTakeInlineValues) {
    const Invocation got = Parse({"write", "A", "0", "1", "--platform=95", "-i", "-", "--retries", "7", "--lock",
                                  "--no-warn", "--yes", "--drive=A=f.img:removable", "--drive", "C=d.img"});
    ASSERT_NE(got.command, nullptr);
    EXPECT_EQ(got.command->name, "write");
    EXPECT_EQ(got.inputPath, "-");
    EXPECT_EQ(got.machine.platform, "95");
    EXPECT_EQ(got.component.retries, 7);
    EXPECT_TRUE(got.component.lock);
    EXPECT_TRUE(got.component.noWarn);
    EXPECT_EQ(got.machine.answer, true);
    EXPECT_EQ(got.machine.drives, (std::vector<std::string>{"A=f.img:removable", "C=d.img"}));
}

// One value an option: a second one is refused rather than one of them
// silently lost; only --drive names several drives.
TEST(Arguments, AnOptionGivenTwiceIsRefusedUnlessItIsRepeatable) {
    EXPECT_EQ(UsageMessage({"--platform", "95", "read", "C", "0", "1", "--platform=98"}), "--platform is given twice");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "-o", "a", "-o", "b"}), "-o is given twice");
    EXPECT_EQ(UsageMessage({"--lock", "--lock", "info", "C"}), "--lock is given twice");
    EXPECT_EQ(UsageMessage({"--trace", "--trace=x", "info", "C"}), "--trace is given twice");
    EXPECT_EQ(Parse({"--drive=A=a.img", "--drive", "C=c.img", "info", "C"}).machine.drives,
              (std::vector<std::string>{"A=a.img", "C=c.img"}));
}

TEST(Arguments, TraceGoesToStandardErrorUnlessAFileIsNamed) {
    EXPECT_EQ(Parse({"--trace", "info", "C"}).machine.trace, "-");
    EXPECT_EQ(Parse({"--trace=calls.log", "info", "C"}).machine.trace, "calls.log");
    EXPECT_FALSE(Parse({"info", "C"}).machine.trace.has_value());
}

TEST(Arguments, FloppyFormatsMapToTheComponentsTypes) {
    const std::vector<std::pair<std::string_view, Orvane::TFloppyType>> formats{
        {"360", Orvane::D360}, {"720", Orvane::D720}, {"1200", Orvane::D1200},
        {"1440", Orvane::D1440}, {"unknown", Orvane::DUnknown}};
    for (const auto& [name, type] : formats) {
        const Invocation got = Parse({"floppy-read", "A", name, "18", "2"});
        EXPECT_EQ(got.format, type) << name;
        EXPECT_EQ(got.first, 18u);
    }
    EXPECT_NE(UsageMessage({"floppy-read", "A", "1.44", "0", "1"}).find("FORMAT must be"), std::string::npos);
}

TEST(Arguments, ForceAndDriveNameBelongToFloppyRuns) {
    EXPECT_TRUE(Parse({"floppy-write", "A", "720", "9", "1", "-i", "x", "--force"}).force);
    EXPECT_TRUE(Parse({"floppy-read", "A", "720", "9", "1", "--force"}).force);
    EXPECT_FALSE(Parse({"floppy-write", "A", "720", "9", "1", "-i", "x"}).force);
    EXPECT_EQ(Parse({"floppy-read", "A", "720", "9", "1", "--drive-name", "c:"}).driveName, 'c');
    EXPECT_EQ(Parse({"floppy-read", "A", "720", "9", "1"}).driveName, std::nullopt);
    EXPECT_EQ(UsageMessage({"--drive-name", "C", "read", "C", "0", "1"}),
              "--drive-name belongs to floppy-read and floppy-write");
    EXPECT_EQ(UsageMessage({"floppy-read", "A", "720", "9", "1", "--drive-name=CD"}),
              "--drive-name must be one drive letter from A to Z, such as C or C:, not 'CD'");
}

TEST(Arguments, HelpNeedsNothingElseAndNamesTheCommand) {
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_EQ(Parse({"--help"}).command, nullptr);
    const Invocation got = Parse({"write", "--help"});
    EXPECT_TRUE(got.help);
    ASSERT_NE(got.command, nullptr);
    EXPECT_EQ(got.command->name, "write");
}

TEST(Arguments, OutputAndInputHaveLongForms) {
    EXPECT_EQ(Parse({"read", "C", "0", "1", "--output=out.bin"}).outputPath, "out.bin");
    EXPECT_EQ(Parse({"read", "C", "0", "1", "--output", "-"}).outputPath, "-");
    EXPECT_EQ(Parse({"write", "C", "0", "1", "--input", "in.bin"}).inputPath, "in.bin");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "-o", "a", "--output=b"}), "--output is given twice");
}

TEST(Arguments, OffsetsBelongToTheHexDump) {
    EXPECT_TRUE(Parse({"read", "C", "0", "1", "--offsets", "volume"}).volumeOffsets);
    EXPECT_FALSE(Parse({"floppy-read", "A", "1440", "0", "1", "--offsets=run"}).volumeOffsets);
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "--offsets", "disk"}),
              "--offsets takes run (from 0) or volume (the volume's byte offsets), not 'disk'");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "-o", "x", "--offsets", "volume"}),
              "--offsets belongs to the hex dump, which -o FILE replaces");
    EXPECT_EQ(UsageMessage({"info", "C", "--offsets", "run"}), "--offsets belongs to read and floppy-read");
}

TEST(Arguments, DoubleDashEndsTheOptions) {
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "--", "--lock"}), "read takes 3 operands, not 4");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "--", "--help"}), "read takes 3 operands, not 4");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "-o", "--"}), "(accepted)");
    EXPECT_EQ(Parse({"read", "C", "0", "1", "-o", "--"}).outputPath, "--");
}

TEST(Arguments, VersionNeedsNothingElse) {
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_TRUE(Parse({"read", "-V"}).version);
    EXPECT_FALSE(Parse({"info", "C"}).version);
    EXPECT_EQ(UsageMessage({"--version=1"}), "--version takes no value");
}

TEST(Arguments, NumbersAreWholeAnd32Bit) {
    EXPECT_EQ(Parse({"read", "C", "4294967295", "1"}).first, 4294967295u);
    for (std::string_view bad : {"4294967296", "-1", "12x", "", "0x10"})
        EXPECT_NE(UsageMessage({"read", "C", bad, "1"}).find("FIRST must be a whole number"), std::string::npos)
            << bad;
    // The range a message gives is the range taken.
    EXPECT_EQ(UsageMessage({"read", "C", "0", "0"}), "COUNT must be a whole number from 1 to 4294967295, not '0'");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "x"}), "COUNT must be a whole number from 1 to 4294967295, not 'x'");
    EXPECT_NE(UsageMessage({"read", "C", "4294967295", "2"}).find("reaches past sector 4294967295"),
              std::string::npos);
    EXPECT_EQ(Parse({"--retries", "255", "info", "C"}).component.retries, 255);
    EXPECT_NE(UsageMessage({"--retries", "256", "info", "C"}).find("--retries must be"), std::string::npos);
}

TEST(Arguments, MalformedCommandLinesAreNamed) {
    EXPECT_EQ(UsageMessage({}), "no command given");
    EXPECT_EQ(UsageMessage({"format", "C"}), "unknown command 'format'");
    EXPECT_EQ(UsageMessage({"--bogus", "info", "C"}), "unknown option '--bogus'");
    EXPECT_EQ(UsageMessage({"--force", "info", "C"}), "--force belongs to floppy-read and floppy-write");
    EXPECT_EQ(UsageMessage({"read", "C", "0"}), "read takes 3 operands, not 2");
    for (std::string_view letter : {"CD", "1", "1:", "[", ""})
        EXPECT_EQ(UsageMessage({"info", letter}),
                  "LETTER must be one drive letter from A to Z, such as C or C:, not '" + std::string(letter) + "'");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "-o", ""}), "-o needs a file name, not ''");
    EXPECT_EQ(UsageMessage({"write", "C", "0", "1", "-i", ""}), "-i needs a file name, not ''");
    EXPECT_EQ(UsageMessage({"write", "C", "0", "1"}), "write needs -i FILE (- for standard input)");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "-i", "x"}), "-i FILE belongs to write and floppy-write");
    EXPECT_EQ(UsageMessage({"write", "C", "0", "1", "-i", "x", "-o", "y"}), "-o FILE belongs to read, floppy-read and map");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "-o"}), "-o needs FILE");
    EXPECT_EQ(UsageMessage({"map", "C"}), "map needs -o FILE");
    EXPECT_EQ(UsageMessage({"write", "C", "0", "1", "-i", "x", "--rescue", "m"}),
              "--rescue MAPFILE belongs to read, floppy-read and map");
    EXPECT_EQ(UsageMessage({"read", "C", "0", "1", "--rescue", "m"}),
              "--rescue MAPFILE needs -o FILE, which the rescued sectors fill at their places");
    EXPECT_EQ(UsageMessage({"--retries"}), "--retries needs N");
    EXPECT_EQ(UsageMessage({"--lock=yes", "info", "C"}), "--lock takes no value");
    EXPECT_EQ(UsageMessage({"--yes", "--no", "info", "C"}), "--yes and --no cannot both be given");
    EXPECT_EQ(UsageMessage({"--help=x"}), "--help takes no value");
    EXPECT_EQ(UsageMessage({"--yes", "demo"}), "demo sets up its own machine and takes no options, not '--yes'");
}

} // namespace
} // namespace zelvan_cli
