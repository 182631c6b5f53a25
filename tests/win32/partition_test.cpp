// A drive mapped to a partition of a disk image (offset=, size=): the
// partition is the whole of what the drive's volume and services reach, as
// a drive letter of Windows is a partition of its disk.
#include <filesystem>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;
using testsupport::partitionedFat;

class PartitionTest : public HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        disk = testsupport::MakePartitionedImage(dir, "disk.img");
        hosted::MapDrive('C', {disk.string(), hosted::DriveKind::Fixed, false,
                               {partitionedFat.Offset(), partitionedFat.Bytes()}});
    }

    std::filesystem::path disk;
};

// The partition copied to a file of its own is the oracle: a drive on it
// measures and reads as the partition does.
TEST_F(PartitionTest, ItMeasuresAndReadsAsACopyOfThePartitionAlone) {
    const std::filesystem::path copy = dir / "copy.img";
    testsupport::WriteFile(copy, testsupport::DdRead(disk, partitionedFat.Offset(), partitionedFat.Bytes()));
    hosted::MapDrive('D', {copy.string()});
    DWORD c[4] = {}, d[4] = {};
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &c[0], &c[1], &c[2], &c[3]));
    ASSERT_TRUE(GetDiskFreeSpaceA("D:\\", &d[0], &d[1], &d[2], &d[3]));
    EXPECT_EQ(std::vector<DWORD>(c, c + 4), std::vector<DWORD>(d, d + 4));
    const OwnedHandle volume(OpenVolume('C', GENERIC_READ));
    EXPECT_TRUE(testsupport::SameBytes(ReadVolume(volume.get(), 0, static_cast<DWORD>(partitionedFat.Bytes())),
                                       testsupport::ReadFile(copy)));
}

TEST_F(PartitionTest, ItsEndIsTheVolumesAndNothingBeyondIsWritten) {
    const Bytes before = testsupport::ReadFile(disk);
    const OwnedHandle volume(OpenVolume('C'));
    ASSERT_TRUE(volume.valid());
    Bytes sector(512, 0x5A);
    DWORD done = 0;
    const auto end = static_cast<LONG>(partitionedFat.Bytes());
    ASSERT_EQ(SetFilePointer(volume.get(), end, nullptr, FILE_BEGIN), DWORD(end));
    EXPECT_FALSE(ReadFile(volume.get(), sector.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SECTOR_NOT_FOUND});
    EXPECT_FALSE(WriteFile(volume.get(), sector.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_HANDLE_EOF});
    // The last sector of the partition, and nothing else of the disk.
    ASSERT_EQ(SetFilePointer(volume.get(), end - 512, nullptr, FILE_BEGIN), DWORD(end - 512));
    ASSERT_TRUE(WriteFile(volume.get(), sector.data(), 512, &done, nullptr)) << GetLastError();
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(disk),
                                       testsupport::Overwritten(before, partitionedFat.Offset() + end - 512, sector)));
}

// Without its window the disk holds no volume: its first sector is the
// partition table.
TEST_F(PartitionTest, TheWholeDiskIsNoVolume) {
    hosted::MapDrive('E', {disk.string()});
    DWORD value = 0;
    EXPECT_FALSE(GetDiskFreeSpaceA("E:\\", &value, &value, &value, &value));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_UNRECOGNIZED_VOLUME});
    const std::optional<hosted::DriveInspection> inspection = hosted::InspectDrive('E');
    ASSERT_TRUE(inspection);
    EXPECT_EQ(inspection->start, testsupport::DdRead(disk, 0, 512));
    EXPECT_EQ(hosted::InspectDrive('C')->start, testsupport::DdRead(disk, partitionedFat.Offset(), 512));
    EXPECT_EQ(hosted::InspectDrive('C')->bytes, partitionedFat.Bytes());
}

// The medium a drive keeps between uses is the one of its window: mapped
// again without it, the same file is the whole disk.
TEST_F(PartitionTest, MappedAgainWithAnotherWindowTheDriveIsTheOtherPart) {
    {
        const OwnedHandle volume(OpenVolume('C', GENERIC_READ));
        EXPECT_EQ(ReadVolume(volume.get(), 0, 512), testsupport::DdRead(disk, partitionedFat.Offset(), 512));
    }
    hosted::MapDrive('C', {disk.string()});
    const OwnedHandle volume(OpenVolume('C', GENERIC_READ));
    EXPECT_EQ(ReadVolume(volume.get(), 0, 512), testsupport::DdRead(disk, 0, 512));
}

} // namespace
} // namespace hostedtest
