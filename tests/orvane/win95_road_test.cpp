// The Windows 95/98 road: DOS absolute disk requests through the VWIN32
// device, in the classic and the extended generation.
#include <cstring>

#include "machine_fixture.h"
#include "peer.h"

namespace orvane_test {
namespace {

using Orvane::TZelvan;
using Orvane::TZelvanTestPeer;
using testsupport::Bytes;

constexpr int DriveC = 2;

class Win95RoadTest : public MachineTest {
protected:
    void SetUp() override {
        MachineTest::SetUp();
        image = MapFat('C', 16384, "-F 16");
    }
    // A component on the Windows build given, as the version query reports it.
    std::unique_ptr<TZelvan> On(const std::string& build) {
        UsePlatform("1:" + build);
        auto z = std::make_unique<TZelvan>(nullptr);
        hosted::ClearJournal();
        return z;
    }
    // A component that took `build` for its Windows' build, on Windows 98,
    // which offers both generations: what it asks for is its own rule.
    std::unique_ptr<TZelvan> Believing(std::uint16_t build) {
        auto z = On("1998");
        TZelvanTestPeer{*z}.BuildNumber() = build;
        return z;
    }
    // WS95 of one sector of a pattern succeeds and changes the image there alone.
    void ExpectOneSectorWritten(TZelvan& z, int sector, std::uint8_t seed) {
        const Bytes before = testsupport::ReadFile(image);
        const Bytes data = testsupport::Pattern(512, seed);
        EXPECT_TRUE(TZelvanTestPeer{z}.WS95(DriveC, sector, 1, const_cast<std::uint8_t*>(data.data())));
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image),
                                           testsupport::Overwritten(before, std::size_t(sector) * 512, data)));
    }
    void ExpectDeviceClosed() {
        EXPECT_EQ(Orvane::DeviceHandle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(hosted::OpenHandleCount(), 0u);
    }
    std::filesystem::path image;
};

TEST_F(Win95RoadTest, ClassicBuildsReadThroughInt25InsideTheLock) {
    auto z = Believing(1000);
    z->SetNeedDiskLock(true);
    Bytes buffer(3 * 512);
    ASSERT_TRUE(TZelvanTestPeer{*z}.RS95(DriveC, 5, 3, buffer.data()));
    EXPECT_EQ(buffer, testsupport::DdRead(image, 5 * 512, 3 * 512));

    const auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].service, "INT21-440D");
    EXPECT_EQ(requests[0].in.at("EAX"), 0x440Du);
    EXPECT_EQ(requests[0].in.at("EBX"), 0x0103u);
    EXPECT_EQ(requests[0].in.at("ECX"), 0x084Au);
    EXPECT_EQ(requests[0].in.at("EDX"), 1u);
    EXPECT_EQ(requests[1].service, "INT25");
    EXPECT_EQ(requests[1].in.at("EAX"), 2u);
    EXPECT_EQ(requests[1].in.at("ECX"), 0xFFFFu);
    EXPECT_EQ(requests[2].service, "INT21-440D");
    EXPECT_EQ(requests[2].in.at("EAX"), 0x440Du);
    EXPECT_EQ(requests[2].in.at("EBX"), 3u);
    EXPECT_EQ(requests[2].in.at("ECX"), 0x086Au);
    for (const auto& request : requests) EXPECT_EQ(request.in.at("Flags"), 1u) << "carry set before each request";
    ExpectDeviceClosed();
}

TEST_F(Win95RoadTest, ExtendedBuildsUseFunction7305AndTheFat32Category) {
    auto z = Believing(1001);
    z->SetNeedDiskLock(true);
    Bytes buffer(512);
    ASSERT_TRUE(TZelvanTestPeer{*z}.RS95(DriveC, 7, 1, buffer.data()));
    EXPECT_EQ(buffer, testsupport::DdRead(image, 7 * 512, 512));

    const auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].in.at("ECX"), 0x484Au);
    EXPECT_EQ(requests[1].in.at("EAX"), 0x7305u);
    EXPECT_EQ(requests[1].in.at("EDX"), 3u);
    EXPECT_EQ(requests[1].in.at("ESI"), 0u);
    EXPECT_EQ(requests[1].in.at("ECX"), 0xFFFFu);
    EXPECT_EQ(requests[2].in.at("ECX"), 0x486Au);
    EXPECT_EQ(CountCalls("DeviceIoControl"), 3u);
    EXPECT_NE(Lines("DeviceIoControl")[1].find(", 0x6,"), std::string::npos) << Lines("DeviceIoControl")[1];
}

TEST_F(Win95RoadTest, AReadWithoutTheLockPropertyIsOneRequest) {
    for (const char* build : {"950", "1998"}) {
        auto z = On(build);
        Bytes buffer(512);
        ASSERT_TRUE(TZelvanTestPeer{*z}.RS95(DriveC, 0, 1, buffer.data()));
        EXPECT_EQ(Vwin32Requests().size(), 1u) << build;
        ExpectDeviceClosed();
    }
}

TEST_F(Win95RoadTest, EachWindowsIsReadAndWrittenWithTheServicesItOffers) {
    const auto fat32 = MapFat('D', 34000, "-F 32");
    // 950 has INT 25h/26h only; from 1111 (OSR2) FAT32 is there, through 7305h alone.
    const std::pair<const char*, char> cases[] = {{"950", 'C'}, {"1111", 'C'}, {"1111", 'D'}, {"1998", 'D'}};
    for (const auto& [build, letter] : cases) {
        auto z = On(build);
        z->SetDisk(letter);
        z->SetNeedWriteWarn(false);
        z->SetFirstSector(600);
        z->SetSectors(2);
        const auto& image_ = letter == 'C' ? image : fat32;
        const Bytes data = testsupport::Pattern(1024, static_cast<std::uint8_t>(letter + build[1]));
        ASSERT_TRUE(z->WriteSectors(data.data(), 1023)) << build << " " << letter;
        Bytes read(1024);
        ASSERT_TRUE(z->ReadSectors(read.data(), 1023)) << build << " " << letter;
        EXPECT_EQ(read, data);
        EXPECT_EQ(testsupport::DdRead(image_, 600 * 512, 1024), data) << build << " " << letter;
    }
}

TEST_F(Win95RoadTest, WritesAlwaysLockAndChangeExactlyTheRun) {
    const std::pair<const char*, bool> generations[] = {{"950", false}, {"1998", true}};
    for (const auto& [build, extended] : generations) {
        auto z = On(build);
        const Bytes before = testsupport::ReadFile(image);
        const Bytes data = testsupport::Pattern(2 * 512, static_cast<std::uint8_t>(before[600]));
        ASSERT_TRUE(TZelvanTestPeer{*z}.WS95(DriveC, 300, 2, const_cast<std::uint8_t*>(data.data()))) << build;
        const Bytes expected = testsupport::Overwritten(before, 300 * 512, data);
        EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), expected)) << build;

        const auto requests = Vwin32Requests();
        ASSERT_EQ(requests.size(), 3u) << build;
        const DWORD category = extended ? 0x4000 : 0;
        // Lock level 1 of drive C (A = 1) with writes allowed; unlock; the carry set before each.
        EXPECT_EQ(requests[0].service, "INT21-440D");
        EXPECT_EQ(requests[0].in, (std::map<std::string, std::uint32_t>{
                                      {"EAX", 0x440D}, {"EBX", 0x0103}, {"ECX", 0x084A + category}, {"EDX", 1},
                                      {"EDI", 0}, {"ESI", 0}, {"Flags", 1}}))
            << requests[0].line;
        EXPECT_EQ(requests[2].service, "INT21-440D");
        EXPECT_EQ(requests[2].in.at("EAX"), 0x440Du);
        EXPECT_EQ(requests[2].in.at("EBX"), 3u);
        EXPECT_EQ(requests[2].in.at("ECX"), 0x086A + category);
        EXPECT_EQ(requests[2].in.at("Flags"), 1u);
        const Vwin32Request& write = requests[1];
        EXPECT_EQ(write.service, extended ? "INT21-7305" : "INT26");
        EXPECT_EQ(write.in.at("EAX"), extended ? 0x7305u : 2u);
        EXPECT_EQ(write.in.at("ECX"), 0xFFFFu);
        if (extended) {
            EXPECT_EQ(write.in.at("EDX"), 3u);
            EXPECT_EQ(write.in.at("ESI"), 1u);
        }
        EXPECT_EQ(write.in.at("Flags"), 1u);
        EXPECT_NE(write.line.find("packet(2C 01 00 00 02 00 "), std::string::npos) << write.line;
        for (const auto& request : requests) EXPECT_EQ(request.out.at("Flags") & 1u, 0u) << request.line;
        ExpectDeviceClosed();
    }
}

TEST_F(Win95RoadTest, AtBuild1000AWriteTakesTheClassicRequests) {
    auto z = Believing(1000);
    ExpectOneSectorWritten(*z, 44, 17);
    const auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].in.at("ECX"), 0x084Au);
    EXPECT_EQ(requests[1].service, "INT26");
    EXPECT_EQ(requests[1].in.at("EAX"), 2u);
    EXPECT_EQ(requests[2].in.at("ECX"), 0x086Au);
}

TEST_F(Win95RoadTest, ThePacketIsTenLittleEndianBytes) {
    auto z = On("950");
    Bytes buffer(3 * 512, 0xCC);
    EXPECT_FALSE(TZelvanTestPeer{*z}.RS95(DriveC, 0x12345678, 3, buffer.data())) << "far past the volume";
    const Bytes packet(reinterpret_cast<const std::uint8_t*>(&Orvane::DiskIo),
                       reinterpret_cast<const std::uint8_t*>(&Orvane::DiskIo) + 10);
    EXPECT_EQ(Bytes(packet.begin(), packet.begin() + 6), (Bytes{0x78, 0x56, 0x34, 0x12, 0x03, 0x00}));
    auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 1u);
    // The device read the same ten bytes.
    char shown[31];
    std::snprintf(shown, sizeof shown, "%02X %02X %02X %02X %02X %02X %02X %02X %02X %02X", packet[0], packet[1],
                  packet[2], packet[3], packet[4], packet[5], packet[6], packet[7], packet[8], packet[9]);
    EXPECT_NE(requests[0].line.find(std::string("packet(") + shown + ")"), std::string::npos) << requests[0].line;
    EXPECT_EQ(buffer, Bytes(3 * 512, 0xCC));

    // The last four name the caller's buffer, whole: the device reads into it.
    hosted::ClearJournal();
    ASSERT_TRUE(TZelvanTestPeer{*z}.RS95(DriveC, 0x0201, 3, buffer.data()));
    EXPECT_EQ(buffer, testsupport::DdRead(image, 0x0201 * 512, 3 * 512));
    requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].line.find("packet(01 02 00 00 03 00 "), std::string::npos) << requests[0].line;
}

TEST_F(Win95RoadTest, TheUnlockOutcomeNeverChangesTheResult) {
    auto z = On("950");
    hosted::FailCall("DeviceIoControl:0x1", {2});
    ExpectOneSectorWritten(*z, 10, 8);
    ExpectDeviceClosed();
}

TEST_F(Win95RoadTest, AnUnlockAnsweredWithCarrySetChangesNothingEither) {
    auto z = On("1998");
    hosted::FailCall("INT21-440D", {2}, 0x00B0);
    ExpectOneSectorWritten(*z, 12, 23);
    const auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].out.at("Flags") & 1u, 1u);
    EXPECT_EQ(requests[2].out.at("EAX") & 0xFFFF, 0x00B0u);
    ExpectDeviceClosed();
}

TEST_F(Win95RoadTest, ARefusedTransferFailsButStillUnlocks) {
    auto z = On("1998");
    hosted::FailCall("DeviceIoControl:0x6", {1});
    const Bytes before = testsupport::ReadFile(image);
    Bytes data(512, 0xEE);
    EXPECT_FALSE(TZelvanTestPeer{*z}.WS95(DriveC, 10, 1, data.data()));
    EXPECT_EQ(Vwin32Requests().size(), 2u) << "lock and unlock; the refused call reached no service";
    EXPECT_EQ(CountCalls("DeviceIoControl"), 3u);
    EXPECT_TRUE(testsupport::SameBytes(testsupport::ReadFile(image), before));

    // A carry returned by the service fails the transfer too: a sector past the volume.
    hosted::ClearJournal();
    const auto sectors = static_cast<int>(std::filesystem::file_size(image) / 512);
    EXPECT_FALSE(TZelvanTestPeer{*z}.RS95(DriveC, sectors, 1, data.data()));
    ASSERT_EQ(Vwin32Requests().size(), 1u);
    EXPECT_EQ(Vwin32Requests()[0].out.at("Flags") & 1u, 1u);
    ExpectDeviceClosed();
}

TEST_F(Win95RoadTest, TheDeviceIsOpenedTheWayEachUserNeedsIt) {
    auto z = On("950");
    TZelvanTestPeer peer{*z};
    Bytes buffer(512);
    ASSERT_TRUE(peer.RS95(DriveC, 0, 1, buffer.data()));
    EXPECT_EQ(Lines("CreateFileA")[0].substr(0, Lines("CreateFileA")[0].rfind(" = ")),
              R"(CreateFileA("\\.\vwin32", 0xC0000000, 0x0, NULL, 0, 0x4000000, NULL))");
    EXPECT_EQ(CountCalls("SetErrorMode"), 0u) << "a run's own device leaves the error mode alone";

    hosted::ClearJournal();
    ASSERT_TRUE(peer.GetDeviceHandle());
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetErrorMode", "CreateFileA", "SetErrorMode"}));
    EXPECT_EQ(Lines("CreateFileA")[0].substr(0, Lines("CreateFileA")[0].rfind(" = ")),
              R"(CreateFileA("\\.\vwin32", 0xC0000000, 0x3, NULL, 3, 0x0, NULL))");
    EXPECT_EQ(hosted::ErrorMode(), SEM_NOALIGNMENTFAULTEXCEPT);
    const HANDLE open = Orvane::DeviceHandle;
    ASSERT_TRUE(peer.GetDeviceHandle());
    EXPECT_EQ(Orvane::DeviceHandle, open) << "an open device is kept";
    peer.FreeHandle();
}

TEST_F(Win95RoadTest, TheDeviceIsClosedAfterEveryCallEvenWhenItDidNotOpen) {
    auto z = On("950");
    hosted::FailCall("CreateFileA", {1});
    Bytes buffer(512);
    EXPECT_FALSE(TZelvanTestPeer{*z}.RS95(DriveC, 0, 1, buffer.data()));
    ExpectDeviceClosed();
    EXPECT_TRUE(TZelvanTestPeer{*z}.RS95(DriveC, 0, 1, buffer.data()));
    ExpectDeviceClosed();
}

TEST_F(Win95RoadTest, ARunOfMoreThan65535SectorsTakesSeveralRequestsInOneLock) {
    image = MapFat('C', 65536, "-F 16");
    auto z = On("1998");
    z->SetNeedDiskLock(true);
    const int count = 70000;
    Bytes buffer(std::size_t(count) * 512);
    ASSERT_TRUE(TZelvanTestPeer{*z}.RS95(DriveC, 1, count, buffer.data()));
    EXPECT_TRUE(testsupport::SameBytes(buffer, testsupport::DdRead(image, 512, buffer.size())));
    const auto requests = Vwin32Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].service, "INT21-440D");
    EXPECT_EQ(requests[3].service, "INT21-440D");
    EXPECT_NE(requests[1].line.find("01 00 00 00 FF FF"), std::string::npos) << requests[1].line;
    EXPECT_NE(requests[2].line.find("00 00 01 00 71 11"), std::string::npos) << requests[2].line;
}

TEST_F(Win95RoadTest, ExactlyOneRequestHolds65535SectorsAndThe65536thTakesAnother) {
    image = MapFat('C', 65536, "-F 16");
    auto z = On("1998");
    for (const int count : {65535, 65536}) {
        hosted::ClearJournal();
        Bytes buffer(std::size_t(count) * 512);
        ASSERT_TRUE(TZelvanTestPeer{*z}.RS95(DriveC, 2, count, buffer.data())) << count;
        EXPECT_TRUE(testsupport::SameBytes(buffer, testsupport::DdRead(image, 2 * 512, buffer.size()))) << count;
        const auto requests = Vwin32Requests();
        ASSERT_EQ(requests.size(), count == 65535 ? 1u : 2u) << count;
        EXPECT_NE(requests[0].line.find("packet(02 00 00 00 FF FF "), std::string::npos) << requests[0].line;
        if (count == 65536) {
            EXPECT_NE(requests[1].line.find("packet(01 00 01 00 01 00 "), std::string::npos) << requests[1].line;
        }
    }
}

// "Carry set, status, retry, success", and carry set on every attempt, on
// both generations through ReadSectors, which repeats the whole road.
TEST_F(Win95RoadTest, AStatusWithCarrySetIsRetriedAndOneOnEveryAttemptFails) {
    const std::pair<const char*, const char*> roads[] = {{"950", "INT25"}, {"1998", "INT21-7305"}};
    for (const auto& [build, service] : roads) {
        auto z = On(build);
        z->SetFirstSector(40);
        z->SetSectors(2);
        Bytes buffer(1024, 0xCC);
        hosted::FailCall(service, {1}, std::string_view(service) == "INT25" ? 0x0408 : 0x001B);
        ASSERT_TRUE(z->ReadSectors(buffer.data(), 1023)) << build;
        EXPECT_EQ(buffer, testsupport::DdRead(image, 40 * 512, 1024));
        auto requests = Vwin32Requests();
        ASSERT_EQ(requests.size(), 2u) << build;
        EXPECT_EQ(requests[0].out.at("Flags") & 1u, 1u);
        EXPECT_EQ(requests[1].out.at("Flags") & 1u, 0u);
        EXPECT_EQ(CountCalls("CreateFileA"), 2u) << "each attempt opens the device again";

        hosted::ClearJournal();
        z->SetRetries(3);
        hosted::FailCall(service, {1, 2, 3});
        std::fill(buffer.begin(), buffer.end(), 0xCC);
        EXPECT_FALSE(z->ReadSectors(buffer.data(), 1023)) << build;
        EXPECT_EQ(buffer, Bytes(1024, 0xCC));
        requests = Vwin32Requests();
        ASSERT_EQ(requests.size(), 3u) << build;
        for (const auto& request : requests) EXPECT_EQ(request.out.at("Flags") & 1u, 1u) << request.line;
        ExpectDeviceClosed();
    }
}

TEST_F(Win95RoadTest, EveryRoadReadsTheSameBytes) {
    TZelvan onNt(nullptr);
    onNt.SetSectors(16);
    Bytes nt(16 * 512);
    ASSERT_TRUE(onNt.ReadSectors(nt.data(), static_cast<int>(nt.size()) - 1));
    for (const char* build : {"950", "1998"}) {
        auto z = On(build);
        z->SetSectors(16);
        Bytes other(16 * 512);
        ASSERT_TRUE(z->ReadSectors(other.data(), static_cast<int>(other.size()) - 1));
        EXPECT_EQ(other, nt) << build;
    }
    EXPECT_EQ(nt, testsupport::DdRead(image, 0, nt.size()));
}

} // namespace
} // namespace orvane_test
