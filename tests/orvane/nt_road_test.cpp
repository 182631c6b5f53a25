// The NT road: the volume opened, locked, positioned and moved in one piece.
#include <limits>

#include "alloc_watch.h"
#include "machine_fixture.h"
#include "peer.h"

namespace orvane_test {
namespace {

using Orvane::TZelvan;
using Orvane::TZelvanTestPeer;
using testsupport::Bytes;

class NtRoadTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        image = MapFat('C', 16384, "-F 16");
        z = std::make_unique<TZelvan>(nullptr);
        hosted::ClearJournal();
    }
    TZelvanTestPeer peer() { return TZelvanTestPeer{*z}; }
    void ExpectNothingLeftOpen() {
        EXPECT_EQ(Orvane::DiskHandle, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(Orvane::HandleOpened);
        EXPECT_EQ(hosted::OpenHandleCount(), 0u);
    }

    std::filesystem::path image;
    std::unique_ptr<TZelvan> z;
};

TEST_F(NtRoadTest, AReadHandsOverTheVolumesBytesAndClosesWhatItOpened) {
    Bytes buffer(4096);
    ASSERT_TRUE(peer().RSNT('C', 512 * 3, 4096, buffer.data(), 4095));
    EXPECT_EQ(buffer, testsupport::DdRead(image, 512 * 3, 4096));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetErrorMode", "CreateFileA", "SetErrorMode", "SetFilePointer",
                                                 "ReadFile", "CloseHandle"}));
    EXPECT_EQ(hosted::ErrorMode(), SEM_NOALIGNMENTFAULTEXCEPT);
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, AWriteChangesExactlyTheRunAndNotTheCallersBuffer) {
    const Bytes before = testsupport::ReadFile(image);
    const Bytes data = testsupport::Pattern(1536, 7);
    const Bytes given = data;
    ASSERT_TRUE(peer().WSNT('C', 512 * 40, 1536, data.data(), 1535));
    const Bytes expected = testsupport::Overwritten(before, 512 * 40, data);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), expected));
    EXPECT_EQ(data, given);
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, WithoutTheLockPropertyNoControlRequestIsSent) {
    Bytes buffer(512);
    ASSERT_TRUE(peer().RSNT('C', 0, 512, buffer.data(), 511));
    ASSERT_TRUE(peer().WSNT('C', 0, 512, buffer.data(), 511));
    EXPECT_EQ(CountCalls("DeviceIoControl"), 0u);
}

TEST_F(NtRoadTest, ALockedTransferUnlocksAfterwards) {
    z->SetNeedDiskLock(true);
    Bytes buffer(512);
    ASSERT_TRUE(peer().RSNT('C', 0, 512, buffer.data(), 511));
    const auto controls = Lines("DeviceIoControl");
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_NE(controls[0].find("0x90018"), std::string::npos) << controls[0];
    EXPECT_NE(controls[1].find("0x9001C"), std::string::npos) << controls[1];
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, ARefusedLockEndsTheTransferBeforeItStarts) {
    z->SetNeedDiskLock(true);
    hosted::FailCall("DeviceIoControl:0x90018", {1});
    Bytes buffer(512);
    EXPECT_FALSE(peer().RSNT('C', 0, 512, buffer.data(), 511));
    EXPECT_EQ(CountCalls("SetFilePointer"), 0u);
    EXPECT_EQ(CountCalls("ReadFile"), 0u);
    EXPECT_EQ(CountCalls("DeviceIoControl"), 1u);
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, WhenEveryAttemptFailsTheLockEndsWithTheHandle) {
    z->SetNeedDiskLock(true);
    hosted::FailCall("WriteFile", {1, 2});
    const Bytes before = testsupport::ReadFile(image);
    const Bytes data = testsupport::Pattern(512, 1);
    EXPECT_FALSE(peer().WSNT('C', 0, 512, data.data(), 511));
    EXPECT_EQ(CountCalls("WriteFile"), 2u);
    EXPECT_EQ(CountCalls("DeviceIoControl"), 1u) << "no unlock request";
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, ARefusedUnlockFailsADoneTransfer) {
    z->SetNeedDiskLock(true);
    hosted::FailCall("DeviceIoControl:0x9001C", {1});
    const Bytes data = testsupport::Pattern(512, 3);
    EXPECT_FALSE(peer().WSNT('C', 512, 512, data.data(), 511));
    EXPECT_EQ(testsupport::DdRead(image, 512, 512), data) << "the data was written all the same";
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, ASecondAttemptSucceedsFromTheSamePositionAndOneBlock) {
    z->SetRetries(3);
    hosted::FailCall("ReadFile", {1});
    Bytes buffer(2048);
    {
        WatchAllocations blocks(2048);
        ASSERT_TRUE(peer().RSNT('C', 512 * 8, 2048, buffer.data(), 2047));
        EXPECT_EQ(blocks.watch().allocated, 1);
        EXPECT_EQ(blocks.watch().freed, 1);
    }
    EXPECT_EQ(CountCalls("ReadFile"), 2u);
    EXPECT_EQ(CountCalls("SetFilePointer"), 1u);
    EXPECT_EQ(buffer, testsupport::DdRead(image, 512 * 8, 2048));
}

TEST_F(NtRoadTest, AHandleOpenOnEntryIsUsedAndLeftOpen) {
    ASSERT_TRUE(peer().GetDiskHandle('C'));
    const HANDLE open = Orvane::DiskHandle;
    hosted::ClearJournal();
    Bytes buffer(512);
    ASSERT_TRUE(peer().RSNT('C', 0, 512, buffer.data(), 511));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetFilePointer", "ReadFile"}));
    EXPECT_EQ(Orvane::DiskHandle, open);
    EXPECT_FALSE(Orvane::HandleOpened);
    peer().FreeHandle();
}

TEST_F(NtRoadTest, ALetterThatCannotBeOpenedFailsWithoutRequests) {
    Bytes buffer(512);
    EXPECT_FALSE(peer().RSNT('Q', 0, 512, buffer.data(), 511));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetErrorMode", "CreateFileA", "SetErrorMode"}));
    EXPECT_EQ(hosted::ErrorMode(), SEM_NOALIGNMENTFAULTEXCEPT);
    ExpectNothingLeftOpen();
}

// An attempt that moves fewer bytes than the run has not read it, though
// ReadFile says TRUE: the next attempt starts where that one ended.
TEST_F(NtRoadTest, AShortReadFailsAndIsRetried) {
    z->SetRetries(3);
    const auto size = static_cast<int>(std::filesystem::file_size(image));
    Bytes buffer(1024);
    EXPECT_FALSE(peer().RSNT('C', size - 512, 1024, buffer.data(), 1023));
    EXPECT_EQ(Lines("ReadFile"), (std::vector<std::string>{
                                     "ReadFile(h1, ptr, 1024, ptr, NULL) = TRUE (512 bytes)",
                                     "ReadFile(h1, ptr, 1024, ptr, NULL) = FALSE (ERROR_SECTOR_NOT_FOUND)",
                                     "ReadFile(h1, ptr, 1024, ptr, NULL) = FALSE (ERROR_SECTOR_NOT_FOUND)",
                                 }));
    ExpectNothingLeftOpen();
}

// The direction comes from the call, not from whether a buffer is there:
// an empty write is a WriteFile of no bytes, and fails when WriteFile fails.
TEST_F(NtRoadTest, AnEmptyRunIsAZeroLengthTransferInItsOwnDirection) {
    EXPECT_TRUE(peer().RSNT('C', 0, 0, nullptr, -1));
    EXPECT_TRUE(peer().WSNT('C', 0, 0, nullptr, -1));
    hosted::FailCall("WriteFile", {1, 2});
    EXPECT_FALSE(peer().WSNT('C', 0, 0, nullptr, -1));
    EXPECT_EQ(Lines("ReadFile"), (std::vector<std::string>{"ReadFile(h1, ptr, 0, ptr, NULL) = TRUE (0 bytes)"}));
    EXPECT_EQ(Lines("WriteFile"), (std::vector<std::string>{
                                      "WriteFile(h2, ptr, 0, ptr, NULL) = TRUE (0 bytes)",
                                      "WriteFile(h3, ptr, 0, ptr, NULL) = FALSE (ERROR_WRITE_FAULT, planned fault)",
                                      "WriteFile(h3, ptr, 0, ptr, NULL) = FALSE (ERROR_WRITE_FAULT, planned fault)",
                                  }));
}

TEST_F(NtRoadTest, AnEmptyWriteSectorsFailsWhenEveryWriteFileFails) {
    z->SetNeedWriteWarn(false);
    z->SetSectors(0);
    hosted::FailCall("WriteFile", {1, 2, 3, 4});
    EXPECT_FALSE(z->WriteSectors(nullptr, -1));
    EXPECT_EQ(CountCalls("WriteFile"), 4u);
    EXPECT_EQ(CountCalls("ReadFile"), 0u);
    ExpectNothingLeftOpen();
}

// The temporary block may be one an earlier call used: what a failed read
// hands the caller beyond the bytes its attempts read is zeros, never the
// earlier call's data.
TEST_F(NtRoadTest, AFailedReadHandsOverNoBytesOfAnEarlierCall) {
    const int run = 1 << 20;
    const Bytes earlier = testsupport::Pattern(run, 9);
    ASSERT_TRUE(peer().WSNT('C', 512 * 1000, run, earlier.data(), run - 1));
    Bytes buffer(run);
    ASSERT_TRUE(peer().RSNT('C', 512 * 1000, run, buffer.data(), run - 1));
    ASSERT_EQ(buffer, earlier);

    // At the end of the volume the first attempt reads one sector, the
    // second none; the sector read stays.
    const auto size = static_cast<int>(std::filesystem::file_size(image));
    Bytes expected = testsupport::Pattern(512, 4);
    ASSERT_TRUE(peer().WSNT('C', size - 512, 512, expected.data(), 511));
    EXPECT_FALSE(peer().RSNT('C', size - 512, run, buffer.data(), run - 1));
    expected.resize(run, 0);
    EXPECT_TRUE(testsupport::SameBytes(buffer, expected));
}

TEST_F(NtRoadTest, APositionThatCannotBeSetMovesNothing) {
    hosted::FailCall("SetFilePointer", {1, 2});
    Bytes buffer(512);
    EXPECT_FALSE(peer().RSNT('C', 512, 512, buffer.data(), 511));
    EXPECT_FALSE(peer().WSNT('C', 512, 512, buffer.data(), 511));
    const std::vector<std::string> once{"SetErrorMode", "CreateFileA", "SetErrorMode", "SetFilePointer", "CloseHandle"};
    std::vector<std::string> both = once;
    both.insert(both.end(), once.begin(), once.end());
    EXPECT_EQ(Calls(), both);
    ExpectNothingLeftOpen();
}

// SetFilePointer's result INVALID_SET_FILE_POINTER with no error is the low
// part 0xFFFFFFFF of a position, not a failure: the read is attempted there
// (and refused by the volume, as it is no whole sector).
TEST_F(NtRoadTest, ALowPartThatLooksLikeTheFailureValueIsAPosition) {
    Bytes buffer(512);
    EXPECT_FALSE(peer().ReadAt('C', 0x1FFFFFFFFull, 512, buffer.data()));
    EXPECT_EQ(Lines("SetFilePointer"),
              std::vector<std::string>{"SetFilePointer(h1, -1, [1], FILE_BEGIN) = 4294967295 (high 1)"});
    EXPECT_EQ(Lines("ReadFile"), (std::vector<std::string>{
                                     "ReadFile(h1, ptr, 512, ptr, NULL) = FALSE (ERROR_INVALID_PARAMETER)",
                                     "ReadFile(h1, ptr, 512, ptr, NULL) = FALSE (ERROR_INVALID_PARAMETER)",
                                 }));
}

// Offset is a signed 32-bit byte offset: from 0 on it is the position, with
// no high half; the top of its range is positioned as any other.
TEST_F(NtRoadTest, AnOffsetFromZeroOnIsThePositionItself) {
    Bytes buffer(512);
    ASSERT_TRUE(peer().RSNT('C', 1024, 512, buffer.data(), 511));
    EXPECT_EQ(buffer, testsupport::DdRead(image, 1024, 512));
    EXPECT_FALSE(peer().RSNT('C', 2147483136, 512, buffer.data(), 511));
    EXPECT_EQ(Lines("SetFilePointer"), (std::vector<std::string>{
                                           "SetFilePointer(h1, 1024, [0], FILE_BEGIN) = 1024 (high 0)",
                                           "SetFilePointer(h2, 2147483136, [0], FILE_BEGIN) = 2147483136 (high 0)",
                                       }));
    EXPECT_EQ(Lines("ReadFile").back(), "ReadFile(h2, ptr, 512, ptr, NULL) = FALSE (ERROR_SECTOR_NOT_FOUND)");
    ExpectNothingLeftOpen();
}

// A negative Offset names no byte of the volume: false before anything is
// opened, positioned or moved, also with a handle open on entry.
TEST_F(NtRoadTest, ANegativeOffsetEndsWithFalseBeforeAnyCall) {
    const Bytes before = testsupport::ReadFile(image);
    Bytes buffer(512, 0xAB);
    EXPECT_FALSE(peer().RSNT('C', -512, 512, buffer.data(), 511));
    EXPECT_FALSE(peer().RSNT('C', -1, 512, buffer.data(), 511));
    EXPECT_FALSE(peer().WSNT('C', std::numeric_limits<int>::min(), 512, buffer.data(), 511));
    EXPECT_TRUE(hosted::Journal().empty());
    ExpectNothingLeftOpen();

    ASSERT_TRUE(peer().GetDiskHandle('C'));
    hosted::ClearJournal();
    EXPECT_FALSE(peer().WSNT('C', -512, 512, buffer.data(), 511));
    EXPECT_TRUE(hosted::Journal().empty());
    EXPECT_NE(Orvane::DiskHandle, INVALID_HANDLE_VALUE) << "a handle found open stays open";
    peer().FreeHandle();

    EXPECT_EQ(buffer, Bytes(512, 0xAB));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, NoAttemptIsNoTransfer) {
    z->SetRetries(0);
    z->SetNeedDiskLock(true);
    Bytes buffer(512);
    EXPECT_FALSE(peer().RSNT('C', 0, 512, buffer.data(), 511));
    EXPECT_FALSE(peer().WSNT('C', 0, 512, buffer.data(), 511));
    EXPECT_TRUE(hosted::Journal().empty()) << "not even the volume is opened";
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, ReadSectorsRepeatsTheWholeRoadSoAFailingReadCostsRetriesSquared) {
    z->SetRetries(3);
    hosted::FailCall("ReadFile", {1, 2, 3, 4, 5, 6, 7, 8, 9});
    Bytes buffer(512);
    EXPECT_FALSE(z->ReadSectors(buffer.data(), 511));
    EXPECT_EQ(CountCalls("ReadFile"), 9u);
    EXPECT_EQ(CountCalls("CreateFileA"), 3u);
    EXPECT_EQ(CountCalls("SetFilePointer"), 3u);
    EXPECT_EQ(CountCalls("CloseHandle"), 3u);
    ExpectNothingLeftOpen();
}

TEST_F(NtRoadTest, ABlockThatCannotBeObtainedIsAnExceptionThatLeavesNothingOpen) {
    Bytes buffer(4096);
    WatchAllocations blocks(4096, true);
    EXPECT_THROW(peer().RSNT('C', 0, 4096, buffer.data(), 4095), std::bad_alloc);
    ExpectNothingLeftOpen();
    EXPECT_EQ(CountCalls("ReadFile"), 0u);
}

} // namespace
} // namespace orvane_test
