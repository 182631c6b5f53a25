// A drive whose medium holds no volume the machine mounts: read, write and
// info refuse it, saying what the medium holds and what reaches its
// sectors; a partition mapped with its offset and size is a drive of its own.
#include <gtest/gtest.h>

#include "zelvan_run.h"

namespace tools_test {
namespace {

namespace fs = std::filesystem;
using testsupport::Bytes;
using testsupport::partitionedFat;

class ZelvanNoVolume : public ::testing::Test {
protected:
    // The three commands on drive C: with `drives`, each refused with `facts`;
    // the write changes nothing.
    void ExpectRefused(const std::string& drives, const fs::path& image, std::initializer_list<std::string> facts) {
        const fs::path input = dir / "in.bin";
        testsupport::WriteFile(input, testsupport::Pattern(512, 9));
        const Bytes before = testsupport::ReadFile(image);
        const std::string commands[] = {"info C", "read C 0 1", "--yes write C 0 1 -i " + Quote(input)};
        for (const std::string& command : commands) {
            SCOPED_TRACE(command);
            ExpectFailure(RunZelvan(drives + " " + command), facts);
        }
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
    }

    testsupport::TempDir dir;
};

TEST_F(ZelvanNoVolume, APartitionedDiskIsRefusedWithItsPartitionsAndTheMappingThatReachesOne) {
    const fs::path disk = testsupport::MakePartitionedImage(dir, "disk.img");
    const std::string mapping = disk.string() + ":offset=1048576:size=16777216";
    ExpectRefused("--drive C=" + Quote(disk), disk,
                  {"drive C: cannot be measured: its backing '" + disk.string() + "' holds no FAT boot sector: it does "
                   "not begin with a jump instruction (0xEB or 0xE9) (GetDiskFreeSpaceA: the medium holds no file "
                   "system Windows recognizes (ERROR_UNRECOGNIZED_VOLUME)); it begins with a master boot record (MBR) "
                   "of 2 partitions: 1 (active), FAT16 (LBA), type 0x0E, sectors 2048 to 34815 (32768 sectors, 16.0 "
                   "MiB); 2, Linux, type 0x83, sectors 34816 to 67583 (32768 sectors, 16.0 MiB); the component moves "
                   "sectors only of a drive it can measure: map a partition as a drive of its own, such as partition 1 "
                   "(--drive C=" + mapping + "), or floppy-read and floppy-write reach the sectors of a removable "
                   "drive, whatever it holds (map it with :removable)\n"});

    // The mapping it names reaches the partition's sectors on every road,
    // and writes nothing outside it.
    const fs::path output = dir / "out.bin", input = dir / "in.bin";
    for (const std::string platform : {"nt", "95", "98"}) {
        SCOPED_TRACE(platform);
        const std::string drive = "--drive C=" + Quote(mapping) + " --platform " + platform;
        const ToolResult read = RunZelvan(drive + " read C 0 4 -o " + Quote(output));
        ASSERT_EQ(read.status, 0) << read.err;
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(output),
                                           testsupport::DdRead(disk, partitionedFat.Offset(), 4 * 512)));
        const Bytes before = testsupport::ReadFile(disk), bytes = testsupport::Pattern(512, platform[0]);
        testsupport::WriteFile(input, bytes);
        const ToolResult write = RunZelvan(drive + " --yes write C 100 1 -i " + Quote(input));
        ASSERT_EQ(write.status, 0) << write.err;
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(disk),
                                           testsupport::Overwritten(before, partitionedFat.Offset() + 100 * 512, bytes)));
    }
}

TEST_F(ZelvanNoVolume, AZeroedOrDamagedVolumeIsRefusedSayingWhatItHolds) {
    const fs::path zeros = dir / "zeros.img";
    testsupport::WriteFile(zeros, Bytes(1474560, 0));
    const std::string blank = "; its first sector holds only zeros: no boot sector and no partition table, as on a "
                              "blank or wiped medium; the component moves sectors only of a drive it can measure: ";
    ExpectRefused("--drive C=" + Quote(zeros), zeros,
                  {blank + "floppy-read and floppy-write reach the sectors of a removable drive, whatever it holds (map "
                           "it with :removable)\n"});
    ExpectRefused("--drive C=" + Quote(zeros.string() + ":removable"), zeros,
                  {blank + "floppy-read and floppy-write reach its sectors, whatever it holds (FORMAT 1440 is its "
                           "size)\n"});

    const fs::path damaged = testsupport::MakeFatImage(dir, "damaged.img", 1440, "");
    Bytes bytes = testsupport::ReadFile(damaged);
    bytes[13] = 3;
    testsupport::WriteFile(damaged, bytes);
    ExpectRefused("--drive C=" + Quote(damaged), damaged,
                  {"holds no FAT boot sector: sectors per cluster is 3, not a power of two from 1 to 128",
                   "; its first sector holds no partition table, and no boot sector of a volume the machine mounts; "
                   "the component moves sectors only of a drive it can measure: floppy-read and floppy-write reach"});
}

} // namespace
} // namespace tools_test
