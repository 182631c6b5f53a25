// The VWIN32 device: who may open it, the logical-volume lock, and the
// classic (INT 25h/26h) and extended (INT 21h 7305h) absolute transfers.
#include "device_fixture.h"
#include "sparse_image.h"
#include "win32/hosted/flat_region.h"
#include "win32/hosted/journal.h"

namespace hostedtest {
namespace {

using hosted::RegisterArg;
using testsupport::Bytes;

class Vwin32Test : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        hosted::SetPlatform("98");
        image = MapImage('C', 4200, "-F 16 -s 1");
        device = OpenDevice();
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        CloseHandle(device);
        DeviceTest::TearDown();
    }

    // Category 48h on an extended build, 08h on a classic one.
    Reply Lock(HANDLE on, char letter, WORD category = 0x4800, BYTE level = 1, WORD permissions = allowWrites) {
        DIOC_REGISTERS r{};
        r.reg_EAX = 0x440D;
        r.reg_EBX = (DWORD{level} << 8) + static_cast<DWORD>(letter - 'A' + 1);
        r.reg_ECX = category + 0x4A;
        r.reg_EDX = permissions;
        return Send(on, VWIN32_DIOC_DOS_IOCTL, r);
    }
    Reply LockAt(HANDLE on, BYTE level, WORD permissions = 0) { return Lock(on, 'C', 0x4800, level, permissions); }
    Reply Unlock(HANDLE on, char letter, WORD category = 0x4800) {
        DIOC_REGISTERS r{};
        r.reg_EAX = 0x440D;
        r.reg_EBX = static_cast<DWORD>(letter - 'A' + 1);
        r.reg_ECX = category + 0x6A;
        return Send(on, VWIN32_DIOC_DOS_IOCTL, r);
    }
    Reply Classic(HANDLE on, bool write, char letter, DWORD packet) {
        DIOC_REGISTERS r{};
        r.reg_EAX = static_cast<DWORD>(letter - 'A');
        r.reg_EBX = packet;
        r.reg_ECX = 0xFFFF;
        return Send(on, write ? VWIN32_DIOC_DOS_INT26 : VWIN32_DIOC_DOS_INT25, r);
    }
    Reply Extended(HANDLE on, bool write, char letter, DWORD packet) {
        DIOC_REGISTERS r{};
        r.reg_EAX = 0x7305;
        r.reg_EBX = packet;
        r.reg_ECX = 0xFFFF;
        r.reg_EDX = static_cast<DWORD>(letter - 'A' + 1);
        r.reg_ESI = write ? 1 : 0;
        return Send(on, VWIN32_DIOC_DOS_DRIVEINFO, r);
    }

    // A one-sector write of a fresh pattern at sector 90 through both
    // generations; the image compared whole says whether it landed.
    struct WriteOutcome {
        WORD extended, classic; // AX after each, 0 for carry clear
    };
    WriteOutcome TryWrites() {
        const Bytes before = testsupport::ReadFile(image);
        Bytes expected = before;
        WriteOutcome outcome{};
        for (bool classic : {false, true}) {
            Bytes data = testsupport::Pattern(512, static_cast<std::uint8_t>(++writes));
            win32::FlatRegion region(data.data(), data.size());
            DiskIo packet(90, 1, region.Address());
            Reply reply = classic ? Classic(device, true, 'C', packet.Address()) : Extended(device, true, 'C', packet.Address());
            (classic ? outcome.classic : outcome.extended) = reply.Carry() ? reply.Ax() : 0;
            if (!reply.Carry()) std::copy(data.begin(), data.end(), expected.begin() + 90 * 512);
        }
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), expected));
        return outcome;
    }

    static constexpr WORD allowWrites = 0x0001;
    static constexpr WORD failNewMappings = 0x0002;
    static constexpr WORD format = 0x0004;
    std::filesystem::path image;
    HANDLE device = INVALID_HANDLE_VALUE;
    int writes = 0;
};

TEST_F(Vwin32Test, DeviceOpensOnlyOnWindows95Family) {
    OwnedHandle classic(CreateFileA("\\\\.\\VWIN32", readWrite, shareBoth, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(classic.valid());
    hosted::SetPlatform("nt");
    // NT checks the disposition before it looks at the name.
    EXPECT_EQ(OpenDevice(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateFileA(vwin32Path, readWrite, shareBoth, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Vwin32Test, ReadsEqualDdsBytesThroughBothGenerations) {
    Bytes buffer(4 * 512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo packet(30, 4, region.Address());
    Reply extended = Extended(device, false, 'C', packet.Address());
    EXPECT_TRUE(extended.returned);
    EXPECT_FALSE(extended.Carry());
    EXPECT_EQ(buffer, testsupport::DdRead(image, 30 * 512, 4 * 512));
    std::fill(buffer.begin(), buffer.end(), 0);
    Reply classic = Classic(device, false, 'C', packet.Address());
    EXPECT_FALSE(classic.Carry());
    EXPECT_EQ(buffer, testsupport::DdRead(image, 30 * 512, 4 * 512));
}

TEST_F(Vwin32Test, EachRequestIsJournalledWithRegistersAndPacket) {
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo packet(0x12345678, 3, region.Address());
    hosted::ClearJournal();
    Reply reply = Classic(device, false, 'C', packet.Address());
    EXPECT_TRUE(reply.Carry()); // far beyond the volume
    std::vector<std::string> lines = hosted::Journal();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "DeviceIoControl(h1, 0x2, ptr, 28, ptr, 28, ptr, NULL) = TRUE");
    char address[16];
    std::snprintf(address, sizeof address, "%02X %02X %02X %02X", region.Address() & 0xFF, (region.Address() >> 8) & 0xFF,
                  (region.Address() >> 16) & 0xFF, region.Address() >> 24);
    char ebx[16];
    std::snprintf(ebx, sizeof ebx, "0x%08X", static_cast<unsigned>(packet.Address()));
    EXPECT_EQ(lines[1], std::string("VWIN32 INT25 in(EAX=0x00000002 EBX=") + ebx +
                            " ECX=0x0000FFFF EDX=0x00000000 EDI=0x00000000 ESI=0x00000000 Flags=0x00000001) out(EAX=0x00000408 EBX=" +
                            ebx + " ECX=0x0000FFFF EDX=0x00000000 EDI=0x00000000 ESI=0x00000000 Flags=0x00000001) packet(78 56 34 12 03 00 " +
                            address + ")");
    EXPECT_EQ(hosted::JournalOf("VWIN32").size(), 1u);
}

TEST_F(Vwin32Test, WritesNeedTheWritersLockAndChangeExactlyTheirSectors) {
    Bytes data = testsupport::Pattern(2 * 512, 41);
    win32::FlatRegion region(data.data(), data.size());
    DiskIo packet(77, 2, region.Address());
    Bytes before = testsupport::ReadFile(image);
    EXPECT_TRUE(Extended(device, true, 'C', packet.Address()).Carry());
    EXPECT_TRUE(Classic(device, true, 'C', packet.Address()).Carry());
    EXPECT_EQ(testsupport::ReadFile(image), before);

    // Another handle's lock does not let this handle write.
    OwnedHandle other(OpenDevice());
    ASSERT_FALSE(Lock(other.get(), 'C').Carry());
    EXPECT_TRUE(Lock(device, 'C').Carry());
    EXPECT_EQ(Lock(device, 'C').Ax(), 0x0005);
    EXPECT_TRUE(Extended(device, true, 'C', packet.Address()).Carry());
    ASSERT_FALSE(Unlock(other.get(), 'C').Carry());

    ASSERT_FALSE(Lock(device, 'C').Carry());
    EXPECT_FALSE(Extended(device, true, 'C', packet.Address()).Carry());
    std::copy(data.begin(), data.end(), before.begin() + 77 * 512);
    EXPECT_EQ(testsupport::ReadFile(image), before);
    Bytes second = testsupport::Pattern(2 * 512, 42);
    win32::FlatRegion secondRegion(second.data(), second.size());
    DiskIo secondPacket(200, 2, secondRegion.Address());
    EXPECT_FALSE(Classic(device, true, 'C', secondPacket.Address()).Carry());
    std::copy(second.begin(), second.end(), before.begin() + 200 * 512);
    EXPECT_EQ(testsupport::ReadFile(image), before);
}

// The free clusters a measurement counted are kept across requests that
// write nothing, and counted afresh after a write, as the FAT driver keeps
// them: a read makes the next measurement read nothing.
TEST_F(Vwin32Test, OnlyAWriteMakesTheFreeClustersBeCountedAfresh) {
    DWORD free = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, &free, nullptr));
    // Cluster 3's FAT16 entry, at byte 6 of the first FAT, after the reserved sectors.
    const auto fatSector = static_cast<DWORD>(testsupport::LittleEndian(testsupport::DdRead(image, 14, 2)));
    Bytes sector(512);
    win32::FlatRegion region(sector.data(), sector.size());
    DiskIo packet(fatSector, 1, region.Address());
    ASSERT_FALSE(Extended(device, false, 'C', packet.Address()).Carry());
    ASSERT_EQ(sector[6] | sector[7], 0);

    const Reads before = ReadsSoFar();
    DWORD again = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, &again, nullptr));
    EXPECT_EQ((ReadsSoFar() - before).bytes, 0u);
    EXPECT_EQ(again, free);

    sector[6] = sector[7] = 0xFF;
    ASSERT_FALSE(Lock(device, 'C').Carry());
    ASSERT_FALSE(Extended(device, true, 'C', packet.Address()).Carry());
    ASSERT_FALSE(Unlock(device, 'C').Carry());
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", nullptr, nullptr, &again, nullptr));
    EXPECT_EQ(again, free - 1);
}

TEST_F(Vwin32Test, LockLevelsAreTakenInTurnAndGivenUpLastFirst) {
    for (BYTE outOfTurn : {2, 3, 4, 0xFF}) {
        Reply refused = LockAt(device, outOfTurn, allowWrites);
        EXPECT_TRUE(refused.Carry()) << int(outOfTurn);
        EXPECT_EQ(refused.Ax(), 0x0057) << int(outOfTurn);
    }
    ASSERT_FALSE(LockAt(device, 1, allowWrites).Carry());
    for (BYTE outOfTurn : {1, 3, 0}) EXPECT_EQ(LockAt(device, outOfTurn, allowWrites).Ax(), 0x0057) << int(outOfTurn);
    ASSERT_FALSE(LockAt(device, 2).Carry());
    ASSERT_FALSE(LockAt(device, 3).Carry());
    EXPECT_EQ(LockAt(device, 4).Ax(), 0x0057);
    // Levels 3, then 2, then 1 are given up; writes stay allowed until the last.
    for (int held = 3; held > 0; --held) {
        EXPECT_EQ(TryWrites().extended, 0) << "at level " << held;
        ASSERT_FALSE(Unlock(device, 'C').Carry());
    }
    const WriteOutcome unlocked = TryWrites();
    EXPECT_EQ(unlocked.extended, 0x0005);
    EXPECT_EQ(unlocked.classic, 0x000C);
    EXPECT_EQ(Unlock(device, 'C').Ax(), 0x00B0);

    // Level 0 is taken once, and once more to format; nothing follows it.
    ASSERT_FALSE(LockAt(device, 0).Carry());
    EXPECT_EQ(LockAt(device, 1, allowWrites).Ax(), 0x0057);
    ASSERT_FALSE(LockAt(device, 0, format).Carry());
    EXPECT_EQ(LockAt(device, 0, format).Ax(), 0x0057);
    ASSERT_FALSE(Unlock(device, 'C').Carry());
    ASSERT_FALSE(Unlock(device, 'C').Carry());
    EXPECT_EQ(Unlock(device, 'C').Ax(), 0x00B0);
}

TEST_F(Vwin32Test, ADirectWriteNeedsTheWritersLockAtLevel0OrWithWritesAllowed) {
    struct Case {
        std::vector<BYTE> levels;
        WORD permissions;
        bool writes;
    };
    const Case cases[] = {
        {{1}, allowWrites, true},
        {{1}, allowWrites | failNewMappings, true},
        {{1}, 0, false},
        {{1}, failNewMappings, false},
        {{1}, format, false},
        {{1, 2, 3}, 0, false},
        {{1, 2, 3}, allowWrites, true},
        {{0}, 0, true},
        {{0, 0}, format, true},
    };
    for (const Case& c : cases) {
        for (BYTE level : c.levels) ASSERT_FALSE(LockAt(device, level, c.permissions).Carry());
        const WriteOutcome outcome = TryWrites();
        const std::string label = "levels " + std::to_string(c.levels.size()) + " from " + std::to_string(c.levels[0]) +
                                  ", DX " + std::to_string(c.permissions);
        EXPECT_EQ(outcome.extended, c.writes ? 0 : 0x0005) << label;
        EXPECT_EQ(outcome.classic, c.writes ? 0 : 0x000C) << label;
        for (std::size_t i = 0; i < c.levels.size(); ++i) ASSERT_FALSE(Unlock(device, 'C').Carry()) << label;
    }
}

TEST_F(Vwin32Test, AnotherHandlesLockKeepsThisOneOutAsItsLevelSays) {
    OwnedHandle other(OpenDevice());
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo packet(0, 1, region.Address());
    const auto readsThrough = [&] {
        const Reply extended = Extended(device, false, 'C', packet.Address());
        const Reply classic = Classic(device, false, 'C', packet.Address());
        EXPECT_EQ(extended.Carry(), classic.Carry());
        if (extended.Carry()) {
            EXPECT_EQ(extended.Ax(), 0x0005);
            EXPECT_EQ(classic.Ax(), 0x000C);
        }
        return !extended.Carry();
    };
    ASSERT_FALSE(LockAt(other.get(), 1, allowWrites).Carry());
    EXPECT_TRUE(readsThrough()) << "level 1";
    EXPECT_EQ(TryWrites().extended, 0x0005) << "the lock is another handle's";
    EXPECT_EQ(LockAt(device, 1, allowWrites).Ax(), 0x0005);
    ASSERT_FALSE(LockAt(other.get(), 2).Carry());
    EXPECT_TRUE(readsThrough()) << "level 2";
    ASSERT_FALSE(LockAt(other.get(), 3).Carry());
    EXPECT_FALSE(readsThrough()) << "level 3";
    ASSERT_FALSE(Unlock(other.get(), 'C').Carry());
    EXPECT_TRUE(readsThrough()) << "back to level 2";
    ASSERT_FALSE(Unlock(other.get(), 'C').Carry());
    ASSERT_FALSE(Unlock(other.get(), 'C').Carry());
    ASSERT_FALSE(LockAt(other.get(), 0).Carry());
    EXPECT_FALSE(readsThrough()) << "level 0";

    // Closing a handle gives up every level it holds.
    HANDLE locker = OpenDevice();
    EXPECT_EQ(LockAt(locker, 1, allowWrites).Ax(), 0x0005);
    ASSERT_FALSE(Unlock(other.get(), 'C').Carry());
    ASSERT_FALSE(LockAt(locker, 1, allowWrites).Carry());
    ASSERT_FALSE(LockAt(locker, 2).Carry());
    CloseHandle(locker);
    EXPECT_FALSE(LockAt(device, 1, allowWrites).Carry());
    EXPECT_EQ(TryWrites().extended, 0);
}

TEST_F(Vwin32Test, LockIsRefusedWhileAnotherProcessHasTheVolumeOpen) {
    std::string path = image.string();
    ChildProcess holder([path] {
        hosted::ResetMachine();
        hosted::MapDrive('C', {path});
        return OpenVolume('C', GENERIC_READ) == INVALID_HANDLE_VALUE ? 1 : 0;
    });
    Reply refused = Lock(device, 'C');
    EXPECT_TRUE(refused.Carry());
    EXPECT_EQ(refused.Ax(), 0x0005);
    EXPECT_EQ(holder.Finish(), 0);
    EXPECT_FALSE(Lock(device, 'C').Carry());
}

TEST_F(Vwin32Test, AddressesThatDoNotResolveTouchNothing) {
    Bytes buffer(512, 0xCC);
    win32::FlatRegion region(buffer.data(), buffer.size());
    // The packet asks for two sectors into a one-sector region.
    DiskIo tooLong(0, 2, region.Address());
    EXPECT_EQ(Extended(device, false, 'C', tooLong.Address()).Ax(), 0x0009);
    EXPECT_EQ(Classic(device, false, 'C', tooLong.Address()).Ax(), 0x080C);
    EXPECT_EQ(buffer, Bytes(512, 0xCC));
    for (DWORD nowhere : {DWORD{0}, DWORD{0x10}, region.Address() + 4096}) {
        Reply reply = Extended(device, false, 'C', nowhere);
        EXPECT_TRUE(reply.Carry());
        EXPECT_EQ(reply.Ax(), 0x0009);
    }
    DWORD gone;
    {
        DiskIo stale(0, 1, region.Address());
        gone = stale.Address();
    }
    EXPECT_EQ(Extended(device, false, 'C', gone).Ax(), 0x0009);
    EXPECT_EQ(buffer, Bytes(512, 0xCC));
}

TEST_F(Vwin32Test, FailuresReportTheServicesCodes) {
    hosted::MapDrive('R', {image.string(), hosted::DriveKind::Fixed, true});
    hosted::MapDrive('M', {(dir / "missing.img").string()});
    testsupport::WriteFile(dir / "zeros.img", Bytes(64 * 1024));
    hosted::MapDrive('Z', {(dir / "zeros.img").string()});
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo first(0, 1, region.Address());
    DiskIo beyond(static_cast<DWORD>(std::filesystem::file_size(image) / 512), 1, region.Address());
    struct Case {
        char letter;
        bool write;
        const DiskIo& packet;
        WORD classic, extended;
    };
    const Case cases[] = {
        {'H', false, first, 0x0201, 0x000F}, // no such drive
        {'C', false, beyond, 0x0408, 0x001B}, // sector out of range
        {'R', true, first, 0x0300, 0x0013},  // read-only medium
        {'Z', false, first, 0x0207, 0x001A}, // no volume on the medium
        {'M', false, first, 0x8002, 0x0015}, // no medium
    };
    ASSERT_FALSE(Lock(device, 'R').Carry());
    for (const Case& c : cases) {
        Reply classic = Classic(device, c.write, c.letter, c.packet.Address());
        EXPECT_TRUE(classic.Carry()) << c.letter;
        EXPECT_EQ(classic.Ax(), c.classic) << c.letter;
        Reply extended = Extended(device, c.write, c.letter, c.packet.Address());
        EXPECT_TRUE(extended.Carry()) << c.letter;
        EXPECT_EQ(extended.Ax(), c.extended) << c.letter;
    }
}

TEST_F(Vwin32Test, EachBuildOffersTheServicesItShippedWith) {
    const std::filesystem::path fat32 = MapImage('D', 34000, "-F 32");
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo packet(0, 1, region.Address());
    // 950 is Windows 95 and its service pack, 1111 OSR2 (the first with
    // FAT32), 1998 Windows 98, 2222 its second edition.
    for (const char* build : {"950", "1111", "1998", "2222"}) {
        hosted::SetPlatform(std::string("1:") + build);
        const bool extended = std::string_view(build) != "950";
        const Reply viaExtended = Extended(device, false, 'C', packet.Address());
        EXPECT_EQ(viaExtended.Carry(), !extended) << build;
        EXPECT_EQ(viaExtended.Carry() ? viaExtended.Ax() : 0, extended ? 0 : 0x7300) << build << ": DOS 7's answer for a 73xxh function it lacks";
        EXPECT_FALSE(Classic(device, false, 'C', packet.Address()).Carry()) << build;
        EXPECT_EQ(Lock(device, 'C', 0x4800).Carry(), !extended) << build;
        if (extended) {
            ASSERT_FALSE(Unlock(device, 'C', 0x4800).Carry());
        }
        ASSERT_FALSE(Lock(device, 'C', 0x0800).Carry()) << build;
        ASSERT_FALSE(Unlock(device, 'C', 0x0800).Carry()) << build;

        // FAT32 only through 7305h, where there is one.
        std::fill(buffer.begin(), buffer.end(), 0);
        EXPECT_EQ(Classic(device, false, 'D', packet.Address()).Ax(), 0x0207) << build;
        EXPECT_EQ(Extended(device, false, 'D', packet.Address()).Carry(), !extended) << build;
        EXPECT_EQ(buffer == testsupport::DdRead(fat32, 0, 512), extended) << build;
    }
}

// Windows 95/98 know no NTFS or exFAT: every service finds an unknown
// medium there, and neither the buffer nor the volume changes.
TEST_F(Vwin32Test, NtfsAndExfatAreUnknownMedia) {
    const std::pair<char, std::filesystem::path> volumes[] = {
        {'N', testsupport::MakeNtfsImage(dir, "ntfs.img", 16, "-c 4096")},
        {'X', testsupport::MakeExfatImage(dir, "exfat.img", 16, "-c 4K")}};
    const Bytes sentinel = testsupport::Pattern(512, 7);
    Bytes buffer = sentinel;
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo packet(40, 1, region.Address());
    for (const auto& [letter, image] : volumes) {
        hosted::MapDrive(letter, {image.string()});
        const testsupport::SparseImage before = testsupport::SparseImage::Read(image);
        ASSERT_FALSE(Lock(device, letter).Carry()) << letter;
        for (const bool write : {false, true}) {
            const Reply classic = Classic(device, write, letter, packet.Address());
            EXPECT_TRUE(classic.Carry()) << letter;
            EXPECT_EQ(classic.Ax(), 0x0207) << letter;
            const Reply extended = Extended(device, write, letter, packet.Address());
            EXPECT_TRUE(extended.Carry()) << letter;
            EXPECT_EQ(extended.Ax(), 0x001A) << letter;
        }
        EXPECT_FALSE(Unlock(device, letter).Carry()) << letter;
        EXPECT_EQ(buffer, sentinel) << letter;
        EXPECT_TRUE(testsupport::SameImage(testsupport::SparseImage::Read(image), before)) << letter;
    }
}

TEST_F(Vwin32Test, APlannedStatusIsAnsweredWithCarrySetAndNothingDone) {
    hosted::PlanFaults("INT25#1=0x0408;INT21-7305#2;INT21-440D#1");
    const Bytes before = testsupport::ReadFile(image);
    Bytes buffer(512, 0xCC);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo packet(3, 1, region.Address());
    hosted::ClearJournal();
    const Reply planned = Classic(device, false, 'C', packet.Address());
    EXPECT_TRUE(planned.returned);
    EXPECT_TRUE(planned.Carry());
    EXPECT_EQ(planned.Ax(), 0x0408);
    EXPECT_EQ(buffer, Bytes(512, 0xCC));
    const std::vector<std::string> lines = hosted::Journal();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "DeviceIoControl(h1, 0x2, ptr, 28, ptr, 28, ptr, NULL) = TRUE");
    EXPECT_EQ(lines[1].substr(lines[1].find(" out(")),
              " out(EAX=0x00000408 EBX=" + RegisterArg(packet.Address()) +
                  " ECX=0x0000FFFF EDX=0x00000000 EDI=0x00000000 ESI=0x00000000 Flags=0x00000001) planned fault");
    // The next request of the service is served.
    EXPECT_FALSE(Classic(device, false, 'C', packet.Address()).Carry());
    EXPECT_EQ(buffer, testsupport::DdRead(image, 3 * 512, 512));

    // Without a value a service answers its own failure; the count is the service's.
    EXPECT_FALSE(Extended(device, false, 'C', packet.Address()).Carry());
    const Reply general = Extended(device, false, 'C', packet.Address());
    EXPECT_TRUE(general.Carry());
    EXPECT_EQ(general.Ax(), 0x001F);

    // A refused lock is no lock: the write it was for is refused.
    const Reply lock = Lock(device, 'C');
    EXPECT_TRUE(lock.Carry());
    EXPECT_EQ(lock.Ax(), 0x0005);
    EXPECT_EQ(TryWrites().extended, 0x0005);
    EXPECT_EQ(Unlock(device, 'C').Ax(), 0x00B0);
    EXPECT_EQ(testsupport::ReadFile(image), before);
}

TEST_F(Vwin32Test, RequestsOutsideTheServicesFailTheCall) {
    DIOC_REGISTERS r{};
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(device, 5, &r, sizeof r, &r, sizeof r, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(DeviceIoControl(device, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(DeviceIoControl(device, VWIN32_DIOC_DOS_INT25, &r, 20, &r, sizeof r, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    r.reg_EAX = 0x4408;
    EXPECT_EQ(Send(device, VWIN32_DIOC_DOS_IOCTL, r).Ax(), 0x0001);
}

TEST(FlatRegionTest, AddressesResolveOnlyInsideOneLiveRegion) {
    std::array<char, 100> a{}, b{};
    win32::FlatRegion first(a.data(), a.size());
    win32::FlatRegion second(b.data(), b.size());
    ASSERT_NE(first.Address(), 0u);
    ASSERT_NE(second.Address(), 0u);
    EXPECT_EQ(hosted::ResolveFlat(first.Address(), 100), a.data());
    EXPECT_EQ(hosted::ResolveFlat(first.Address() + 40, 60), a.data() + 40);
    EXPECT_EQ(hosted::ResolveFlat(first.Address() + 40, 61), nullptr);
    EXPECT_EQ(hosted::ResolveFlat(second.Address(), 100), b.data());
    EXPECT_EQ(hosted::ResolveFlat(first.Address() - 1, 1), nullptr);
    EXPECT_EQ(win32::FlatRegion(nullptr, 10).Address(), 0u);
    DWORD gone;
    {
        win32::FlatRegion temporary(a.data(), 10);
        gone = temporary.Address();
        EXPECT_EQ(hosted::ResolveFlat(gone, 10), a.data());
    }
    EXPECT_EQ(hosted::ResolveFlat(gone, 10), nullptr);
}

// What a program may ask after a failed transfer: the first request the
// device refused since it last asked, which a second refusal does not hide.
TEST_F(Vwin32Test, TheFirstRefusalIsKeptUntilItIsTaken) {
    EXPECT_FALSE(hosted::TakeDeviceRefusal().has_value());
    OwnedHandle other(OpenDevice());
    ASSERT_FALSE(Lock(device, 'C').Carry());
    EXPECT_TRUE(Lock(other.get(), 'C').Carry());
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DiskIo packet(10, 1, region.Address());
    EXPECT_TRUE(Extended(other.get(), true, 'C', packet.Address()).Carry());
    const std::optional<hosted::DeviceRefusal> refusal = hosted::TakeDeviceRefusal();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->service, "INT21-440D");
    EXPECT_EQ(refusal->eax & 0xFFFF, 0x0005u);
    EXPECT_FALSE(hosted::TakeDeviceRefusal().has_value());
    EXPECT_FALSE(Extended(device, false, 'C', packet.Address()).Carry());
    EXPECT_FALSE(hosted::TakeDeviceRefusal().has_value());
}

} // namespace
} // namespace hostedtest
