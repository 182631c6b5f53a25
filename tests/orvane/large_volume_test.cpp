// A FAT32 volume of 5 GiB, sparse on disk: the NT road reaches every sector
// by a 64-bit position, the offset that reaches SetFilePointer is exactly
// FirstSector x bytes per sector, and nothing wraps.
#include <atomic>
#include <thread>

#include "machine_fixture.h"
#include "orvane/orvane.h"
#include "peer.h"
#include "sparse_image.h"

namespace orvane_test {
namespace {

using Orvane::TZelvan;
using testsupport::Bytes;

constexpr std::uint64_t twoGiB = std::uint64_t{1} << 31;
constexpr std::uint64_t fourGiB = std::uint64_t{1} << 32;

class LargeVolumeTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        image = MapFat('C', 5 * 1024 * 1024, "-F 32");
        z = std::make_unique<TZelvan>(nullptr);
        z->SetNeedWriteWarn(false);
    }
    void Run(TZelvan& zelvan, Orvane::Cardinal first, Orvane::Cardinal count) {
        zelvan.SetSectors(0);
        zelvan.SetFirstSector(first);
        zelvan.SetSectors(count);
        ASSERT_EQ(zelvan.FirstSector(), first);
        ASSERT_EQ(zelvan.Sectors(), count);
    }
    // Bytes put into the image with dd, so that a read from the wrong place shows.
    void Plant(std::uint64_t offset, const Bytes& bytes) {
        testsupport::WriteFile(dir / "plant.bin", bytes);
        testsupport::RunOk("dd if='" + (dir / "plant.bin").string() + "' of='" + image.string() +
                           "' bs=512 seek=" + std::to_string(offset) + " oflag=seek_bytes conv=notrunc status=none");
    }
    // Reads the run on the NT road and writes another pattern over it: the
    // read gives dd's bytes, the one SetFilePointer names the run's offset in
    // two halves, and the write changes the image by exactly the run.
    void ReadAndWrite(std::uint64_t first, std::uint32_t count, std::uint8_t seed) {
        const std::uint64_t offset = first * 512;
        Plant(offset, testsupport::Pattern(count * 512, seed));
        Run(*z, static_cast<Orvane::Cardinal>(first), count);
        Bytes buffer(count * 512);
        hosted::ClearJournal();
        ASSERT_TRUE(z->ReadSectors(buffer.data(), static_cast<int>(buffer.size()) - 1)) << first;
        EXPECT_TRUE(testsupport::SameBytes(buffer, testsupport::DdRead(image, offset, count * 512))) << first;
        EXPECT_EQ(PositionedAt(), std::vector<std::string>{Positioned(offset)}) << first;

        testsupport::SparseImage expected = testsupport::SparseImage::Read(image);
        const Bytes data = testsupport::Pattern(count * 512, static_cast<std::uint8_t>(seed + 1));
        expected.Write(offset, data);
        ASSERT_TRUE(z->WriteSectors(data.data(), static_cast<int>(data.size()) - 1)) << first;
        EXPECT_TRUE(testsupport::SameImage(testsupport::SparseImage::Read(image), expected)) << first;
    }
    // SetFilePointer's lines, without the handle.
    static std::vector<std::string> PositionedAt() {
        std::vector<std::string> lines;
        for (const std::string& line : Lines("SetFilePointer")) lines.push_back(line.substr(line.find(',') + 2));
        return lines;
    }
    static std::string Positioned(std::uint64_t offset) {
        const auto low = static_cast<DWORD>(offset);
        const std::string high = std::to_string(offset >> 32);
        return std::to_string(static_cast<LONG>(low)) + ", [" + high + "], FILE_BEGIN) = " + std::to_string(low) +
               " (high " + high + ")";
    }

    std::filesystem::path image;
    std::unique_ptr<TZelvan> z;
};

TEST_F(LargeVolumeTest, SectorsFarBeyondFourGiBAreReadAndWrittenInPlace) {
    ReadAndWrite(6000000, 8, 11);
    ReadAndWrite(10000000, 16, 23);
    // The last sector the size bound lets a run start at.
    ReadAndWrite(SizeBound(image) - 2, 1, 37);
}

TEST_F(LargeVolumeTest, RunsAcrossTwoAndFourGiBAreRightToTheByte) {
    ReadAndWrite(twoGiB / 512 - 3, 6, 41);
    ReadAndWrite(fourGiB / 512 - 1, 2, 53);
    ReadAndWrite(fourGiB / 512, 1, 67);
}

// The same sectors by the Windows 98 road, which counts sectors, not bytes.
TEST_F(LargeVolumeTest, TheWindows98RoadReadsTheSameBytes) {
    const Bytes mark = testsupport::Pattern(4096, 71);
    Plant(10000000ull * 512, mark);
    UsePlatform("98");
    TZelvan on98(nullptr);
    Run(on98, 10000000, 8);
    Bytes buffer(4096);
    ASSERT_TRUE(on98.ReadSectors(buffer.data(), 4095));
    EXPECT_EQ(buffer, mark);
}

// The 64-bit position travels with its transfer, not through anything the
// unit shares: a transfer of another instance on another thread, which
// makes no attempt and so opens nothing, cannot move this one's run to
// another place. Outside the component's contract, but easy to do.
TEST_F(LargeVolumeTest, ATransferOnAnotherThreadCannotMoveThisOnesPosition) {
    const std::uint64_t first = 10000000;
    const Bytes mark = testsupport::Pattern(512, 83);
    Plant(first * 512, mark);
    Plant(first * 512 - fourGiB, testsupport::Pattern(512, 89));
    Run(*z, static_cast<Orvane::Cardinal>(first), 1);
    hosted::KeepJournal(false);
    TZelvan idle(nullptr);
    idle.SetRetries(0);
    std::atomic<bool> done = false;
    std::thread other([&] {
        Orvane::TZelvanTestPeer peer{idle};
        while (!done) peer.RSNT('C', 0, 0, nullptr, -1);
    });
    unsigned wrong = 0;
    for (int i = 0; i < 300; ++i) {
        Bytes buffer(512);
        if (!z->ReadSectors(buffer.data(), 511) || buffer != mark) ++wrong;
    }
    done = true;
    other.join();
    EXPECT_EQ(wrong, 0u);
}

TEST_F(LargeVolumeTest, ARunLongerThan32BitsOfBytesIsRefusedNotWrapped) {
    // 2^23 sectors of 512 bytes are 2^32 bytes: wrapped, an empty run.
    Run(*z, 0, 1u << 23);
    hosted::ClearJournal();
    EXPECT_FALSE(z->ReadSectors(nullptr, -1));
    EXPECT_FALSE(z->WriteSectors(nullptr, -1));
    EXPECT_TRUE(hosted::Journal().empty());
}

} // namespace
} // namespace orvane_test
