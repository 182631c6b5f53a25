// SetFilePointer, ReadFile and WriteFile on a volume handle: the bytes are
// the image's bytes, a write changes exactly what it was asked to, and the
// rules of Windows for positions, alignment, access and the end hold.
#include <filesystem>

#include "hosted_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;

class VolumeIoTest : public HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        image = MapImage('C', 1440, "-F 12");
        testsupport::WriteFile(dir / "data.bin", testsupport::Pattern(40000, 3));
        testsupport::RunOk("mcopy -i '" + image.string() + "' '" + (dir / "data.bin").string() + "' ::");
        size = std::filesystem::file_size(image);
    }

    DWORD Position(HANDLE volume) { return SetFilePointer(volume, 0, nullptr, FILE_CURRENT); }

    std::filesystem::path image;
    std::uint64_t size = 0;
};

TEST_F(VolumeIoTest, ReadsEqualDdsBytes) {
    OwnedHandle volume(OpenVolume('C', GENERIC_READ));
    ASSERT_TRUE(volume.valid());
    for (std::uint64_t sector : {0u, 1u, 19u, 33u, 2879u})
        EXPECT_EQ(ReadVolume(volume.get(), sector * 512, 512), testsupport::DdRead(image, sector * 512, 512)) << sector;
    EXPECT_EQ(ReadVolume(volume.get(), 0, static_cast<DWORD>(size)), testsupport::ReadFile(image));
}

TEST_F(VolumeIoTest, WriteChangesExactlyTheSectorsAsked) {
    Bytes expected = testsupport::ReadFile(image);
    Bytes data = testsupport::Pattern(3 * 512, 77);
    std::copy(data.begin(), data.end(), expected.begin() + 100 * 512);
    OwnedHandle volume(OpenVolume('C'));
    ASSERT_EQ(SetFilePointer(volume.get(), 100 * 512, nullptr, FILE_BEGIN), 100u * 512);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(volume.get(), data.data(), static_cast<DWORD>(data.size()), &put, nullptr));
    EXPECT_EQ(put, data.size());
    EXPECT_EQ(Position(volume.get()), 103u * 512);
    EXPECT_EQ(testsupport::ReadFile(image), expected);
}

TEST_F(VolumeIoTest, OffsetsAndLengthsMustBeWholeSectors) {
    Bytes before = testsupport::ReadFile(image);
    OwnedHandle volume(OpenVolume('C'));
    Bytes buffer(1024, 0xAA);
    DWORD done = 99;
    ASSERT_EQ(SetFilePointer(volume.get(), 100, nullptr, FILE_BEGIN), 100u);
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(volume.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetFilePointer(volume.get(), 512, nullptr, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 100, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(WriteFile(volume.get(), buffer.data(), 600, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Position(volume.get()), 512u);
    EXPECT_EQ(testsupport::ReadFile(image), before);
}

TEST_F(VolumeIoTest, NegativeResultLeavesThePointer) {
    OwnedHandle volume(OpenVolume('C'));
    ASSERT_EQ(SetFilePointer(volume.get(), 1024, nullptr, FILE_BEGIN), 1024u);
    EXPECT_EQ(SetFilePointer(volume.get(), -2048, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    // Without a high part, 0x80000000 is a negative distance.
    EXPECT_EQ(SetFilePointer(volume.get(), static_cast<LONG>(0x80000000u), nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(volume.get(), -static_cast<LONG>(size) - 512, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(Position(volume.get()), 1024u);
    EXPECT_EQ(SetFilePointer(volume.get(), -512, nullptr, FILE_END), size - 512);
    EXPECT_EQ(SetFilePointer(volume.get(), 7, nullptr, 3), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(VolumeIoTest, HighPartGivesSixtyFourBitPositions) {
    OwnedHandle volume(OpenVolume('C'));
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(volume.get(), 512, &high, FILE_BEGIN), 512u);
    EXPECT_EQ(high, 1);
    Bytes buffer(512);
    DWORD got = 7;
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, &got, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_SECTOR_NOT_FOUND);
    EXPECT_EQ(got, 0u);
    // -1 in the high part with a negative low part is a negative 64-bit distance.
    high = -1;
    EXPECT_EQ(SetFilePointer(volume.get(), -512, &high, FILE_CURRENT), 0u);
    EXPECT_EQ(high, 1);
    // A low part equal to the failure value is a success with no error.
    high = 0;
    SetLastError(ERROR_GEN_FAILURE);
    EXPECT_EQ(SetFilePointer(volume.get(), static_cast<LONG>(0xFFFFFFFFu), &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    // Beyond 32 bits, a call without a high part cannot report the position.
    EXPECT_EQ(SetFilePointer(volume.get(), 1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // The same low part with a high part above 0: position 0x1FFFFFFFF.
    high = 1;
    SetLastError(ERROR_GEN_FAILURE);
    EXPECT_EQ(SetFilePointer(volume.get(), static_cast<LONG>(0xFFFFFFFFu), &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(high, 1);
}

// A sum below 0 or beyond 63 bits fails with ERROR_NEGATIVE_SEEK and moves
// nothing, neither the position nor the caller's high part.
TEST_F(VolumeIoTest, ANegativeSixtyFourBitResultLeavesThePointerAndTheHighPart) {
    OwnedHandle volume(OpenVolume('C'));
    LONG high = 3;
    ASSERT_EQ(SetFilePointer(volume.get(), 4096, &high, FILE_BEGIN), 4096u);
    const std::uint64_t position = (std::uint64_t{3} << 32) + 4096;
    struct Move {
        LONG low, high;
        DWORD method;
    };
    for (const Move move : {Move{0, -4, FILE_CURRENT}, Move{-8192, -1, FILE_BEGIN}, Move{0, INT32_MIN, FILE_BEGIN},
                            Move{-1, INT32_MAX, FILE_CURRENT}}) {
        high = move.high;
        EXPECT_EQ(SetFilePointer(volume.get(), move.low, &high, move.method), INVALID_SET_FILE_POINTER) << move.high;
        EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK) << move.high;
        EXPECT_EQ(high, move.high);
    }
    high = 0;
    EXPECT_EQ(SetFilePointer(volume.get(), 0, &high, FILE_CURRENT), static_cast<DWORD>(position));
    EXPECT_EQ(high, 3);
}

// A read over the end says how much it read; one past the end names a
// sector that does not exist.
TEST_F(VolumeIoTest, ReadingOverTheEndTransfersWhatIsThereAndPastItFails) {
    OwnedHandle volume(OpenVolume('C'));
    EXPECT_EQ(ReadVolume(volume.get(), size - 512, 2048), testsupport::DdRead(image, size - 512, 512));
    EXPECT_EQ(Position(volume.get()), size);
    for (std::uint64_t start : {size, size + 4096}) {
        SetFilePointer(volume.get(), static_cast<LONG>(start), nullptr, FILE_BEGIN);
        Bytes buffer(512, 0xAA);
        DWORD got = 7;
        EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, &got, nullptr)) << start;
        EXPECT_EQ(GetLastError(), ERROR_SECTOR_NOT_FOUND) << start;
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(buffer, Bytes(512, 0xAA));
        EXPECT_EQ(Position(volume.get()), start);
    }
}

TEST_F(VolumeIoTest, WritingPastTheEndIsRefusedWhole) {
    Bytes before = testsupport::ReadFile(image);
    OwnedHandle volume(OpenVolume('C'));
    Bytes data(1024, 0x5A);
    DWORD put = 0;
    SetFilePointer(volume.get(), static_cast<LONG>(size - 512), nullptr, FILE_BEGIN);
    EXPECT_FALSE(WriteFile(volume.get(), data.data(), 1024, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    SetFilePointer(volume.get(), static_cast<LONG>(size), nullptr, FILE_BEGIN);
    EXPECT_FALSE(WriteFile(volume.get(), data.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(put, 0u);
    EXPECT_EQ(testsupport::ReadFile(image), before);
}

TEST_F(VolumeIoTest, AccessOfTheHandleIsEnforced) {
    Bytes before = testsupport::ReadFile(image);
    Bytes buffer(512);
    DWORD done = 0;
    OwnedHandle reader(OpenVolume('C', GENERIC_READ));
    EXPECT_FALSE(WriteFile(reader.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    OwnedHandle writer(OpenVolume('C', GENERIC_WRITE));
    EXPECT_FALSE(ReadFile(writer.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(testsupport::ReadFile(image), before);
}

TEST_F(VolumeIoTest, ZeroLengthAndMissingPointers) {
    OwnedHandle volume(OpenVolume('C'));
    Bytes buffer(512);
    DWORD done = 5;
    EXPECT_TRUE(ReadFile(volume.get(), buffer.data(), 0, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(WriteFile(volume.get(), buffer.data(), 0, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(WriteFile(volume.get(), buffer.data(), 512, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(ReadFile(volume.get(), nullptr, 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
    EXPECT_EQ(Position(volume.get()), 0u);
}

TEST_F(VolumeIoTest, ShrunkBackingReadsWhatIsLeftAndNeverGrows) {
    OwnedHandle volume(OpenVolume('C'));
    std::filesystem::resize_file(image, 8 * 512 + 100);
    EXPECT_EQ(ReadVolume(volume.get(), 7 * 512, 1024), testsupport::DdRead(image, 7 * 512, 512));
    Bytes data(512, 1);
    DWORD put = 0;
    SetFilePointer(volume.get(), 8 * 512, nullptr, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(volume.get(), data.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_SECTOR_NOT_FOUND);
    SetFilePointer(volume.get(), 8 * 512, nullptr, FILE_BEGIN);
    EXPECT_FALSE(WriteFile(volume.get(), data.data(), 512, &put, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
    EXPECT_EQ(std::filesystem::file_size(image), 8u * 512 + 100);
}

TEST_F(VolumeIoTest, VanishedBackingIsNotReady) {
    std::filesystem::remove(image);
    EXPECT_EQ(OpenVolume('C'), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST_F(VolumeIoTest, TransfersOnBadHandlesFail) {
    Bytes buffer(512);
    DWORD done = 0;
    for (HANDLE bad : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(4096)}) {
        EXPECT_FALSE(ReadFile(bad, buffer.data(), 512, &done, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(SetFilePointer(bad, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

} // namespace
} // namespace hostedtest
