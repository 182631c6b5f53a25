// SetFilePointer, ReadFile and WriteFile on a volume handle: the bytes are
// the image's bytes, a write changes exactly what it was asked to, and the
// rules of Windows for positions, access and the end hold.
#include <filesystem>

#include "conformance.h"

namespace conformance {
namespace {

using testsupport::Bytes;

class Win32VolumeIo : public Win32Test {
protected:
    void SetUp() override {
        Win32Test::SetUp();
        drive = FatDrive(12);
        size = std::filesystem::file_size(drive.image);
    }
    static DWORD Position(HANDLE volume) { return SetFilePointer(volume, 0, nullptr, FILE_CURRENT); }
    // Sets the position from the start; the low part, as SetFilePointer returns it.
    static DWORD Seek(HANDLE volume, std::uint64_t to) {
        return SetFilePointer(volume, static_cast<LONG>(to), nullptr, FILE_BEGIN);
    }

    TestDrive drive{};
    std::uint64_t size = 0;
};

TEST_F(Win32VolumeIo, ReadsEqualTheImagesBytes) {
    const OwnedHandle volume(OpenVolume(drive.letter, GENERIC_READ));
    ASSERT_TRUE(volume.valid());
    for (const std::uint64_t sector : {0u, 1u, 19u, 33u, 5000u})
        EXPECT_TRUE(testsupport::SameBytes(ReadVolume(volume.get(), sector * 512, 512), ImageBytes(drive.image, sector * 512, 512)))
            << sector;
    EXPECT_TRUE(testsupport::SameBytes(ReadVolume(volume.get(), 0, static_cast<DWORD>(size)), testsupport::ReadFile(drive.image)));
}

TEST_F(Win32VolumeIo, AWriteChangesExactlyTheSectorsAskedAndMovesThePosition) {
    const KeptImage kept(drive.image);
    const Bytes data = testsupport::Pattern(3 * 512, 77);
    const OwnedHandle volume(OpenVolume(drive.letter));
    ASSERT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    ASSERT_EQ(Seek(volume.get(), 100 * 512), 100u * 512);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(volume.get(), data.data(), static_cast<DWORD>(data.size()), &put, nullptr));
    EXPECT_EQ(put, data.size());
    EXPECT_EQ(Position(volume.get()), 103u * 512);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), testsupport::Overwritten(kept.bytes(), 100 * 512, data)));
}

TEST_F(Win32VolumeIo, OffsetsAndLengthsMustBeWholeSectors) {
    SKIP_WHERE_WINE_DEPARTS(UnalignedTransfersSucceed);
    const KeptImage kept(drive.image);
    const OwnedHandle volume(OpenVolume(drive.letter));
    ASSERT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    Bytes buffer(1024, 0xAA);
    DWORD done = 99;
    ASSERT_EQ(Seek(volume.get(), 100), 100u);
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(WriteFile(volume.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    Seek(volume.get(), 512);
    EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 100, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_FALSE(WriteFile(volume.get(), buffer.data(), 600, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(Position(volume.get()), 512u);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), kept.bytes()));
}

TEST_F(Win32VolumeIo, AMoveBelowZeroFailsAndLeavesThePosition) {
    const OwnedHandle volume(OpenVolume(drive.letter));
    ASSERT_EQ(Seek(volume.get(), 1024), 1024u);
    EXPECT_EQ(SetFilePointer(volume.get(), -2048, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NEGATIVE_SEEK});
    // Without a high part, 0x80000000 is a negative distance.
    EXPECT_EQ(Seek(volume.get(), 0x80000000u), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NEGATIVE_SEEK});
    EXPECT_EQ(SetFilePointer(volume.get(), -static_cast<LONG>(size) - 512, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_NEGATIVE_SEEK});
    EXPECT_EQ(Position(volume.get()), 1024u);
    EXPECT_EQ(SetFilePointer(volume.get(), -512, nullptr, FILE_END), size - 512);
    EXPECT_EQ(SetFilePointer(volume.get(), 7, nullptr, 3), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
}

TEST_F(Win32VolumeIo, TheHighPartGivesSixtyFourBitPositions) {
    const OwnedHandle volume(OpenVolume(drive.letter));
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(volume.get(), 512, &high, FILE_BEGIN), 512u);
    EXPECT_EQ(high, 1);
    // -1 in the high part with a negative low part is a negative 64-bit distance.
    high = -1;
    EXPECT_EQ(SetFilePointer(volume.get(), -512, &high, FILE_CURRENT), 0u);
    EXPECT_EQ(high, 1);
    // A low part equal to the failure value is a success with no error.
    high = 0;
    SetLastError(ERROR_GEN_FAILURE);
    EXPECT_EQ(SetFilePointer(volume.get(), static_cast<LONG>(0xFFFFFFFFu), &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(high, 0);
    // The same low part with a high part above 0: position 0x1FFFFFFFF.
    high = 1;
    SetLastError(ERROR_GEN_FAILURE);
    EXPECT_EQ(SetFilePointer(volume.get(), static_cast<LONG>(0xFFFFFFFFu), &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SUCCESS});
    EXPECT_EQ(high, 1);
}

TEST_F(Win32VolumeIo, WithoutAHighPartAPositionBeyond32BitsCannotBeReported) {
    SKIP_WHERE_WINE_DEPARTS(LowPartBeyond4GiB);
    const OwnedHandle volume(OpenVolume(drive.letter));
    LONG high = 0;
    ASSERT_EQ(SetFilePointer(volume.get(), static_cast<LONG>(0xFFFFFFFFu), &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(volume.get(), 1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(SetFilePointer(volume.get(), 0, &high, FILE_CURRENT), 0xFFFFFFFFu) << "the position stays";
    EXPECT_EQ(high, 0);
}

// A sum below 0 fails with ERROR_NEGATIVE_SEEK and moves nothing, neither
// the position nor the caller's high part.
TEST_F(Win32VolumeIo, ANegativeSixtyFourBitResultLeavesThePositionAndTheHighPart) {
    const OwnedHandle volume(OpenVolume(drive.letter));
    LONG high = 3;
    ASSERT_EQ(SetFilePointer(volume.get(), 4096, &high, FILE_BEGIN), 4096u);
    struct Move {
        LONG low, high;
        DWORD method;
    };
    // Below 0, or beyond 63 bits.
    for (const Move move : {Move{0, -4, FILE_CURRENT}, Move{-8192, -1, FILE_BEGIN}, Move{0, INT32_MIN, FILE_BEGIN},
                            Move{-1, INT32_MAX, FILE_CURRENT}}) {
        high = move.high;
        EXPECT_EQ(SetFilePointer(volume.get(), move.low, &high, move.method), INVALID_SET_FILE_POINTER) << move.high;
        EXPECT_EQ(GetLastError(), DWORD{ERROR_NEGATIVE_SEEK}) << move.high;
        EXPECT_EQ(high, move.high);
    }
    high = 0;
    EXPECT_EQ(SetFilePointer(volume.get(), 0, &high, FILE_CURRENT), 4096u);
    EXPECT_EQ(high, 3);
}

// A read over the end says how much it read; one from the end on reads nothing.
TEST_F(Win32VolumeIo, AReadOverTheEndTransfersWhatIsThere) {
    const OwnedHandle volume(OpenVolume(drive.letter));
    EXPECT_TRUE(testsupport::SameBytes(ReadVolume(volume.get(), size - 512, 2048), ImageBytes(drive.image, size - 512, 512)));
    EXPECT_EQ(Position(volume.get()), size);
}

TEST_F(Win32VolumeIo, AReadFromTheEndOnFailsAndMovesNothing) {
    SKIP_WHERE_WINE_DEPARTS(ReadAtTheEndSucceedsEmpty);
    const OwnedHandle volume(OpenVolume(drive.letter));
    for (const std::uint64_t start : {size, size + 4096, (std::uint64_t{1} << 32) + 512}) {
        LONG high = static_cast<LONG>(start >> 32);
        SetFilePointer(volume.get(), static_cast<LONG>(start), &high, FILE_BEGIN);
        Bytes buffer(512, 0xAA);
        DWORD got = 7;
        EXPECT_FALSE(ReadFile(volume.get(), buffer.data(), 512, &got, nullptr)) << start;
        EXPECT_EQ(GetLastError(), DWORD{ERROR_SECTOR_NOT_FOUND}) << start;
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(buffer, Bytes(512, 0xAA));
        high = 0;
        EXPECT_EQ(SetFilePointer(volume.get(), 0, &high, FILE_CURRENT), static_cast<DWORD>(start));
        EXPECT_EQ(high, static_cast<LONG>(start >> 32));
    }
}

TEST_F(Win32VolumeIo, AWritePastTheEndIsRefusedWhole) {
    SKIP_WHERE_WINE_DEPARTS(WritePastTheEndGrows);
    const KeptImage kept(drive.image);
    const OwnedHandle volume(OpenVolume(drive.letter));
    ASSERT_TRUE(Control(volume.get(), FSCTL_LOCK_VOLUME));
    const Bytes data(1024, 0x5A);
    DWORD put = 0;
    for (const std::uint64_t start : {size - 512, size}) {
        Seek(volume.get(), start);
        EXPECT_FALSE(WriteFile(volume.get(), data.data(), start == size ? 512 : 1024, &put, nullptr)) << start;
        EXPECT_EQ(GetLastError(), DWORD{ERROR_HANDLE_EOF}) << start;
        EXPECT_EQ(put, 0u);
    }
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), kept.bytes()));
}

TEST_F(Win32VolumeIo, TheHandlesAccessIsEnforced) {
    const KeptImage kept(drive.image);
    Bytes buffer(512);
    DWORD done = 0;
    const OwnedHandle reader(OpenVolume(drive.letter, GENERIC_READ));
    EXPECT_FALSE(WriteFile(reader.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    const OwnedHandle writer(OpenVolume(drive.letter, GENERIC_WRITE));
    EXPECT_FALSE(ReadFile(writer.get(), buffer.data(), 512, &done, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(drive.image), kept.bytes()));
}

TEST_F(Win32VolumeIo, ZeroLengthTransfersSucceedAndMoveNothing) {
    const OwnedHandle volume(OpenVolume(drive.letter));
    Bytes buffer(512);
    DWORD done = 5;
    EXPECT_TRUE(ReadFile(volume.get(), buffer.data(), 0, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(WriteFile(volume.get(), buffer.data(), 0, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(Position(volume.get()), 0u);
}

TEST_F(Win32VolumeIo, TransfersOnBadHandlesFail) {
    Bytes buffer(512);
    DWORD done = 0;
    for (HANDLE bad : {INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(std::uintptr_t{4096})}) {
        EXPECT_FALSE(ReadFile(bad, buffer.data(), 512, &done, nullptr));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
        EXPECT_EQ(SetFilePointer(bad, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    }
}

} // namespace
} // namespace conformance
