// On 64-bit Windows only the NT roads exist: a platform of Windows 95 ends
// every transfer with false, before any request to the system, and changes
// no image. The stage runs these cases as Windows 95 reports itself.
#include <functional>

#include "stage_machine.h"

namespace windows_test {
namespace {

using testsupport::Bytes;

// Windows' own code for an error no call here sets: what GetLastError still
// says after a transfer that made no request.
constexpr DWORD kUntouchedError = 0x2A5;

TEST(Windows95Platform, A64BitBuildEndsEveryTransferWithFalseBeforeAnyRequest) {
    if (sizeof(void*) == 4) GTEST_SKIP() << "a 32-bit program takes the Windows 95 roads (LogicalTransfer)";
    ASSERT_EQ(Stage().platformId, DWORD{VER_PLATFORM_WIN32_WINDOWS});
    const MappedDrive fixed = Drives(false).at(0);
    const MappedDrive floppy = Drives(true).at(0);
    const Bytes fixedBefore = testsupport::ReadFile(fixed.image);
    const Bytes floppyBefore = testsupport::ReadFile(floppy.image);
    const std::span<unsigned char> buffer = LowBuffer(2 * kSectorBytes);
    Orvane::TZelvan zelvan(nullptr);
    zelvan.SetNeedWriteWarn(false);
    zelvan.SetNeedDiskLock(true);
    ASSERT_TRUE(Select(zelvan, fixed.letter, {4, 2}));
    struct Transfer {
        const char* name;
        std::function<bool()> run;
        bool asksTheDriveType; // the floppy methods' one question before the road
    };
    const Transfer transfers[] = {
        {"ReadSectors", [&] { return zelvan.ReadSectors(buffer.data(), High(buffer)); }, false},
        {"WriteSectors", [&] { return zelvan.WriteSectors(buffer.data(), High(buffer)); }, false},
        {"ReadFloppySectors",
         [&] { return zelvan.ReadFloppySectors(floppy.letter, buffer.data(), High(buffer), Orvane::D1440); }, true},
        {"WriteFloppySectors",
         [&] { return zelvan.WriteFloppySectors(floppy.letter, buffer.data(), High(buffer), Orvane::D1440, false); },
         true},
    };
    const char root[] = {floppy.letter, ':', '\\', '\0'};
    for (const Transfer& transfer : transfers) {
        // What GetLastError says after the calls the transfer may make, and no other.
        SetLastError(kUntouchedError);
        if (transfer.asksTheDriveType) GetDriveTypeA(root);
        const DWORD expected = GetLastError();
        SetLastError(kUntouchedError);
        EXPECT_FALSE(transfer.run()) << transfer.name;
        EXPECT_EQ(GetLastError(), expected) << transfer.name << " made a request";
        EXPECT_TRUE(UnitHandlesClosed()) << transfer.name;
    }
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(fixed.image), fixedBefore));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(floppy.image), floppyBefore));
}

} // namespace
} // namespace windows_test
