// Floppy sectors by cylinder, head and sector through interrupt 13h on
// Windows 95, and as one volume run on NT.
#include <cstring>
#include <regex>

#include "alloc_watch.h"
#include "machine_fixture.h"
#include "peer.h"

namespace orvane_test {
namespace {

using Orvane::TFloppyType;
using Orvane::TZelvan;
using Orvane::TZelvanTestPeer;
using testsupport::Bytes;

struct Chs {
    unsigned cylinder, head, sector;
    bool operator==(const Chs&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Chs& a) {
    return out << "(" << a.cylinder << ", " << a.head << ", " << a.sector << ")";
}

class FloppyTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        MapFat('C', 65536, "-F 16");
        floppy = MapFat('A', 1440, "-F 12", hosted::DriveKind::Removable);
        Use("95");
    }
    void Use(const char* platform) {
        UsePlatform(platform);
        z = std::make_unique<TZelvan>(nullptr);
        hosted::ClearJournal();
    }
    void Run(Orvane::Cardinal first, Orvane::Cardinal sectors) {
        z->SetFirstSector(first);
        z->SetSectors(sectors);
        ASSERT_EQ(z->FirstSector(), first);
        ASSERT_EQ(z->Sectors(), sectors);
    }
    // Through the overloads that take a span, as a C++ caller passes a buffer.
    bool Read(Bytes& buffer, TFloppyType type = Orvane::D1440, char drive = 'A') {
        return z->ReadFloppySectors(drive, buffer, type);
    }
    bool Write(const Bytes& buffer, char drive = 'A', bool flag = false) {
        return z->WriteFloppySectors(drive, buffer, Orvane::D1440, flag);
    }
    // The cylinder, head and sector of every interrupt 13h request so far.
    static std::vector<Chs> Requested() {
        std::vector<Chs> addresses;
        for (const auto& request : Vwin32Requests())
            if (request.service == "INT13") {
                const std::uint32_t cx = request.in.at("ECX"), dx = request.in.at("EDX");
                addresses.push_back({cx >> 8, dx >> 8, cx & 0xFF});
            }
        return addresses;
    }
    bool DriveValid() { return TZelvanTestPeer{*z}.DriveValid(); }

    std::filesystem::path floppy;
    std::unique_ptr<TZelvan> z;
};

TEST_F(FloppyTest, SectorsMapToCylinderHeadAndSector) {
    const std::pair<unsigned, Chs> d1440[] = {
        {0, {0, 0, 1}}, {17, {0, 0, 18}}, {18, {0, 1, 1}}, {36, {1, 0, 1}}, {2879, {79, 1, 18}}};
    for (const auto& [sector, chs] : d1440) {
        Run(sector, 1);
        Bytes buffer(512);
        hosted::ClearJournal();
        ASSERT_TRUE(Read(buffer)) << sector;
        EXPECT_EQ(Requested(), std::vector<Chs>{chs}) << sector;
        EXPECT_EQ(buffer, testsupport::DdRead(floppy, sector * 512ull, 512)) << sector;
    }
    // A 360 KB geometry on this medium: 9 sectors a track.
    const std::pair<unsigned, Chs> d360[] = {{9, {0, 1, 1}}, {719, {39, 1, 9}}};
    for (const auto& [sector, chs] : d360) {
        Run(sector, 1);
        Bytes buffer(512);
        hosted::ClearJournal();
        ASSERT_TRUE(Read(buffer, Orvane::D360)) << sector;
        EXPECT_EQ(Requested(), std::vector<Chs>{chs});
        const unsigned lba = (chs.cylinder * 2 + chs.head) * 18 + chs.sector - 1;
        EXPECT_EQ(buffer, testsupport::DdRead(floppy, lba * 512ull, 512));
    }
}

TEST_F(FloppyTest, TheCylinderMustFitInEightBits) {
    Run(9215, 1);
    Bytes buffer(512);
    EXPECT_FALSE(Read(buffer)) << "cylinder 255 is past this medium";
    EXPECT_EQ(Requested(), (std::vector<Chs>{{255, 1, 18}, {255, 1, 18}})) << "requested, with its retry";
    for (const auto& [first, type] : {std::pair{9216u, Orvane::D1440}, std::pair{4608u, Orvane::D360}}) {
        Run(first, 1);
        hosted::ClearJournal();
        EXPECT_FALSE(Read(buffer, type));
        EXPECT_TRUE(Requested().empty()) << first;
    }
}

TEST_F(FloppyTest, ARunCrossesTheTrackByHeadFirst) {
    Run(17, 2);
    Bytes buffer(1024);
    ASSERT_TRUE(Read(buffer));
    EXPECT_EQ(Requested(), (std::vector<Chs>{{0, 0, 18}, {0, 1, 1}}));
    EXPECT_EQ(buffer, testsupport::DdRead(floppy, 17 * 512, 1024));
}

TEST_F(FloppyTest, AnUnknownFormatIsTakenForA144Disk) {
    Run(30, 10);
    Bytes known(5120), unknown(5120);
    ASSERT_TRUE(Read(known, Orvane::D1440));
    const auto requestedKnown = Requested();
    hosted::ClearJournal();
    ASSERT_TRUE(Read(unknown, Orvane::DUnknown));
    EXPECT_EQ(Requested(), requestedKnown);
    EXPECT_EQ(unknown, known);
}

TEST_F(FloppyTest, NoSectorsOrNoRetriesMakeNoRequestOn95) {
    Run(0, 0);
    Bytes buffer(512);
    EXPECT_FALSE(Read(buffer));
    EXPECT_TRUE(Requested().empty());
    Run(0, 1);
    z->SetRetries(0);
    hosted::ClearJournal();
    EXPECT_FALSE(Read(buffer));
    EXPECT_TRUE(Requested().empty());
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, OnNtAnEmptyRunIsWhatTheVolumeRoadSays) {
    Use("nt");
    Run(0, 0);
    EXPECT_TRUE(z->ReadFloppySectors('A', nullptr, -1, Orvane::D1440));
    EXPECT_EQ(CountCalls("ReadFile"), 1u);
}

TEST_F(FloppyTest, ALowerCaseLetterAndADriveBeyondBAreRead) {
    const auto e = MapFat('E', 1440, "-F 12", hosted::DriveKind::Removable);
    Run(0, 1);
    Bytes buffer(512);
    Read(buffer, Orvane::D1440, 'e');
    const auto requests = Vwin32Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].in.at("EDX") & 0xFF, 4u) << "drive number of E:";
    EXPECT_NE(Lines("GetDriveTypeA")[0].find("\"E:\\\""), std::string::npos) << Lines("GetDriveTypeA")[0];

    hosted::ClearJournal();
    ASSERT_TRUE(Read(buffer, Orvane::D1440, 'a'));
    EXPECT_EQ(Vwin32Requests()[0].in.at("EDX") & 0xFF, 0u);
    EXPECT_EQ(buffer, testsupport::DdRead(floppy, 0, 512));
}

TEST_F(FloppyTest, RefusedDrivesInvalidateTheComponent) {
    MapFat('E', 1440, "-F 12", hosted::DriveKind::Removable);
    Run(0, 1);
    Bytes buffer(512);
    ASSERT_TRUE(DriveValid());
    EXPECT_FALSE(Read(buffer, Orvane::D1440, 'C')) << "a fixed drive";
    EXPECT_FALSE(DriveValid());

    z->SetDisk('C');
    hosted::SetAnswer(IDYES);
    hosted::ClearJournal();
    EXPECT_FALSE(Write(buffer, 'E')) << "only A: and B: are written";
    EXPECT_FALSE(DriveValid());
    EXPECT_TRUE(hosted::ShownMessages().empty());
    EXPECT_TRUE(Requested().empty());
}

TEST_F(FloppyTest, AnsweringNoWritesNothingAndKeepsTheDriveValid) {
    hosted::SetAnswer(IDNO);
    Run(0, 1);
    const Bytes before = testsupport::ReadFile(floppy);
    EXPECT_FALSE(Write(Bytes(512, 0x55)));
    EXPECT_TRUE(DriveValid());
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(floppy), before));
    ASSERT_EQ(hosted::ShownMessages().size(), 1u);
    EXPECT_EQ(hosted::ShownMessages()[0].text, "Dangerous!\rDo you want to write to the drive A: really?");
    EXPECT_EQ(hosted::ShownMessages()[0].style, 52u);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, WithoutTheWarningNoQuestionAndTheFlagChangesNothing) {
    z->SetNeedWriteWarn(false);
    Run(40, 2);
    const Bytes before = testsupport::ReadFile(floppy);
    const Bytes data = testsupport::Pattern(1024, 6);
    const Bytes expected = testsupport::Overwritten(before, 40 * 512, data);
    // The same write with the flag false and true, each on the disk as it was.
    std::vector<std::string> journals[2];
    for (const bool flag : {false, true}) {
        testsupport::WriteFile(floppy, before);
        SetErrorMode(0);
        hosted::ClearJournal();
        ASSERT_TRUE(Write(data, 'a', flag)) << flag;
        EXPECT_TRUE(hosted::ShownMessages().empty()) << flag;
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(floppy), expected)) << flag;
        // Handle numbers count on from one write to the next.
        for (const std::string& line : hosted::Journal())
            journals[flag].push_back(std::regex_replace(line, std::regex(R"(\bh\d+\b)"), "hN"));
    }
    EXPECT_EQ(journals[1], journals[0]);
    EXPECT_EQ(journals[0].front(), R"(GetDriveTypeA("A:\") = DRIVE_REMOVABLE)");
    EXPECT_EQ(Requested(), (std::vector<Chs>{{1, 0, 5}, {1, 0, 6}}));
}

TEST_F(FloppyTest, OnAnUnknownPlatformTheWriteStillAsksFirst) {
    Use("0:100");
    hosted::SetAnswer(IDYES);
    Run(0, 1);
    EXPECT_FALSE(Write(Bytes(512)));
    EXPECT_EQ(hosted::ShownMessages().size(), 1u);
    EXPECT_TRUE(Requested().empty());
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, ASectorThatFailsEveryAttemptEndsTheRunKeepingWhatWasDone) {
    Run(100, 3);
    // Requests 1 and 2 move sectors 100 and 101; sector 102 fails both its attempts.
    hosted::FailCall("DeviceIoControl:0x4", {3, 4});
    Bytes buffer(1536, 0xCC);
    EXPECT_FALSE(Read(buffer));
    EXPECT_EQ(Requested().size(), 2u) << "the failed calls reached no service";
    EXPECT_EQ(CountCalls("DeviceIoControl"), 4u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 1024), testsupport::DdRead(floppy, 100 * 512, 1024));
    EXPECT_EQ(Bytes(buffer.begin() + 1024, buffer.end()), Bytes(512, 0xCC));

    z->SetNeedWriteWarn(false);
    hosted::FailCall("DeviceIoControl:0x4", {3, 4});
    const Bytes before = testsupport::ReadFile(floppy);
    const Bytes data = testsupport::Pattern(1536, 2);
    EXPECT_FALSE(Write(data));
    const Bytes expected = testsupport::Overwritten(before, 100 * 512, Bytes(data.begin(), data.begin() + 1024));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(floppy), expected));
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, AShortBufferIsRefusedBeforeAnythingOnBothRoads) {
    for (const char* platform : {"95", "nt"}) {
        Use(platform);
        hosted::SetAnswer(IDYES);
        Run(0, 3);
        hosted::ClearJournal();
        Bytes buffer(1535); // one byte short of the run
        EXPECT_FALSE(Read(buffer)) << platform;
        EXPECT_FALSE(Write(buffer)) << platform;
        EXPECT_FALSE(z->ReadFloppySectors('A', nullptr, -1, Orvane::D1440));
        EXPECT_FALSE(z->ReadFloppySectors('A', buffer.data(), -2, Orvane::D1440)) << "a High below -1 is empty";
        for (const std::string& call : Calls()) EXPECT_EQ(call, "GetDriveTypeA") << platform;
    }
}

TEST_F(FloppyTest, OnNtTheRunIsOneVolumeTransfer) {
    Use("nt");
    Run(20, 40);
    Bytes buffer(40 * 512);
    ASSERT_TRUE(Read(buffer));
    EXPECT_EQ(buffer, testsupport::DdRead(floppy, 20 * 512, buffer.size()));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"GetDriveTypeA", "SetErrorMode", "CreateFileA", "SetErrorMode",
                                                 "SetFilePointer", "ReadFile", "CloseHandle"}));
    ASSERT_EQ(CountCalls("ReadFile"), 1u);
    EXPECT_EQ(Lines("SetFilePointer")[0], "SetFilePointer(h1, 10240, [0], FILE_BEGIN) = 10240 (high 0)");
    EXPECT_EQ(Lines("ReadFile")[0], "ReadFile(h1, ptr, 20480, ptr, NULL) = TRUE (20480 bytes)");
    EXPECT_EQ(Orvane::DiskHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);

    // A removable drive whose volume cannot be opened: GetDiskHandle fails.
    hosted::MapDrive('B', {(dir / "no-disk.img").string(), hosted::DriveKind::Removable});
    hosted::ClearJournal();
    EXPECT_FALSE(Read(buffer, Orvane::D1440, 'B'));
    ASSERT_EQ(Calls(), (std::vector<std::string>{"GetDriveTypeA", "SetErrorMode", "CreateFileA", "SetErrorMode"}));
    EXPECT_NE(Lines("CreateFileA")[0].find("= INVALID_HANDLE_VALUE"), std::string::npos) << Lines("CreateFileA")[0];
    EXPECT_EQ(Orvane::DiskHandle, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Orvane::HandleOpened);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, OnNtAWriteIsOneVolumeTransferOfExactlyTheRun) {
    Use("nt");
    z->SetNeedWriteWarn(false);
    Run(70, 5);
    const Bytes before = testsupport::ReadFile(floppy);
    const Bytes data = testsupport::Pattern(5 * 512, 12);
    ASSERT_TRUE(Write(data));
    const Bytes expected = testsupport::Overwritten(before, 70 * 512, data);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(floppy), expected));
    ASSERT_EQ(Calls(), (std::vector<std::string>{"GetDriveTypeA", "SetErrorMode", "CreateFileA", "SetErrorMode",
                                                 "SetFilePointer", "WriteFile", "CloseHandle"}));
    EXPECT_EQ(Lines("WriteFile")[0], "WriteFile(h1, ptr, 2560, ptr, NULL) = TRUE (2560 bytes)");
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, AnExceptionInsideTheTransferIsFalseWithNothingLeftOpen) {
    Use("nt");
    Run(0, 8);
    Bytes buffer(8 * 512);
    WatchAllocations blocks(8 * 512, true);
    EXPECT_FALSE(Read(buffer));
    EXPECT_EQ(Orvane::DiskHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, The720KAnd12MGeometriesAddressTheirOwnDisks) {
    struct Case {
        TFloppyType type;
        unsigned kib;
        unsigned sector;
        Chs chs;
    };
    const Case cases[] = {
        {Orvane::D720, 720, 8, {0, 0, 9}},    {Orvane::D720, 720, 9, {0, 1, 1}},
        {Orvane::D720, 720, 18, {1, 0, 1}},   {Orvane::D720, 720, 1439, {79, 1, 9}},
        {Orvane::D1200, 1200, 14, {0, 0, 15}}, {Orvane::D1200, 1200, 15, {0, 1, 1}},
        {Orvane::D1200, 1200, 30, {1, 0, 1}},  {Orvane::D1200, 1200, 2399, {79, 1, 15}},
    };
    for (const Case& c : cases) {
        const auto disk = testsupport::MakeFloppyImage(dir, "f" + std::to_string(c.kib) + ".img", c.kib);
        hosted::MapDrive('A', {disk.string(), hosted::DriveKind::Removable});
        Run(c.sector, 1);
        Bytes buffer(512);
        hosted::ClearJournal();
        ASSERT_TRUE(Read(buffer, c.type)) << c.kib << " " << c.sector;
        EXPECT_EQ(Requested(), std::vector<Chs>{c.chs}) << c.kib << " " << c.sector;
        EXPECT_EQ(buffer, testsupport::DdRead(disk, c.sector * 512ull, 512)) << c.kib << " " << c.sector;
    }
}

TEST_F(FloppyTest, ATransientStatusMidRunIsRetriedAndTheRunGoesOn) {
    Run(200, 4);
    // The third request, sector 202's first attempt, finds the medium changed.
    hosted::FailCall("INT13", {3}, 0x06);
    Bytes buffer(2048);
    ASSERT_TRUE(Read(buffer));
    EXPECT_EQ(buffer, testsupport::DdRead(floppy, 200 * 512, 2048));
    EXPECT_EQ(Requested(), (std::vector<Chs>{{5, 1, 3}, {5, 1, 4}, {5, 1, 5}, {5, 1, 5}, {5, 1, 6}}));
    const auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[2].out.at("EAX") >> 8 & 0xFF, 0x06u);
    EXPECT_EQ(requests[2].out.at("Flags") & 1u, 1u);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);

    // With the status on every attempt the run stops at that sector.
    hosted::ClearJournal();
    hosted::FailCall("INT13", {2, 3}, 0x06);
    Bytes again(2048, 0xCC);
    EXPECT_FALSE(Read(again));
    EXPECT_EQ(Requested(), (std::vector<Chs>{{5, 1, 3}, {5, 1, 4}, {5, 1, 4}}));
    EXPECT_EQ(Bytes(again.begin(), again.begin() + 512), testsupport::DdRead(floppy, 200 * 512, 512));
    EXPECT_EQ(Bytes(again.begin() + 512, again.end()), Bytes(1536, 0xCC));
}

TEST_F(FloppyTest, On95ADeviceThatCannotBeOpenedFailsWithNothingToClose) {
    Run(0, 1);
    hosted::FailCall("CreateFileA", {1});
    Bytes buffer(512);
    EXPECT_FALSE(Read(buffer));
    EXPECT_EQ(Calls(), (std::vector<std::string>{"GetDriveTypeA", "SetErrorMode", "CreateFileA", "SetErrorMode"}));
    EXPECT_EQ(Orvane::DeviceHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
}

TEST_F(FloppyTest, TheWriteUsesAnOpenDeviceAndTheReadForgetsIt) {
    Run(50, 1);
    z->SetNeedWriteWarn(false);
    TZelvanTestPeer peer{*z};
    ASSERT_TRUE(peer.GetDeviceHandle());
    const HANDLE open = Orvane::DeviceHandle;
    hosted::ClearJournal();
    const Bytes data = testsupport::Pattern(512, 31);
    ASSERT_TRUE(Write(data));
    EXPECT_EQ(testsupport::DdRead(floppy, 50 * 512, 512), data);
    ASSERT_EQ(Calls(), (std::vector<std::string>{"GetDriveTypeA", "DeviceIoControl", "VWIN32 INT13 in", "CloseHandle"}))
        << "no open of its own; the end of the write closes the handle it found";
    EXPECT_EQ(Lines("DeviceIoControl")[0].rfind("DeviceIoControl(h1, 0x4,", 0), 0u) << Lines("DeviceIoControl")[0];
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);

    ASSERT_TRUE(peer.GetDeviceHandle());
    const HANDLE kept = Orvane::DeviceHandle;
    hosted::ClearJournal();
    Bytes buffer(512);
    ASSERT_TRUE(Read(buffer));
    EXPECT_EQ(buffer, data);
    ASSERT_EQ(Calls(), (std::vector<std::string>{"GetDriveTypeA", "SetErrorMode", "CreateFileA", "SetErrorMode",
                                                 "DeviceIoControl", "VWIN32 INT13 in", "CloseHandle"}));
    EXPECT_EQ(Lines("CloseHandle")[0], "CloseHandle(h3) = TRUE") << "the read's own device, h2 forgotten";
    EXPECT_EQ(hosted::OpenHandleCount(), 1u);
    EXPECT_TRUE(CloseHandle(kept));
    EXPECT_NE(open, kept);
}

TEST_F(FloppyTest, OnlyInterrupt13hIsCarriedOut) {
    for (const std::uint8_t number : {0x00, 0x12, 0x14, 0x21, 0x25, 0xFF}) {
        Orvane::TIntRegisters regs{};
        regs.AH = 0x02;
        regs.AL = 1;
        regs.EBX = 0x12345678;
        Orvane::TIntRegisters expected = regs;
        expected.AH = 255;
        Orvane::DoInterrupt(number, regs);
        EXPECT_EQ(std::memcmp(&regs, &expected, sizeof regs), 0) << int(number);
    }
    EXPECT_TRUE(hosted::Journal().empty());
}

TEST_F(FloppyTest, AFloppyTypeOutsideTheTableIsRefusedBeforeAnyRequest) {
    Run(0, 1);
    hosted::SetAnswer(IDYES);
    Bytes buffer(512);
    for (const char* platform : {"95", "nt"}) {
        Use(platform);
        Run(0, 1);
        const auto outside = static_cast<TFloppyType>(Orvane::D1440 + 1);
        EXPECT_FALSE(z->ReadFloppySectors('A', buffer.data(), 511, outside)) << platform;
        EXPECT_FALSE(z->WriteFloppySectors('A', buffer.data(), 511, static_cast<TFloppyType>(255), false)) << platform;
        EXPECT_EQ(Calls(), (std::vector<std::string>{"GetDriveTypeA", "GetDriveTypeA"})) << platform;
    }
}

TEST_F(FloppyTest, BIsWrittenAsBiosDrive1) {
    const auto b = MapFat('B', 1440, "-F 12", hosted::DriveKind::Removable);
    z->SetNeedWriteWarn(false);
    Run(19, 1);
    const Bytes before = testsupport::ReadFile(b);
    const Bytes data = testsupport::Pattern(512, 77);
    ASSERT_TRUE(Write(data, 'b'));
    const Bytes expected = testsupport::Overwritten(before, 19 * 512, data);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(b), expected));
    const auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].in.at("EAX"), 0x0301u);
    EXPECT_EQ(requests[0].in.at("EDX"), 0x0101u) << "head 1, drive 1";
    EXPECT_EQ(requests[0].in.at("ECX"), 0x0002u) << "cylinder 0, sector 2";
}

TEST_F(FloppyTest, AWholeDiskGoesThroughInterrupt13hSectorBySector) {
    Run(0, 2880);
    Bytes disk(2880 * 512);
    ASSERT_TRUE(Read(disk));
    EXPECT_TRUE(testsupport::SameBytes(disk, testsupport::ReadFile(floppy)));

    // Another disk with a file on it, written whole over A:.
    const auto source = testsupport::MakeFatImage(dir, "source.img", 1440, "-F 12 -n SOURCE");
    testsupport::WriteFile(dir / "hello.txt", testsupport::Bytes{'h', 'i', '\n'});
    testsupport::RunOk("mcopy -i '" + source.string() + "' '" + (dir / "hello.txt").string() + "' ::HELLO.TXT");
    z->SetNeedWriteWarn(false);
    ASSERT_TRUE(Write(testsupport::ReadFile(source)));
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(floppy), testsupport::ReadFile(source)));
    testsupport::RunOk("fsck.fat -n '" + floppy.string() + "'");
    EXPECT_NE(testsupport::RunOk("mdir -i '" + floppy.string() + "' ::").find("HELLO"), std::string::npos);
}

// The NT road takes the floppy run as bytes of the volume, wherever it
// starts: on a removable drive of 2.2 GiB, beyond 2 GiB too.
TEST_F(FloppyTest, OnNtAStartBeyondTwoGiBIsReadWhereItIs) {
    const auto large = MapFat('C', 2200 * 1024, "-F 32", hosted::DriveKind::Removable);
    testsupport::WriteFile(dir / "mark.bin", testsupport::Pattern(1024, 9));
    testsupport::RunOk("dd if='" + (dir / "mark.bin").string() + "' of='" + large.string() +
                       "' bs=512 seek=4194304 conv=notrunc status=none");
    Use("nt");
    Run(4194304, 2);
    Bytes buffer(1024);
    ASSERT_TRUE(Read(buffer, Orvane::D1440, 'C'));
    EXPECT_EQ(buffer, testsupport::Pattern(1024, 9));
    EXPECT_EQ(Lines("SetFilePointer").at(0), "SetFilePointer(h1, -2147483648, [0], FILE_BEGIN) = 2147483648 (high 0)");
}

} // namespace
} // namespace orvane_test
