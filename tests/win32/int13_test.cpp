// INT 13h through VWIN32 code 4: sectors by cylinder, head and sector on
// the floppy drives, with the BIOS's statuses.
#include "device_fixture.h"

namespace hostedtest {
namespace {

using testsupport::Bytes;

struct Chs {
    unsigned cylinder, head, sector;
};

class Int13Test : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        hosted::SetPlatform("95");
        floppy = testsupport::MakeFloppyImage(dir, "a.img", 1440);
        hosted::MapDrive('A', {floppy.string(), hosted::DriveKind::Removable});
        device = OpenDevice();
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        CloseHandle(device);
        DeviceTest::TearDown();
    }

    // CL carries bits 8-9 of the cylinder in its top bits, as the BIOS has it.
    Reply Disk(BYTE function, BYTE drive, Chs at, BYTE count, DWORD buffer) {
        DIOC_REGISTERS r{};
        r.reg_EAX = (DWORD{function} << 8) | count;
        r.reg_ECX = ((at.cylinder & 0xFF) << 8) | ((at.cylinder >> 2) & 0xC0) | at.sector;
        r.reg_EDX = (at.head << 8) | drive;
        r.reg_EBX = buffer;
        return Send(device, VWIN32_DIOC_DOS_INT13, r);
    }
    BYTE Status(const Reply& reply) { return static_cast<BYTE>(reply.Ax() >> 8); }

    std::filesystem::path floppy;
    HANDLE device = INVALID_HANDLE_VALUE;
};

TEST_F(Int13Test, WholeFloppyReadByChsEqualsTheImage) {
    testsupport::RunOk("mcopy -i '" + floppy.string() + "' /etc/services ::");
    testsupport::DiskGeometry g = testsupport::MinfoGeometry(floppy);
    Bytes whole(std::size_t{g.cylinders} * g.heads * g.sectorsPerTrack * 512);
    win32::FlatRegion region(whole.data(), whole.size());
    std::size_t offset = 0;
    for (unsigned c = 0; c < g.cylinders; ++c)
        for (unsigned h = 0; h < g.heads; ++h)
            for (unsigned s = 1; s <= g.sectorsPerTrack; ++s, offset += 512) {
                Reply reply = Disk(0x02, 0, {c, h, s}, 1, region.Address() + static_cast<DWORD>(offset));
                ASSERT_FALSE(reply.Carry()) << c << "/" << h << "/" << s;
                ASSERT_EQ(reply.Ax(), 1u);
            }
    EXPECT_EQ(whole, testsupport::ReadFile(floppy));
}

TEST_F(Int13Test, MultiSectorRequestRunsAcrossTheHeadsOfItsCylinder) {
    testsupport::DiskGeometry g = testsupport::MinfoGeometry(floppy);
    unsigned perCylinder = g.heads * g.sectorsPerTrack;
    Bytes buffer(std::size_t{perCylinder} * 512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    Reply reply = Disk(0x02, 0, {3, 0, 2}, static_cast<BYTE>(perCylinder - 1), region.Address());
    EXPECT_FALSE(reply.Carry());
    EXPECT_EQ(reply.Ax() & 0xFF, perCylinder - 1);
    buffer.resize((perCylinder - 1) * 512);
    EXPECT_EQ(buffer, testsupport::DdRead(floppy, (3 * perCylinder + 1) * 512, buffer.size()));
    EXPECT_EQ(Status(Disk(0x02, 0, {3, 0, 2}, static_cast<BYTE>(perCylinder), region.Address())), 0x04);
}

TEST_F(Int13Test, WriteChangesExactlyTheSectorsAsked) {
    testsupport::DiskGeometry g = testsupport::MinfoGeometry(floppy);
    Bytes data = testsupport::Pattern(2 * 512, 9);
    win32::FlatRegion region(data.data(), data.size());
    Bytes expected = testsupport::ReadFile(floppy);
    Reply reply = Disk(0x03, 0, {5, 1, 3}, 2, region.Address());
    ASSERT_FALSE(reply.Carry());
    std::size_t lba = (5 * g.heads + 1) * g.sectorsPerTrack + 2;
    std::copy(data.begin(), data.end(), expected.begin() + static_cast<std::ptrdiff_t>(lba * 512));
    EXPECT_EQ(testsupport::ReadFile(floppy), expected);
}

TEST_F(Int13Test, StatusesAreTheBiosCodes) {
    testsupport::DiskGeometry g = testsupport::MinfoGeometry(floppy);
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    DWORD at = region.Address();
    hosted::MapDrive('B', {floppy.string(), hosted::DriveKind::Removable, true});
    hosted::MapDrive('C', {floppy.string()});
    hosted::MapDrive('D', {(dir / "missing.img").string(), hosted::DriveKind::Removable});
    hosted::MapDrive('E', {floppy.string(), hosted::DriveKind::Removable});
    testsupport::WriteFile(dir / "odd.img", Bytes(1000 * 1024));
    hosted::MapDrive('A', {(dir / "odd.img").string(), hosted::DriveKind::Removable});
    Bytes before = testsupport::ReadFile(floppy);

    EXPECT_EQ(Status(Disk(0x03, 1, {0, 0, 1}, 1, at)), 0x03);  // read-only image
    EXPECT_EQ(Status(Disk(0x02, 2, {0, 0, 1}, 1, at)), 0x80);  // C: is not removable
    EXPECT_EQ(Status(Disk(0x02, 3, {0, 0, 1}, 1, at)), 0x80);  // no image
    EXPECT_EQ(Status(Disk(0x02, 4, {0, 0, 1}, 1, at)), 0x80);  // no BIOS floppy drive 4
    EXPECT_EQ(Status(Disk(0x02, 0, {0, 0, 1}, 1, at)), 0x0C);  // not a standard size
    EXPECT_EQ(Status(Disk(0x08, 1, {0, 0, 1}, 1, at)), 0x01);  // another function
    EXPECT_EQ(Status(Disk(0x02, 1, {0, 0, 1}, 0, at)), 0x01);  // no sectors
    EXPECT_EQ(Status(Disk(0x02, 1, {0, 0, 0}, 1, at)), 0x04);
    EXPECT_EQ(Status(Disk(0x02, 1, {0, 0, g.sectorsPerTrack + 1}, 1, at)), 0x04);
    EXPECT_EQ(Status(Disk(0x02, 1, {0, g.heads, 1}, 1, at)), 0x04);
    EXPECT_EQ(Status(Disk(0x02, 1, {g.cylinders, 0, 1}, 1, at)), 0x04);
    EXPECT_EQ(Status(Disk(0x02, 1, {255, 1, g.sectorsPerTrack}, 1, at)), 0x04);
    // The top bits of CL count: cylinder 256 is not cylinder 0.
    EXPECT_EQ(Status(Disk(0x02, 1, {256, 0, 1}, 1, at)), 0x04);
    EXPECT_EQ(Status(Disk(0x02, 1, {0, 0, 1}, 2, at)), 0x09);  // buffer too short
    EXPECT_EQ(Status(Disk(0x02, 1, {0, 0, 1}, 1, 0)), 0x09);
    Reply read = Disk(0x02, 1, {0, 0, 1}, 1, at);
    EXPECT_FALSE(read.Carry());
    EXPECT_EQ(read.Ax(), 0x0001);
    EXPECT_EQ(testsupport::ReadFile(floppy), before);

    Reply failed = Disk(0x02, 3, {0, 0, 1}, 1, at);
    EXPECT_TRUE(failed.Carry());
    EXPECT_EQ(failed.Ax(), 0x8000);
}

TEST_F(Int13Test, APlannedStatusComesBackInAhAndTheRetryIsServed) {
    hosted::FailCall("INT13", {1, 3}, 0x06);
    Bytes buffer(512, 0xCC);
    win32::FlatRegion region(buffer.data(), buffer.size());
    const auto read = [&] { return Disk(0x02, 0, {0, 0, 1}, 1, region.Address()); };
    const Reply changed = read();
    EXPECT_TRUE(changed.returned);
    EXPECT_TRUE(changed.Carry());
    EXPECT_EQ(changed.Ax(), 0x0600) << "media changed, no sector moved";
    EXPECT_EQ(buffer, Bytes(512, 0xCC));
    const Reply retry = read();
    EXPECT_FALSE(retry.Carry());
    EXPECT_EQ(retry.Ax(), 0x0001);
    EXPECT_EQ(buffer, testsupport::DdRead(floppy, 0, 512));
    EXPECT_EQ(Status(read()), 0x06);
    // A new entry replaces the old one and counts afresh; without a value,
    // the BIOS's timeout.
    hosted::FailCall("INT13", {2});
    EXPECT_FALSE(read().Carry());
    EXPECT_EQ(Status(read()), 0x80);
    EXPECT_FALSE(read().Carry());
}

// A device handle holds each disk it has reached until it closes, as a
// drive holds its disk; a drive mapped anew is reached afresh.
TEST_F(Int13Test, ADeviceHoldsItsDiskUntilItCloses) {
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    const auto firstSector = [&](HANDLE on) {
        DIOC_REGISTERS r{};
        r.reg_EAX = 0x0201;
        r.reg_ECX = 0x0001;
        r.reg_EBX = region.Address();
        EXPECT_FALSE(Send(on, VWIN32_DIOC_DOS_INT13, r).Carry());
        return buffer;
    };
    const Bytes before = firstSector(device);
    const std::filesystem::path other = dir / "other.img";
    Bytes replacement = testsupport::ReadFile(floppy);
    replacement[0] ^= 0xFF;
    testsupport::WriteFile(other, replacement);
    std::filesystem::rename(other, floppy);
    EXPECT_EQ(firstSector(device), before) << "the disk it holds";
    {
        OwnedHandle fresh(OpenDevice());
        EXPECT_EQ(firstSector(fresh.get()), Bytes(replacement.begin(), replacement.begin() + 512));
    }
    const std::filesystem::path second = dir / "second.img";
    replacement[1] ^= 0xFF;
    testsupport::WriteFile(second, replacement);
    hosted::MapDrive('A', {second.string(), hosted::DriveKind::Removable});
    EXPECT_EQ(firstSector(device), Bytes(replacement.begin(), replacement.begin() + 512));
}

TEST_F(Int13Test, RequestsAreJournalledWithRegistersAndAddress) {
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    hosted::ClearJournal();
    Disk(0x02, 0, {79, 1, 18}, 1, region.Address());
    std::vector<std::string> lines = hosted::JournalOf("VWIN32");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("VWIN32 INT13 in(EAX=0x00000201 EBX=", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("ECX=0x00004F12 EDX=0x00000100"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("out(EAX=0x00000001"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(" chs(79/1/18)"), std::string::npos) << lines[0];
}


class FloppyFormatTest : public Int13Test, public ::testing::WithParamInterface<unsigned> {};

TEST_P(FloppyFormatTest, GeometryFollowsTheImageSize) {
    std::filesystem::path image = testsupport::MakeFloppyImage(dir, "f.img", GetParam());
    testsupport::DiskGeometry g = testsupport::MinfoGeometry(image);
    hosted::MapDrive('B', {image.string(), hosted::DriveKind::Removable});
    Bytes buffer(512);
    win32::FlatRegion region(buffer.data(), buffer.size());
    ASSERT_FALSE(Disk(0x02, 1, {g.cylinders - 1, g.heads - 1, g.sectorsPerTrack}, 1, region.Address()).Carry());
    EXPECT_EQ(buffer, testsupport::DdRead(image, std::filesystem::file_size(image) - 512, 512));
    EXPECT_EQ(Status(Disk(0x02, 1, {g.cylinders, 0, 1}, 1, region.Address())), 0x04);
    EXPECT_EQ(Status(Disk(0x02, 1, {0, g.heads, 1}, 1, region.Address())), 0x04);
    EXPECT_EQ(Status(Disk(0x02, 1, {0, 0, g.sectorsPerTrack + 1}, 1, region.Address())), 0x04);
}

INSTANTIATE_TEST_SUITE_P(Standard, FloppyFormatTest, ::testing::Values(160u, 180u, 320u, 360u, 720u, 1200u, 1440u, 2880u));

} // namespace
} // namespace hostedtest
