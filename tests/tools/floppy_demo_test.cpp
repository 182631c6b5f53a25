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

// What a blank or damaged floppy holds: only zeros, or a FAT image whose
// boot sector gives 3 sectors per cluster.
std::vector<Bytes> DisksWithNoFileSystem(const Images& images) {
    Bytes damaged = testsupport::ReadFile(images.floppy());
    damaged[13] = 3;
    return {Bytes(damaged.size(), 0), damaged};
}

// The floppy methods move the sectors of a disk that no file system the
// machine knows is on, on every road; the component checks FIRST and COUNT
// against the drive it keeps, C:, and with no drive at all takes the run it
// holds as created: sector 0, the boot sector.
TEST(ZelvanFloppy, ADiskWithNoFileSystemIsReadAndWrittenOnEveryRoad) {
    const Images images;
    const auto disk = images.dir() / "blank.img", output = images.dir() / "out.bin", input = images.dir() / "boot.bin";
    const std::string floppy = "--drive A=" + Quote(disk.string() + ":removable");
    std::uint8_t seed = 1;
    for (const Bytes& medium : DisksWithNoFileSystem(images)) {
        for (const std::string platform : {"nt", "95", "98"}) {
            SCOPED_TRACE(platform + (medium[0] == 0 ? " zeros" : " damaged"));
            testsupport::WriteFile(disk, medium);
            const Bytes boot = testsupport::Pattern(512, seed++);
            testsupport::WriteFile(input, boot);
            const std::string on = floppy + " --platform " + platform;
            const ToolResult write = RunZelvan(on + " --yes floppy-write A 1440 0 1 -i " + Quote(input));
            ASSERT_EQ(write.status, 0) << write.err;
            const Bytes written = testsupport::Overwritten(medium, 0, boot);
            EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(disk), written));
            const ToolResult read = RunZelvan(on + " floppy-read A 1440 0 1 -o " + Quote(output));
            ASSERT_EQ(read.status, 0) << read.err;
            EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), boot));
            // Every sector of the disk, its own size bound's reach or not.
            const ToolResult whole = RunZelvan(on + " --drive C=" + Quote(images.disk()) + " floppy-read A 1440 0 2880 -o " +
                                               Quote(output));
            ASSERT_EQ(whole.status, 0) << whole.err;
            EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), written));
        }
    }
}

TEST(ZelvanFloppy, TheRunOfADiskWithNoFileSystemIsCheckedAgainstTheDriveTheComponentKeeps) {
    const Images images;
    const auto disk = images.dir() / "blank.img", small = images.dir() / "small.img", output = images.dir() / "out.bin";
    testsupport::WriteFile(disk, Bytes(1474560, 0));
    const std::string floppy = "--drive A=" + Quote(disk.string() + ":removable");
    const std::string unmeasured = "drive A: cannot be measured: its backing '" + disk.string() + "' holds no FAT boot sector";
    for (const std::string run : {"0 2", "1 1"})
        ExpectFailure(RunZelvan(floppy + " floppy-read A 1440 " + run + " -o " + Quote(output)),
                      {"are refused: the component checks a floppy run's FIRST and COUNT against its DriveName drive, "
                       "and has none: " + unmeasured,
                       "and C:, which a new component selects, is not mapped; as created it holds FIRST 0 and COUNT 1 and "
                       "takes no other run: map a drive C: whose size bound B is above FIRST + COUNT (--drive C=PATH)"});
    EXPECT_FALSE(std::filesystem::exists(output));

    // A 720 KB FAT12 volume: B = 713 clusters x 2 sectors.
    testsupport::MakeFatImage(images.dir(), "small.img", 720, "-F 12");
    const std::string both = floppy + " --drive C=" + Quote(small);
    ExpectFailure(RunZelvan(both + " floppy-read A 1440 0 1426"),
                  {"COUNT 1426 is refused: FIRST + COUNT = 1426 is not below drive C:'s size bound B = 1426 sectors",
                   "the component checks a floppy run's FIRST and COUNT against its DriveName drive, which stays C: "
                   "while " + unmeasured});
    const ToolResult taken = RunZelvan(both + " floppy-read A 1440 0 1425 -o " + Quote(output));
    ASSERT_EQ(taken.status, 0) << taken.err;
    EXPECT_EQ(taken.err, "");
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), Bytes(1425 * 512, 0)));

    // A disk that can be measured is the DriveName drive itself, whose B a
    // larger C: lifts only when --drive-name names it.
    ExpectFailure(RunZelvan(images.Drives() + " floppy-read A 1440 2846 1"),
                  "COUNT 1 is refused: FIRST + COUNT = 2847 is not below drive A:'s size bound B = 2847 sectors");
    const ToolResult whole = RunZelvan(images.Drives() + " --drive-name C floppy-read A 1440 0 2880 -o " + Quote(output));
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output), testsupport::ReadFile(images.floppy())));
    ExpectFailure(RunZelvan(images.Drives() + " --drive-name A floppy-read A 1440 0 2880"),
                  "COUNT 2880 is refused: FIRST + COUNT = 2880 is not below drive A:'s size bound B = 2847 sectors");
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
