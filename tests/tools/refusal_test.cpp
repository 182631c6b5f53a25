// What zelvan says when it does not do the work, and that it then left the image alone.
#include <gtest/gtest.h>

#include "zelvan_run.h"

namespace tools_test {
namespace {

using testsupport::Bytes;

class ZelvanRefusal : public ::testing::Test {
protected:
    // Writes `sectors` sectors of fresh bytes at `first` with `options`, and
    // checks that the image did not change.
    ToolResult WriteUnchanged(const std::string& options, std::uint32_t first, std::uint32_t sectors) {
        const auto input = images.dir() / "input.bin";
        testsupport::WriteFile(input, testsupport::Pattern(std::size_t{sectors} * geometry.bytesPerSector, 1));
        const Bytes before = testsupport::ReadFile(images.disk());
        ToolResult result = RunZelvan(images.Drives() + " " + options + " -i " + Quote(input) + " " +
                                      std::to_string(first) + " " + std::to_string(sectors));
        EXPECT_TRUE(testsupport::ReadFile(images.disk()) == before) << "the image changed";
        return result;
    }

    Images images;
    FatGeometry geometry = ReadGeometry(images.disk());
    std::string bound = std::to_string(geometry.SizeBound());
};

TEST_F(ZelvanRefusal, FirstAtTheSizeBound) {
    const ToolResult result = WriteUnchanged("--yes write C", geometry.SizeBound(), 1);
    ExpectFailure(result, "FIRST " + bound + " is refused: it is not below drive C:'s size bound B = " + bound +
                              " sectors (" + std::to_string(geometry.Clusters()) + " clusters x " +
                              std::to_string(geometry.sectorsPerCluster) + " sectors, " +
                              std::to_string(std::uint64_t{geometry.SizeBound()} * geometry.bytesPerSector) + " bytes)");
}

TEST_F(ZelvanRefusal, RunThatReachesTheSizeBound) {
    const ToolResult result = WriteUnchanged("--yes write C", geometry.SizeBound() - 5, 5);
    ExpectFailure(result, "COUNT 5 is refused: FIRST + COUNT = " + bound + " is not below drive C:'s size bound");
    EXPECT_NE(result.err.find("at most 4 sectors can be moved"), std::string::npos) << result.err;
}

// The component adds FIRST and COUNT in 32 bits, where a run that ends at
// 2^32 sums to 0 and passes; zelvan adds them in 64 and moves nothing.
TEST_F(ZelvanRefusal, RunThatEndsAtTwoToThe32) {
    const std::uint32_t first = 1000, count = 0u - first;
    const std::string operands = " " + std::to_string(first) + " " + std::to_string(count);
    const std::string refused = "COUNT " + std::to_string(count) + " is refused: FIRST + COUNT = 4294967296 is not "
                                "below drive C:'s size bound B = " + bound + " sectors";
    const std::string room = "; from sector 1000 at most " + std::to_string(geometry.SizeBound() - first - 1) +
                             " sectors can be moved";
    // Two pieces and more of input, which a run that got under way would write.
    const auto input = images.dir() / "input.bin";
    testsupport::WriteFile(input, testsupport::Pattern(std::size_t{2049} * 1024, 2));
    const Bytes before = testsupport::ReadFile(images.disk());
    const ToolResult write = RunZelvan(images.Drives() + " --yes write C" + operands + " -i - < " + Quote(input));
    ExpectFailure(write, refused);
    EXPECT_NE(write.err.find("its 32-bit sum wraps to 0"), std::string::npos) << write.err;
    EXPECT_NE(write.err.find(room + "; nothing was written\n"), std::string::npos) << write.err;
    EXPECT_TRUE(testsupport::ReadFile(images.disk()) == before) << "the image changed";

    const auto output = images.dir() / "out.bin";
    const ToolResult read = RunZelvan(images.Drives() + " read C" + operands + " -o " + Quote(output));
    ExpectFailure(read, refused);
    EXPECT_NE(read.err.find(room + "\n"), std::string::npos) << read.err;
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(ZelvanRefusal, DeclinedConfirmation) {
    const ToolResult result = WriteUnchanged("--no write C", geometry.firstDataSector, 1);
    ExpectFailure(result, "the write was not confirmed (the answer to \"Dangerous! Do you want to write to the "
                          "drive C: really?\" was No); nothing was written");
}

TEST_F(ZelvanRefusal, InputOfAnotherLength) {
    const auto input = images.dir() / "short.bin";
    testsupport::WriteFile(input, Bytes(geometry.bytesPerSector * 2 - 1, 0xAA));
    const Bytes before = testsupport::ReadFile(images.disk());
    const std::string expected = std::to_string(geometry.bytesPerSector * 2);
    ExpectFailure(RunZelvan(images.Drives() + " --yes write C 100 2 -i " + Quote(input)),
                  "holds " + std::to_string(geometry.bytesPerSector * 2 - 1) + " bytes, but COUNT sectors take exactly " +
                      expected + "; nothing was written");
    ExpectFailure(RunZelvan(images.Drives() + " --yes write C 100 2 -i - < " + Quote(images.disk())),
                  "(standard input) holds more than " + expected + " bytes");
    EXPECT_TRUE(testsupport::ReadFile(images.disk()) == before);
}

TEST_F(ZelvanRefusal, DrivesTheComponentCannotUse) {
    ExpectFailure(RunZelvan(images.Drives() + " read Q 0 1"), "drive Q: is not mapped");
    ExpectFailure(WriteUnchanged("--yes floppy-write C 1440", 0, 1),
                  "drive C: is fixed, not removable: the floppy methods take only a removable drive");
    const auto sector = images.dir() / "sector.bin";
    testsupport::WriteFile(sector, Bytes(512, 0x55));
    const Bytes floppy = testsupport::ReadFile(images.floppy());
    ExpectFailure(RunZelvan(images.Drives() + " --drive E=" + Quote(images.floppy().string() + ":removable") +
                            " --yes floppy-write E 1440 0 1 -i " + Quote(sector)),
                  "floppy writes go only to A: or B:, not to E:");
    EXPECT_TRUE(testsupport::ReadFile(images.floppy()) == floppy);
}

TEST_F(ZelvanRefusal, TransfersThatFail) {
    ExpectFailure(RunZelvan(images.Drives() + " --retries 0 read C 0 1"), "no attempt was made: the retry count is 0");
    const Bytes before = testsupport::ReadFile(images.disk());
    const auto input = images.dir() / "sector.bin";
    testsupport::WriteFile(input, Bytes(geometry.bytesPerSector, 0x55));
    ExpectFailure(RunZelvan("--drive C=" + Quote(images.disk().string() + ":ro") + " --yes --retries 3 write C 200 1 -i " +
                            Quote(input)),
                  "the component could not write sectors 200 to 200 of C: (3 attempts, 9 WriteFile calls): the drive is "
                  "read-only");
    EXPECT_TRUE(testsupport::ReadFile(images.disk()) == before);
}

TEST(ZelvanUsage, MistakesExitTwoWithOneLine) {
    for (const std::string arguments :
         {"", "--bogus info C", "read C 0", "read C zero 1", "read C 0 0", "write C 0 1", "floppy-read A 999 0 1",
          "info 7", "read C 0 1 -o ''",
          "--platform windows info C", "--drive C info C", "--yes --no info C", "--retries 300 info C"}) {
        const ToolResult result = RunZelvan(arguments);
        EXPECT_EQ(result.status, 2) << arguments << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << arguments << ": " << result.err;
        EXPECT_NE(result.err.find("(see zelvan --help)"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

TEST(ZelvanUsage, VersionNamesTheToolAndTheProject) {
    for (const char* asked : {"--version", "-V", "read C 0 1 --version"}) {
        const ToolResult result = RunZelvan(asked);
        EXPECT_EQ(result.status, 0) << asked;
        EXPECT_EQ(result.out, std::string("zelvan ") + ZELVAN_VERSION + "\n") << asked;
        EXPECT_EQ(result.err, "") << asked;
    }
}

TEST(ZelvanUsage, HelpExplainsEveryOptionWithAnExample) {
    const ToolResult overview = RunZelvan("--help");
    ASSERT_EQ(overview.status, 0);
    for (const char* option : {"--drive", "--platform", "--retries", "--lock", "--no-warn", "--yes", "--no",
                               "--trace", "Example:", "floppy-write", "demo"})
        EXPECT_NE(overview.out.find(option), std::string::npos) << option;
    for (const std::string command : {"info", "read", "write", "floppy-read", "floppy-write", "demo"}) {
        const ToolResult help = RunZelvan(command + " --help");
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind("Usage: zelvan", 0), 0u) << command;
        EXPECT_NE(help.out.find("Example:\n  zelvan "), std::string::npos) << command;
    }
}

} // namespace
} // namespace tools_test
