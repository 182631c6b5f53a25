// Construction, drive selection and the sector range a TZelvan accepts.
#include <memory>
#include <type_traits>

#include "machine_fixture.h"
#include "peer.h"

namespace orvane_test {
namespace {

using Orvane::TZelvan;
using Orvane::TZelvanTestPeer;

class ModelTest : public MachineTest {};

TEST_F(ModelTest, NewComponentHoldsItsDefaultsAndMeasuresDriveC) {
    const auto image = MapFat('C', 16384, "-F 16");
    TZelvan z(nullptr);
    TZelvanTestPeer peer{z};
    EXPECT_EQ(z.DriveName(), 'C');
    EXPECT_EQ(z.FirstSector(), 0u);
    EXPECT_EQ(z.Sectors(), 1u);
    EXPECT_FALSE(z.NeedDiskLock());
    EXPECT_TRUE(z.NeedWriteWarn());
    EXPECT_EQ(z.Retries(), 2);
    EXPECT_TRUE(peer.DriveValid());

    const auto figures = FsckFigures(image);
    EXPECT_EQ(peer.BytesPerSector(), figures.bytesPerSector);
    EXPECT_EQ(peer.SectorsPerCluster(), figures.sectorsPerCluster);
    EXPECT_EQ(peer.TotalClusters(), figures.dataClusters);
}

TEST_F(ModelTest, PlatformAndBuildAreTheLowBitsOfTheVersionQuery) {
    UsePlatform("258:70000");
    TZelvan z(nullptr);
    TZelvanTestPeer peer{z};
    EXPECT_EQ(peer.WinPlatform(), 258 & 0xFF);
    EXPECT_EQ(peer.BuildNumber(), 70000 & 0xFFFF);
}

TEST_F(ModelTest, WithoutDriveCTheComponentStartsUnusable) {
    MapFat('D', 1440, "-F 12");
    TZelvan z(nullptr);
    EXPECT_EQ(z.DriveName(), '\0');
    EXPECT_EQ(z.Sectors(), 1u) << "set without the test the bound of nothing would refuse";
    EXPECT_FALSE(TZelvanTestPeer{z}.DriveValid());
    unsigned char sector[512];
    hosted::ClearJournal();
    EXPECT_FALSE(z.ReadSectors(sector, 511));
    EXPECT_TRUE(hosted::Journal().empty());
}

TEST_F(ModelTest, ALowerCaseLetterSelectsItsDriveAndMeasuresIt) {
    MapFat('C', 16384, "-F 16");
    const auto d = MapFat('D', 1440, "-F 12");
    TZelvan z(nullptr);
    z.SetDisk('d');
    TZelvanTestPeer peer{z};
    EXPECT_EQ(z.DriveName(), 'D');
    EXPECT_TRUE(peer.DriveValid());
    const auto figures = FsckFigures(d);
    EXPECT_EQ(peer.SectorsPerCluster(), figures.sectorsPerCluster);
    EXPECT_EQ(peer.TotalClusters(), figures.dataClusters);
}

TEST_F(ModelTest, ANonLetterKeepsLetterAndGeometryButInvalidates) {
    MapFat('C', 16384, "-F 16");
    TZelvan z(nullptr);
    TZelvanTestPeer peer{z};
    const auto clusters = peer.TotalClusters();
    for (char bad : {'1', ' ', '\0', '@', '[', '`', '{'}) {
        z.SetDisk('C');
        hosted::ClearJournal();
        z.SetDisk(bad);
        EXPECT_EQ(z.DriveName(), 'C') << "after " << int(bad);
        EXPECT_EQ(peer.TotalClusters(), clusters);
        EXPECT_FALSE(peer.DriveValid());
        EXPECT_TRUE(hosted::Journal().empty()) << "a non-letter measures nothing";
        unsigned char sector[512];
        EXPECT_FALSE(z.ReadSectors(sector, 511));
    }
}

TEST_F(ModelTest, AMissingDriveRemeasuresTheKeptOneAndReselectionRevalidates) {
    MapFat('C', 16384, "-F 16");
    const auto d = MapFat('D', 1440, "-F 12");
    TZelvan z(nullptr);
    TZelvanTestPeer peer{z};
    z.SetDisk('D');
    hosted::ClearJournal();
    z.SetDisk('q');
    EXPECT_EQ(z.DriveName(), 'D');
    EXPECT_FALSE(peer.DriveValid());
    const auto measured = Lines("GetDiskFreeSpaceA");
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_NE(measured[0].find("\"Q:\\\""), std::string::npos) << measured[0];
    EXPECT_NE(measured[1].find("\"D:\\\""), std::string::npos) << measured[1];

    z.SetDisk('D');
    EXPECT_TRUE(peer.DriveValid());
    // Re-selecting the same letter measures again: a changed medium shows.
    testsupport::RunOk("mkfs.fat -F 12 -s 4 '" + d.string() + "'");
    z.SetDisk('D');
    EXPECT_EQ(peer.SectorsPerCluster(), FsckFigures(d).sectorsPerCluster);
    EXPECT_EQ(peer.TotalClusters(), FsckFigures(d).dataClusters);
}

TEST_F(ModelTest, TheRangeIsBoundByTheClusteredSectors) {
    const auto image = MapFat('C', 16384, "-F 16");
    const std::uint32_t bound = SizeBound(image);
    TZelvan z(nullptr);

    z.SetFirstSector(bound);
    EXPECT_EQ(z.FirstSector(), 0u);
    z.SetFirstSector(bound - 1);
    EXPECT_EQ(z.FirstSector(), bound - 1);
    z.SetFirstSector(0);
    z.SetSectors(bound);
    EXPECT_EQ(z.Sectors(), 1u);
    z.SetSectors(bound - 1);
    EXPECT_EQ(z.Sectors(), bound - 1);
    z.SetSectors(0);
    EXPECT_EQ(z.Sectors(), 0u);

    // Each value is tested when it is set, so this order leaves a run past the bound.
    z.SetSectors(10);
    z.SetFirstSector(bound - 5);
    EXPECT_EQ(z.Sectors(), 10u);
    EXPECT_EQ(z.FirstSector(), bound - 5);
    z.SetSectors(5);
    EXPECT_EQ(z.Sectors(), 10u) << "first + sectors reaching the bound is refused";
    z.SetSectors(4);
    EXPECT_EQ(z.Sectors(), 4u);
}

TEST_F(ModelTest, ARunWhoseEndWrapsIsTakenButNeverTransferred) {
    MapFat('C', 16384, "-F 16");
    TZelvan z(nullptr);
    z.SetFirstSector(100);
    // 100 + 4294967280 wraps to 84, below the bound; in vcl30 the same bits are -16.
    const auto wrapping = static_cast<Orvane::Cardinal>(0xFFFFFFF0u);
    z.SetSectors(wrapping);
    EXPECT_EQ(z.Sectors(), wrapping);
    z.SetNeedWriteWarn(false);
    unsigned char sector[512];
    hosted::ClearJournal();
    EXPECT_FALSE(z.ReadSectors(sector, 511));
    EXPECT_FALSE(z.WriteSectors(sector, 511));
    EXPECT_TRUE(hosted::Journal().empty());
}

// Figures no FAT volume has, as a larger Windows drive may report them:
// the bound is a 32-bit product, and vcl30 compares as signed numbers.
TEST_F(ModelTest, TheBoundWrapsAndTheSignedBuildComparesAsSigned) {
    MapFat('C', 16384, "-F 16");
    constexpr bool signedCardinal = std::is_signed_v<Orvane::Cardinal>;
    const auto cardinal = [](std::uint32_t value) { return static_cast<Orvane::Cardinal>(value); };
    TZelvan z(nullptr);
    TZelvanTestPeer peer{z};

    // 0x80000001 clusters of 2 sectors: B = 2 modulo 2^32.
    peer.SetMeasured(2, 0x80000001);
    z.SetFirstSector(2);
    EXPECT_EQ(z.FirstSector(), 0u);
    z.SetFirstSector(1);
    EXPECT_EQ(z.FirstSector(), 1u);
    z.SetSectors(1);
    z.SetSectors(0);
    EXPECT_EQ(z.Sectors(), 0u) << "1 + 0 is below 2";
    z.SetSectors(1);
    EXPECT_EQ(z.Sectors(), 0u) << "1 + 1 reaches B";

    // B = 2^31: above every sector number in vcl40, below all of them in vcl30.
    peer.SetMeasured(2, 0x40000000);
    z.SetFirstSector(0x7FFFFFFF);
    EXPECT_EQ(z.FirstSector(), signedCardinal ? 1u : 0x7FFFFFFFu);
    z.SetFirstSector(5);
    EXPECT_EQ(z.FirstSector(), signedCardinal ? 1u : 5u);

    // B = 0x7FFFFFF0 in both; a run whose end passes 2,147,483,647 wraps
    // below it in vcl30 and is taken there.
    peer.SetMeasured(1, 0x7FFFFFF0);
    z.SetSectors(0);
    z.SetFirstSector(cardinal(0x7FFFFF00));
    ASSERT_EQ(z.FirstSector(), cardinal(0x7FFFFF00));
    z.SetSectors(cardinal(0xEF));
    EXPECT_EQ(z.Sectors(), cardinal(0xEF));
    z.SetSectors(cardinal(0x200));
    EXPECT_EQ(z.Sectors(), cardinal(signedCardinal ? 0x200 : 0xEF));
}

TEST_F(ModelTest, SelectingASmallerDriveKeepsTheRun) {
    MapFat('C', 16384, "-F 16");
    const auto d = MapFat('D', 1440, "-F 12");
    TZelvan z(nullptr);
    const std::uint32_t beyondD = SizeBound(d) + 100;
    z.SetFirstSector(beyondD);
    z.SetSectors(7);
    z.SetDisk('D');
    EXPECT_EQ(z.DriveName(), 'D');
    EXPECT_EQ(z.FirstSector(), beyondD);
    EXPECT_EQ(z.Sectors(), 7u);
}

TEST_F(ModelTest, InstancesKeepTheirOwnDriveGeometryAndValidity) {
    const auto c = MapFat('C', 16384, "-F 16");
    const auto d = MapFat('D', 1440, "-F 12");
    auto owner = std::make_unique<vcl::TComponent>(nullptr);
    auto* onC = new TZelvan(owner.get());
    auto* onD = new TZelvan(owner.get());
    onD->SetDisk('D');
    onC->SetDisk('9');
    EXPECT_EQ(onC->DriveName(), 'C');
    EXPECT_EQ(onD->DriveName(), 'D');
    EXPECT_FALSE(TZelvanTestPeer{*onC}.DriveValid());
    EXPECT_TRUE(TZelvanTestPeer{*onD}.DriveValid());
    EXPECT_EQ(TZelvanTestPeer{*onC}.TotalClusters(), FsckFigures(c).dataClusters);
    EXPECT_EQ(TZelvanTestPeer{*onD}.TotalClusters(), FsckFigures(d).dataClusters);
    EXPECT_EQ(owner->ComponentCount(), 2);
}

TEST_F(ModelTest, FreeHandleClosesTheVolumeBeforeTheDevice) {
    MapFat('C', 16384, "-F 16");
    TZelvan z(nullptr);
    TZelvanTestPeer peer{z};

    hosted::ClearJournal();
    peer.FreeHandle();
    EXPECT_EQ(CountCalls("CloseHandle"), 0u);

    // The handle each open returned, as the journal names it (h1, h2, ...).
    auto opened = [] { return Lines("CreateFileA").back().substr(Lines("CreateFileA").back().rfind("= ") + 2); };
    UsePlatform("95");
    ASSERT_TRUE(peer.GetDeviceHandle());
    const HANDLE device = Orvane::DeviceHandle;
    const std::string deviceName = opened();
    UsePlatform("nt");
    ASSERT_TRUE(peer.GetDiskHandle('C'));
    const HANDLE disk = Orvane::DiskHandle;
    const std::string diskName = opened();
    Orvane::HandleOpened = true;
    hosted::ClearJournal();
    peer.FreeHandle();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"CloseHandle", "CloseHandle"}));
    EXPECT_EQ(Lines("CloseHandle")[0], "CloseHandle(" + diskName + ") = TRUE");
    EXPECT_EQ(Lines("CloseHandle")[1], "CloseHandle(" + deviceName + ") = TRUE");
    EXPECT_EQ(Orvane::DiskHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Orvane::DeviceHandle, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Orvane::HandleOpened);
    EXPECT_EQ(hosted::OpenHandleCount(), 0u);
    // Closing them again fails: they really were these two, in this order.
    EXPECT_FALSE(CloseHandle(disk));
    EXPECT_FALSE(CloseHandle(device));
}

TEST_F(ModelTest, RetriesIsStoredWithoutATestOfItsBounds) {
    MapFat('C', 16384, "-F 16");
    TZelvan z(nullptr);
    for (int value : {0, 1, 25, 26, 255}) {
        z.SetRetries(static_cast<Orvane::TRetries>(value));
        EXPECT_EQ(z.Retries(), value);
    }
}

TEST_F(ModelTest, TheConfirmationTextStartsAsTheComponentShipsIt) {
    EXPECT_EQ(Orvane::AttentionText.Length(), 45u);
    EXPECT_EQ(Orvane::AttentionText.View(), "Dangerous!\rDo you want to write to the drive ");
}

} // namespace
} // namespace orvane_test
