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
    for (const char* step : {"\n1. ", "\n2. ", "\n3. ", "\n4. ", "\n5. ", "\n6. ", "the same bytes", "->  Yes",
                             "->  No", "is refused", "both reads are identical"})
        EXPECT_NE(result.out.find(step), std::string::npos) << step << "\n" << result.out;
    EXPECT_LT(std::count(result.out.begin(), result.out.end(), '\n'), 60);
    EXPECT_EQ(result.err, "");
}

} // namespace
} // namespace tools_test
