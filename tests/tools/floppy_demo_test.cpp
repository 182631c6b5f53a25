// zelvan floppy-read, floppy-write and demo.
#include <gtest/gtest.h>

#include "zelvan_run.h"

namespace tools_test {
namespace {

using testsupport::Bytes;

TEST(ZelvanFloppy, ReadOnWindows95AndNtGivesTheImagesBytes) {
    const Images images;
    // Across the first track boundary (18 sectors per track on a 1.44 MB floppy).
    const Bytes expected = testsupport::DdRead(images.floppy(), 16 * 512, 4 * 512);
    for (const std::string platform : {"95", "98", "nt"}) {
        for (const std::string format : {"1440", "unknown"}) {
            const auto output = images.dir() / ("floppy-" + platform + "-" + format + ".bin");
            const ToolResult result = RunZelvan(images.Drives() + " --platform " + platform + " floppy-read a " + format +
                                                " 16 4 -o " + Quote(output));
            ASSERT_EQ(result.status, 0) << platform << " " << format << ": " << result.err;
            EXPECT_EQ(testsupport::ReadFile(output), expected) << platform << " " << format;
        }
    }
}

TEST(ZelvanFloppy, Windows95ReadsSectorBySectorThroughInterrupt13) {
    const Images images;
    const ToolResult result = RunZelvan(images.Drives() + " --platform 95 --trace floppy-read A 1440 16 4");
    ASSERT_EQ(result.status, 0) << result.err;
    std::size_t requests = 0;
    for (std::size_t at = result.err.find("VWIN32 INT13"); at != std::string::npos;
         at = result.err.find("VWIN32 INT13", at + 1))
        ++requests;
    EXPECT_EQ(requests, 4u) << result.err;
    EXPECT_EQ(result.out, testsupport::RunOk("dd if=" + Quote(images.floppy()) +
                                             " bs=512 skip=16 count=4 status=none | hexdump -C"));
}

// The fault plan of the environment makes the BIOS answer a status with
// carry set: once (media changed, then the retry reads), or on every attempt.
TEST(ZelvanFloppy, ABiosStatusFromZelvanFaultsIsRetriedOrReported) {
    const Images images;
    const auto output = images.dir() / "retried.bin";
    const ToolResult retried = RunZelvan(images.Drives() + " --platform 95 --trace floppy-read A 1440 16 4 -o " +
                                             Quote(output),
                                         "ZELVAN_FAULTS='INT13#2=0x06'");
    ASSERT_EQ(retried.status, 0) << retried.err;
    EXPECT_EQ(testsupport::ReadFile(output), testsupport::DdRead(images.floppy(), 16 * 512, 4 * 512));
    const auto count = [](const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count(retried.err, "VWIN32 INT13"), 5u) << retried.err;
    EXPECT_EQ(count(retried.err, "out(EAX=0x00000600"), 1u) << retried.err;
    EXPECT_EQ(count(retried.err, "planned fault"), 1u) << retried.err;

    const ToolResult failed = RunZelvan(images.Drives() + " --platform 95 floppy-read A 1440 16 4 -o " + Quote(output),
                                        "ZELVAN_FAULTS='INT13#2,3=0x04'");
    EXPECT_EQ(failed.status, 1);
    // Sector 16 read, then sector 17 refused twice.
    EXPECT_NE(failed.err.find("could not read sectors 16 to 19 of A: (2 attempts per sector, 3 INT 13h requests)"),
              std::string::npos)
        << failed.err;
}

TEST(ZelvanFloppy, WriteChangesOnlyItsSectorsOnBothRoads) {
    const Images images;
    std::uint32_t first = 40;
    for (const std::string platform : {"95", "nt"}) {
        const Bytes before = testsupport::ReadFile(images.floppy());
        const Bytes bytes = testsupport::Pattern(3 * 512, static_cast<std::uint8_t>(first));
        const auto input = images.dir() / "floppy-input.bin";
        testsupport::WriteFile(input, bytes);
        const ToolResult result = RunZelvan(images.Drives() + " --platform " + platform + " --yes floppy-write A 1440 " +
                                            std::to_string(first) + " 3 -i " + Quote(input));
        ASSERT_EQ(result.status, 0) << platform << ": " << result.err;
        Bytes expected = before;
        std::copy(bytes.begin(), bytes.end(), expected.begin() + first * 512);
        EXPECT_TRUE(testsupport::ReadFile(images.floppy()) == expected) << platform;
        first += 20;
    }
    testsupport::RunOk("fsck.fat -n " + Quote(images.floppy()));
}

TEST(ZelvanDemo, RunsOnItsOwnAndTellsEachStep) {
    const ToolResult result = RunZelvan("demo");
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    for (const char* step : {"\n1. ", "\n2. ", "\n3. ", "\n4. ", "\n5. ", "\n6. ", "\n7. ", "\n8. ", "the same bytes",
                             "->  Yes", "->  No", "is refused", "both reads are identical",
                             "byte 5120000000: SetFilePointer's low part 825032704, high part 1",
                             "which large.img holds at that byte", "|.R.NTFS    .....|",
                             "holds an NTFS file system, which Windows 95/98 does not recognise"})
        EXPECT_NE(result.out.find(step), std::string::npos) << step << "\n" << result.out;
    EXPECT_LT(std::count(result.out.begin(), result.out.end(), '\n'), 80);
    EXPECT_EQ(result.err, "");
}

} // namespace
} // namespace tools_test
