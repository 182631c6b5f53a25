// Runs beyond 4 GiB of the stage's sparse FAT32 volume, which SetFilePointer
// reaches only with its high part: on the NT road the component reads them
// as the file holds them and writes exactly them, and nothing lands 4 GiB
// lower, where a position that lost its high part would.
#include <algorithm>
#include <fstream>

#include "stage_machine.h"

namespace windows_test {
namespace {

using testsupport::Bytes;

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;

// The bytes of the image from byte `at`, as many as `size`.
Bytes FileBytes(const std::filesystem::path& image, std::uint64_t at, std::size_t size) {
    std::ifstream in(image, std::ios::binary);
    Bytes bytes(size);
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
        throw std::runtime_error("cannot read " + std::to_string(size) + " bytes at " + std::to_string(at) + " of " +
                                 image.string());
    return bytes;
}

void PutFileBytes(const std::filesystem::path& image, std::uint64_t at, const Bytes& bytes) {
    std::fstream out(image, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(at));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class LargeVolume : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Stage().large) GTEST_SKIP() << "the stage mapped no large volume (--large)";
        drive = *Stage().large;
        data = Stage().largeData;
        ASSERT_GT(std::uint64_t{data.first} * kSectorBytes, kFourGiB) << "the data lies beyond 4 GiB";
    }
    MappedDrive drive{};
    SectorRun data{};
};

TEST_F(LargeVolume, ARunBeyond4GiBReadsAsTheFileHoldsItWithAndWithoutTheLock) {
    for (const bool lock : {false, true}) {
        const SectorRun run{data.first + 5, 8};
        SCOPED_TRACE(Describe(drive, run) + (lock ? ", locked" : ""));
        Orvane::TZelvan zelvan(nullptr);
        ASSERT_TRUE(Select(zelvan, drive.letter, run));
        zelvan.SetNeedDiskLock(lock);
        const std::span<unsigned char> buffer = LowBuffer(run.count * kSectorBytes);

        ASSERT_TRUE(zelvan.ReadSectors(buffer.data(), High(buffer)));

        EXPECT_TRUE(testsupport::SameBytes(Bytes(buffer.begin(), buffer.end()), ImageSectors(drive, run.first, run.count)));
        EXPECT_TRUE(UnitHandlesClosed());
    }
}

TEST_F(LargeVolume, ALockedWriteBeyond4GiBChangesExactlyItsRunAndNothing4GiBLower) {
    const SectorRun run{data.first + 100, 3};
    const std::uint64_t windowAt = std::uint64_t{data.first} * kSectorBytes;
    const std::size_t windowSize = std::size_t{data.count} * kSectorBytes;
    const Bytes window = FileBytes(drive.image, windowAt, windowSize);
    const Bytes lower = FileBytes(drive.image, windowAt - kFourGiB, windowSize);
    const auto size = std::filesystem::file_size(drive.image);
    Orvane::TZelvan zelvan(nullptr);
    ASSERT_TRUE(Select(zelvan, drive.letter, run));
    zelvan.SetNeedDiskLock(true);
    zelvan.SetNeedWriteWarn(false);
    const Bytes pattern = testsupport::Pattern(run.count * kSectorBytes, 91);
    const std::span<unsigned char> buffer = LowBuffer(pattern.size());
    std::ranges::copy(pattern, buffer.begin());

    const bool written = zelvan.WriteSectors(buffer.data(), High(buffer));

    Bytes expected = window;
    std::ranges::copy(pattern, expected.begin() + (run.first - data.first) * kSectorBytes);
    const Bytes after = FileBytes(drive.image, windowAt, windowSize);
    const Bytes lowerAfter = FileBytes(drive.image, windowAt - kFourGiB, windowSize);
    PutFileBytes(drive.image, windowAt, window);
    PutFileBytes(drive.image, windowAt - kFourGiB, lower);
    EXPECT_TRUE(written);
    EXPECT_TRUE(testsupport::SameBytes(after, expected));
    EXPECT_TRUE(testsupport::SameBytes(lowerAfter, lower)) << "a write landed 4 GiB below its run";
    EXPECT_EQ(std::filesystem::file_size(drive.image), size);
    EXPECT_TRUE(UnitHandlesClosed());
}

} // namespace
} // namespace windows_test
